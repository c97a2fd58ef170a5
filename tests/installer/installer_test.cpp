// FennorySetup.exe under Wine: a silent install into the test prefix, the
// files and keys it leaves, and the uninstaller taking them back while an
// archive stays where it is.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "command_driver.h"
#include "scratch.h"
#include "settings_scope.h"

namespace {

const char kClsid[] = "{6D1A4F82-93C5-4B7E-A2D0-5E8F17C3B964}";
const char kFolder[] = "C:\\Fennory Test Install";

std::string ProgramFolder()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string folder(path, length);
    return folder.substr(0, folder.rfind('\\'));
}

std::string SystemFolder()
{
    char path[MAX_PATH];
    GetSystemDirectoryA(path, sizeof(path));
    return path;
}

// Runs a command line and waits for its process (two minutes at most).
DWORD RunProgram(const std::string& commandLine)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return GetLastError() | 0x80000000u;
    DWORD code = WaitForSingleObject(process.hProcess, 120000) == WAIT_OBJECT_0 ? 0 : WAIT_TIMEOUT;
    if (code == 0)
        GetExitCodeProcess(process.hProcess, &code);
    else
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

// The value of a registry entry as text ("(missing)" when it cannot be read).
std::string RegText(HKEY root, const std::string& key, const char* name)
{
    char text[600] = "";
    DWORD size = sizeof(text);
    if (RegGetValueA(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
        return "(missing)";
    return text;
}

bool KeyExists(HKEY root, const std::string& key)
{
    HKEY opened;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return false;
    RegCloseKey(opened);
    return true;
}

std::string ProductNameOf(const std::string& file)
{
    DWORD ignored = 0, size = GetFileVersionInfoSizeA(file.c_str(), &ignored);
    std::vector<char> data(size ? size : 1);
    char* value = nullptr;
    UINT length = 0;
    if (!size || !GetFileVersionInfoA(file.c_str(), 0, size, data.data()) ||
        !VerQueryValueA(data.data(), "\\StringFileInfo\\040904B0\\ProductName", reinterpret_cast<void**>(&value),
                        &length))
        return "";
    return value;
}

class InstallerTest : public testing::Test {
protected:
    void SetUp() override
    {
        setup_ = ProgramFolder() + "\\FennorySetup.exe";
        ASSERT_TRUE(fytest::PathExists(setup_));
        fytest::RemoveTree(kFolder);
    }
    void TearDown() override { fytest::RemoveTree(kFolder); }

    void Install()
    {
        ASSERT_EQ(RunProgram("\"" + setup_ + "\" /S /D=" + kFolder), 0u);
    }

    // The uninstaller hands over to a copy of itself and returns at once;
    // the work is done when it has removed itself.
    void Uninstall(const std::string& options)
    {
        std::string uninstaller = std::string(kFolder) + "\\uninstall.exe";
        ASSERT_EQ(RunProgram("\"" + uninstaller + "\" /S" + options), 0u);
        EXPECT_TRUE(fytest::WaitUntil([&] { return !fytest::PathExists(uninstaller); }, 60000));
        EXPECT_TRUE(fytest::WaitUntil(
            [] { return !KeyExists(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Fennory"); },
            30000));
    }

    fytest::SettingsScope settings_;
    std::string setup_;
};

// Installs silently, finds every file and key, keeps a user's archive in a
// versions folder inside the installation folder, and uninstalls with the
// settings: everything the installer wrote is gone, the archive is not.
TEST_F(InstallerTest, InstallsEverythingAndUninstallsAllButTheArchives)
{
    fytest::SettingsScope::RemoveKey();
    Install();
    const std::string folder = kFolder;
    for (const char* name : {"FENNORY.DLL", "FENN232.DLL", "fennory.hlp", "fy.exe", "uninstall.exe"})
        EXPECT_TRUE(fytest::PathExists(folder + "\\" + name)) << name;
    EXPECT_TRUE(fytest::PathExists(folder + "\\Viewer"));
    const std::string applet = SystemFolder() + "\\fenncpl.cpl";
    EXPECT_TRUE(fytest::PathExists(applet));
    EXPECT_EQ(ProductNameOf(folder + "\\FENNORY.DLL"), "Fennory");
    EXPECT_EQ(ProductNameOf(applet), "Fennory");

    const std::string clsid = std::string("CLSID\\") + kClsid;
    EXPECT_EQ(RegText(HKEY_CLASSES_ROOT, clsid + "\\InprocServer32", nullptr), folder + "\\FENNORY.DLL");
    EXPECT_EQ(RegText(HKEY_CLASSES_ROOT, clsid + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(RegText(HKEY_CLASSES_ROOT, "*\\shellex\\ContextMenuHandlers\\Fennory", nullptr), kClsid);
    EXPECT_EQ(RegText(HKEY_CLASSES_ROOT, "*\\shellex\\PropertySheetHandlers\\Fennory", nullptr), kClsid);
    EXPECT_EQ(RegText(HKEY_CLASSES_ROOT, "Directory\\shellex\\ContextMenuHandlers\\Fennory", nullptr), kClsid);
    EXPECT_EQ(RegText(HKEY_CLASSES_ROOT, "Directory\\shellex\\CopyHookHandlers\\Fennory", nullptr), kClsid);
    const std::string approved = "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, approved, kClsid), "Fennory");
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zentrik\\Viewer\\8\\Directories", nullptr), folder + "\\Viewer");
    DWORD enabled = 0, size = sizeof(enabled);
    EXPECT_EQ(RegGetValueA(HKEY_LOCAL_MACHINE, fytest::kSettingsKey, "EnableVersionControl", RRF_RT_REG_DWORD,
                           nullptr, &enabled, &size), ERROR_SUCCESS);
    EXPECT_EQ(enabled, 1u);
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, fytest::kSettingsKey, "HelpPath"), folder);
    DWORD width = 0;
    size = sizeof(width);
    EXPECT_EQ(RegGetValueA(HKEY_LOCAL_MACHINE, fytest::kSettingsKey, "HistoryField_5", RRF_RT_REG_DWORD, nullptr,
                           &width, &size), ERROR_SUCCESS);
    EXPECT_EQ(width, 95u);

    // A user's central versions folder under the installation folder.
    CreateDirectoryA((folder + "\\Versions").c_str(), nullptr);
    const std::string archive = folder + "\\Versions\\C$NOTES$TXT.fy";
    fytest::WriteFileText(archive, "an archive");

    Uninstall(" /RemoveSettings");
    for (const char* name : {"FENNORY.DLL", "FENN232.DLL", "fennory.hlp", "fy.exe", "Viewer"})
        EXPECT_FALSE(fytest::PathExists(folder + "\\" + name)) << name;
    EXPECT_FALSE(fytest::PathExists(applet));
    EXPECT_EQ(fytest::ReadFileText(archive), "an archive");
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, clsid));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "*\\shellex\\ContextMenuHandlers\\Fennory"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "*\\shellex\\PropertySheetHandlers\\Fennory"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "Directory\\shellex\\ContextMenuHandlers\\Fennory"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "Directory\\shellex\\CopyHookHandlers\\Fennory"));
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, approved, kClsid), "(missing)");
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zentrik\\Viewer"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Zentrik"));
}

// A second installation keeps the choices made since the first, and an
// uninstall that is not told to remove the settings keeps them (the silent
// answer to its question is No).
TEST_F(InstallerTest, KeepsTheUsersSettings)
{
    settings_.SetDword("EnableVersionControl", 0);
    settings_.SetDword("MaxTempVersions", 25);
    Install();
    DWORD value = 99, size = sizeof(value);
    RegGetValueA(HKEY_LOCAL_MACHINE, fytest::kSettingsKey, "EnableVersionControl", RRF_RT_REG_DWORD, nullptr, &value,
                 &size);
    EXPECT_EQ(value, 0u);
    Uninstall("");
    EXPECT_FALSE(fytest::PathExists(std::string(kFolder) + "\\FENNORY.DLL"));
    size = sizeof(value);
    EXPECT_EQ(RegGetValueA(HKEY_LOCAL_MACHINE, fytest::kSettingsKey, "MaxTempVersions", RRF_RT_REG_DWORD, nullptr,
                           &value, &size), ERROR_SUCCESS);
    EXPECT_EQ(value, 25u);
}

}  // namespace
