// FennorySetup.exe under Wine: a silent install, the files and keys it leaves, and the uninstaller.
#include <windows.h>

#include <gtest/gtest.h>

#include "scratch.h"
#include "settings_scope.h"
#include "ui_driver.h"
#include "win/handle.h"

namespace {

const std::string kClsid = "{6D1A4F82-93C5-4B7E-A2D0-5E8F17C3B964}";
const std::string kFolder = "C:\\Fennory Test Install";

// Runs a command line and waits for its process (two minutes at most).
DWORD RunProgram(std::string commandLine)
{
    STARTUPINFOA startup = {sizeof(startup)};
    PROCESS_INFORMATION started = {};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &started))
        return GetLastError() | 0x80000000u;
    win::KernelHandle process(started.hProcess), thread(started.hThread);
    DWORD code = WAIT_TIMEOUT;
    if (WaitForSingleObject(process.Get(), 120000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.Get(), &code);
    else
        TerminateProcess(process.Get(), 1);
    return code;
}

// A registry value as text: a number in decimal, "(missing)" when it cannot be read.
std::string RegText(HKEY root, const std::string& key, const char* name)
{
    char text[600] = "";
    DWORD size = sizeof(text), type = 0;
    if (RegGetValueA(root, key.c_str(), name, RRF_RT_REG_SZ | RRF_RT_REG_DWORD, &type, text, &size) != ERROR_SUCCESS)
        return "(missing)";
    return type == REG_DWORD ? std::to_string(*reinterpret_cast<DWORD*>(text)) : text;
}

bool KeyExists(HKEY root, const std::string& key)
{
    win::RegKey opened;
    return RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, opened.Receive()) == ERROR_SUCCESS;
}

std::string ProductNameOf(const std::string& file)
{
    std::vector<char> data(GetFileVersionInfoSizeA(file.c_str(), nullptr) + 1);
    char* value = nullptr;
    UINT length = 0;
    GetFileVersionInfoA(file.c_str(), 0, static_cast<DWORD>(data.size()), data.data());
    VerQueryValueA(data.data(), "\\StringFileInfo\\040904B0\\ProductName", reinterpret_cast<void**>(&value), &length);
    return value ? value : "";
}

class InstallerTest : public testing::Test {
protected:
    void SetUp() override { fytest::RemoveTree(kFolder); }
    void TearDown() override { fytest::RemoveTree(kFolder); }

    void Install()
    {
        char setup[MAX_PATH];
        GetModuleFileNameA(nullptr, setup, MAX_PATH);
        strcpy(strrchr(setup, '\\') + 1, "FennorySetup.exe");
        ASSERT_EQ(RunProgram("\"" + std::string(setup) + "\" /S /D=" + kFolder), 0u);
    }

    // The uninstaller hands over to a copy of itself: done when it has removed itself and its key.
    void Uninstall(const std::string& options)
    {
        const std::string uninstaller = kFolder + "\\uninstall.exe";
        ASSERT_EQ(RunProgram("\"" + uninstaller + "\" /S" + options), 0u);
        EXPECT_TRUE(fytest::WaitUntil([&] { return !fytest::PathExists(uninstaller); }, 60000));
        const std::string key = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Fennory";
        EXPECT_TRUE(fytest::WaitUntil([&] { return !KeyExists(HKEY_LOCAL_MACHINE, key); }, 30000));
    }

    fytest::SettingsScope settings_;
};

// An install without settings writes every file and key; an uninstall keeps the settings unless told,
// a second install keeps the user's choices, and an archive in the installation folder outlives it all.
TEST_F(InstallerTest, InstallsEverythingAndUninstallsAllButTheArchives)
{
    fytest::SettingsScope::RemoveKey();
    Install();
    const std::string applet = "C:\\windows\\system32\\fenncpl.cpl";
    const std::vector<std::string> files = {kFolder + "\\FENNORY.DLL", kFolder + "\\FENN232.DLL",
                                            kFolder + "\\fennory.hlp", kFolder + "\\fy.exe", kFolder + "\\Viewer",
                                            kFolder + "\\uninstall.exe", applet};
    for (const std::string& file : files)
        EXPECT_TRUE(fytest::PathExists(file)) << file;
    EXPECT_EQ(ProductNameOf(kFolder + "\\FENNORY.DLL"), "Fennory");
    EXPECT_EQ(ProductNameOf(applet), "Fennory");

    const std::string clsid = "CLSID\\" + kClsid;
    const struct {
        HKEY root;
        std::string key;
        const char* name;
        std::string value;
    } values[] = {
        {HKEY_CLASSES_ROOT, clsid + "\\InprocServer32", nullptr, kFolder + "\\FENNORY.DLL"},
        {HKEY_CLASSES_ROOT, clsid + "\\InprocServer32", "ThreadingModel", "Apartment"},
        {HKEY_CLASSES_ROOT, "*\\shellex\\ContextMenuHandlers\\Fennory", nullptr, kClsid},
        {HKEY_CLASSES_ROOT, "*\\shellex\\PropertySheetHandlers\\Fennory", nullptr, kClsid},
        {HKEY_CLASSES_ROOT, "Directory\\shellex\\ContextMenuHandlers\\Fennory", nullptr, kClsid},
        {HKEY_CLASSES_ROOT, "Directory\\shellex\\CopyHookHandlers\\Fennory", nullptr, kClsid},
        {HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved",
         kClsid.c_str(), "Fennory"},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\Zentrik\\Viewer\\8\\Directories", nullptr, kFolder + "\\Viewer"},
        {HKEY_LOCAL_MACHINE, fytest::kSettingsKey, "EnableVersionControl", "1"},
        {HKEY_LOCAL_MACHINE, fytest::kSettingsKey, "HelpPath", kFolder},
        {HKEY_LOCAL_MACHINE, fytest::kSettingsKey, "HistoryField_5", "95"},
    };
    for (const auto& v : values)
        EXPECT_EQ(RegText(v.root, v.key, v.name), v.value) << v.key << " " << (v.name ? v.name : "");

    // A user's central versions folder under the installation folder.
    CreateDirectoryA((kFolder + "\\Versions").c_str(), nullptr);
    const std::string archive = kFolder + "\\Versions\\C$NOTES$TXT.fy";
    fytest::WriteFileText(archive, "an archive");

    // The silent answer to the uninstaller's question about the settings is No.
    Uninstall("");
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, fytest::kSettingsKey, "HistoryField_5"), "95");
    settings_.SetDword("EnableVersionControl", 0);
    Install();
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, fytest::kSettingsKey, "EnableVersionControl"), "0");

    Uninstall(" /RemoveSettings");
    for (const std::string& file : files)
        EXPECT_FALSE(fytest::PathExists(file)) << file;
    EXPECT_EQ(fytest::ReadFileText(archive), "an archive");
    for (const auto& v : values) {
        EXPECT_EQ(RegText(v.root, v.key, v.name), "(missing)") << v.key;
        EXPECT_TRUE(v.root != HKEY_CLASSES_ROOT || !KeyExists(v.root, v.key)) << v.key;
    }
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, clsid));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Zentrik"));
}

}  // namespace
