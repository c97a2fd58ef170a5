#include "viewer_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "scratch.h"
#include "settings_scope.h"
#include "ui_driver.h"

namespace fytest {

namespace {

const char kKey[] = "SOFTWARE\\Zentrik\\Viewer\\8\\Directories";

void SetViewerFolder(const char* folder)
{
    if (!folder) {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kKey);
        return;
    }
    EXPECT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_LOCAL_MACHINE, kKey, nullptr, REG_SZ, folder,
                                             static_cast<DWORD>(strlen(folder) + 1)))
        << "the viewer key cannot be set";
}

// Wide text as UTF-8, with CR LF and lone CR as "\n".
std::string Utf8Lines(const wchar_t* wide)
{
    int length = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, &text[0], length, nullptr, nullptr);
    text.resize(strlen(text.c_str()));
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r')
            out.push_back(text[i]);
        else if (i + 1 >= text.size() || text[i + 1] != '\n')
            out.push_back('\n');
    }
    return out;
}

std::string PdfFolder()
{
    char folder[MAX_PATH] = "";
    DWORD length = GetEnvironmentVariableA("FY_PDF_DIR", folder, sizeof(folder));
    return (length > 0 && length < sizeof(folder)) ? folder : "/tmp/fy-pdf";
}

}  // namespace

ViewerKeyScope::ViewerKeyScope(const char* folder) : previous_(RegistryText(HKEY_LOCAL_MACHINE, kKey, nullptr))
{
    SetViewerFolder(folder);
}

ViewerKeyScope::~ViewerKeyScope()
{
    SetViewerFolder(previous_ == "(missing)" ? nullptr : previous_.c_str());
}

std::string ViewingCopies()
{
    char temp[MAX_PATH];
    DWORD length = GetTempPathA(sizeof(temp), temp);
    std::vector<std::string> names = FilesIn(std::string(temp, length - 1));
    std::sort(names.begin(), names.end());
    std::string joined;
    for (const std::string& name : names)
        if (name.compare(0, 3, "FY#") == 0)
            joined += name + "|";
    return joined;
}

HWND TextControlOf(HWND viewer)
{
    return FindWindowExA(viewer, nullptr, "RichEdit20W", nullptr);
}

std::string ViewerText(HWND viewer)
{
    HWND edit = TextControlOf(viewer);
    if (!edit)
        return "<no text control>";
    std::wstring text(static_cast<size_t>(SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    SendMessageW(edit, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
    return Utf8Lines(text.c_str());
}

std::string ClipboardText()
{
    if (!OpenClipboard(nullptr))
        return "<no clipboard>";
    std::string text = "<empty>";
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (auto* wide = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = Utf8Lines(wide);
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

std::string PdfToken(const char* what)
{
    std::string token = std::string(what) + std::to_string(GetCurrentProcessId()) + "t" +
                        std::to_string(GetTickCount() % 1000000);
    for (const auto& old : PdfJobsNamed(token))
        DeleteFileA(UnixToWindows(old).c_str());
    return token;
}

std::vector<std::string> PdfJobsNamed(const std::string& token)
{
    std::vector<std::string> jobs;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((UnixToWindows(PdfFolder()) + "\\*" + token + "*.pdf").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return jobs;
    do {
        jobs.push_back(PdfFolder() + "/" + found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return jobs;
}

bool RunUnix(const std::string& command)
{
    // Wine starts a Unix program without a process to wait on: the command
    // leaves its exit status in a file of its own.
    static int runs = 0;
    std::string status = PdfFolder() + "/status-" + std::to_string(GetCurrentProcessId()) + "-" +
                         std::to_string(++runs);
    std::string line = "/bin/sh -c \"(" + command + ") >/dev/null 2>&1; echo $? > '" + status + "'\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    std::string statusFile = UnixToWindows(status);
    if (!WaitUntil([&] { return ReadFileText(statusFile).find('\n') != std::string::npos; }, 20000))
        return false;
    std::string code = ReadFileText(statusFile);
    DeleteFileA(statusFile.c_str());
    return atoi(code.c_str()) == 0;
}

std::string UnixToWindows(const std::string& unixPath)
{
    std::string path = "Z:" + unixPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::vector<std::vector<std::string>> PdfPages(const std::string& pdf)
{
    // The job's file appears while the printer still writes it: read it once it is whole.
    std::string text = pdf + ".txt";
    EXPECT_TRUE(WaitUntil([&] { return RunUnix("pdftotext -layout '" + pdf + "' '" + text + "'"); }, 20000)) << pdf;
    std::string content = ReadFileText(UnixToWindows(text));
    DeleteFileA(UnixToWindows(text).c_str());
    // pdftotext ends every page with a form feed.
    std::vector<std::vector<std::string>> pages;
    std::vector<std::string> page;
    std::string line;
    for (char c : content) {
        if (c != '\n' && c != '\f') {
            line += c;
            continue;
        }
        if (line.find_first_not_of(' ') != std::string::npos)
            page.push_back(line);
        line.clear();
        if (c == '\f') {
            pages.push_back(page);
            page.clear();
        }
    }
    return pages;
}

std::vector<std::string> Words(const std::string& line)
{
    std::vector<std::string> words;
    std::istringstream in(line);
    std::string word;
    while (in >> word)
        words.push_back(word);
    return words;
}

}  // namespace fytest
