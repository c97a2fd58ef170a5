// fy.exe run as a script runs it: a child process whose exit code, standard
// output and standard error are read back.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "scratch.h"
#include "working_files_test.h"

namespace {

struct Result {
    DWORD code = 0xFFFFFFFF;
    std::string out;
    std::string err;
};

std::string ProgramFolder()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string folder(path, length);
    return folder.substr(0, folder.rfind('\\'));
}

// Reads a pipe to its end (every writer closed) on a thread of its own.
class PipeReader {
public:
    PipeReader(HANDLE pipe) : pipe_(pipe), thread_([this] {
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(pipe_, buffer, sizeof(buffer), &got, nullptr) && got > 0)
            text_.append(buffer, got);
    }) {}
    ~PipeReader()
    {
        if (thread_.joinable())
            thread_.join();
        CloseHandle(pipe_);
    }
    std::string Take()
    {
        thread_.join();
        return text_;
    }

private:
    HANDLE pipe_;
    std::string text_;
    std::thread thread_;
};

class FyTest : public fytest::WorkingFilesTest {
protected:
    // Runs fy.exe with arguments (already quoted as needed), a minute at most.
    Result Fy(const std::string& arguments)
    {
        Result result;
        SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
        HANDLE outRead, outWrite, errRead, errWrite;
        if (!CreatePipe(&outRead, &outWrite, &inherit, 0) || !CreatePipe(&errRead, &errWrite, &inherit, 0))
            return result;
        SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
        SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = outWrite;
        startup.hStdError = errWrite;
        std::string line = "\"" + ProgramFolder() + "\\fy.exe\" " + arguments;
        std::vector<char> buffer(line.begin(), line.end());
        buffer.push_back('\0');
        PROCESS_INFORMATION process = {};
        BOOL started = CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                      nullptr, &startup, &process);
        CloseHandle(outWrite);   // the pipes end when the child's copies close
        CloseHandle(errWrite);
        PipeReader out(outRead), err(errRead);
        if (started) {
            if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0)
                GetExitCodeProcess(process.hProcess, &result.code);
            else
                TerminateProcess(process.hProcess, 1);
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
        result.out = out.Take();
        result.err = err.Take();
        return result;
    }

    // Rewrites a working file and dates it minutes after a fixed start, so
    // each change is newer than the version before it.
    void Change(const std::string& path, const std::string& content, int minutes)
    {
        fytest::WriteFileText(path, content);
        SYSTEMTIME start = {2026, 3, 0, 2, 10, 0, 0, 0};
        FILETIME time;
        SystemTimeToFileTime(&start, &time);
        ULARGE_INTEGER t = {{time.dwLowDateTime, time.dwHighDateTime}};
        t.QuadPart += static_cast<ULONGLONG>(minutes) * 60 * 10000000;
        time = {t.LowPart, t.HighPart};
        HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        SetFileTime(file, nullptr, nullptr, &time);
        CloseHandle(file);
    }

    static int CountLines(const std::string& text)
    {
        int lines = 0;
        for (char c : text)
            lines += c == '\n';
        return lines;
    }
};

// A text file's life through fy: two saves, the list as text and CSV, a
// version's content, a diff, two restores (the second saves the current state
// first) and the archive's summary.
TEST_F(FyTest, SavesListsShowsDiffsAndRestoresVersions)
{
    std::string file = scratch_ / "notes.txt";
    Change(file, "one\r\ntwo\r\n", 1);
    Result r = Fy("save \"" + file + "\" -m \"first\"");
    EXPECT_EQ(r.code, 0u) << r.err;
    EXPECT_NE(r.out.find("saved version 1 (a new archive"), std::string::npos) << r.out;

    Change(file, "one\r\n2\r\nthree\r\n", 2);
    r = Fy("save \"" + file + "\" -m \"numbers, and a third line\" -p");
    EXPECT_EQ(r.code, 0u) << r.err;
    EXPECT_NE(r.out.find("saved version 2"), std::string::npos) << r.out;

    r = Fy("save \"" + file + "\" -m again");
    EXPECT_EQ(r.code, 8u);
    EXPECT_NE(r.err.find("not newer than its latest version; nothing saved"), std::string::npos) << r.err;

    r = Fy("log \"" + file + "\"");
    EXPECT_EQ(r.code, 0u) << r.err;
    EXPECT_EQ(CountLines(r.out), 3);
    EXPECT_EQ(r.out.compare(0, 7, "Version"), 0) << r.out;
    EXPECT_NE(r.out.find("      2  permanent"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("      1  temporary"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("numbers, and a third line\r\n"), std::string::npos) << r.out;

    r = Fy("log \"" + file + "\" --csv");
    EXPECT_EQ(r.code, 0u);
    EXPECT_EQ(r.out.compare(0, 37, "version,permanent,date,user,comment\r\n"), 0) << r.out;
    EXPECT_NE(r.out.find("\r\n2,1,"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(",\"numbers, and a third line\"\r\n"), std::string::npos) << r.out;

    r = Fy("cat \"" + file + "\" 1");
    EXPECT_EQ(r.code, 0u) << r.err;
    EXPECT_EQ(r.out, "one\r\ntwo\r\n");

    r = Fy("diff \"" + file + "\" 1 0");
    EXPECT_EQ(r.code, 1u) << r.err;
    EXPECT_NE(r.out.find("--- " + file + " (version 1)\r\n+++ " + file + " (working file)\r\n"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("-two\r\n+2\r\n+three\r\n"), std::string::npos) << r.out;
    r = Fy("diff \"" + file + "\" 2 0");
    EXPECT_EQ(r.code, 0u);
    EXPECT_EQ(r.out, "");

    // The working file equals version 2: restoring version 1 saves nothing.
    r = Fy("restore \"" + file + "\" 1");
    EXPECT_EQ(r.code, 0u) << r.err;
    EXPECT_EQ(r.out, file + ": restored version 1\r\n");
    EXPECT_EQ(fytest::ReadFileText(file), "one\r\ntwo\r\n");

    // An edit not yet saved becomes version 3 before version 2 comes back.
    Change(file, "unsaved work\r\n", 30);
    r = Fy("restore \"" + file + "\" 2");
    EXPECT_EQ(r.code, 0u) << r.err;
    EXPECT_EQ(r.out, file + ": saved the current state as version 3\r\n" + file + ": restored version 2\r\n");
    EXPECT_EQ(fytest::ReadFileText(file), "one\r\n2\r\nthree\r\n");
    r = Fy("cat \"" + file + "\" 3");
    EXPECT_EQ(r.out, "unsaved work\r\n");

    r = Fy("info \"" + file + "\"");
    EXPECT_EQ(r.code, 0u);
    EXPECT_NE(r.out.find("Versions:      3 (2 temporary, at most 10 kept)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Size on disk:  "), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Size on disk:  0 bytes"), std::string::npos) << r.out;
}

// What a script meets when things are not as they should be: each case has
// its own exit code and a line on standard error naming the file.
TEST_F(FyTest, ReportsEachProblemWithItsOwnExitCode)
{
    Result r = Fy("log \"" + (scratch_ / "missing.txt") + "\"");
    EXPECT_EQ(r.code, 3u);
    EXPECT_EQ(r.err, "fy: " + (scratch_ / "missing.txt") + ": no such file\r\n");

    r = Fy("info \"" + scratch_.Path() + "\"");
    EXPECT_EQ(r.code, 4u);
    EXPECT_EQ(r.err, "fy: " + scratch_.Path() + ": is a folder, not a file\r\n");

    std::string longName = "C:\\" + std::string(280, 'a') + ".txt";
    r = Fy("save \"" + longName + "\" -m x");
    EXPECT_EQ(r.code, 5u);
    EXPECT_NE(r.err.find("path too long (at most 259 characters)"), std::string::npos) << r.err;

    std::string file = MakeFile("report.doc", "text");
    r = Fy("log \"" + file + "\"");
    EXPECT_EQ(r.code, 8u);
    EXPECT_EQ(r.err, "fy: " + file + ": has no versions\r\n");

    r = Fy("info \"" + file + "\"");
    EXPECT_EQ(r.code, 0u);
    size_t at = r.out.find("(it would be ");
    ASSERT_NE(at, std::string::npos) << r.out;
    std::string archive = r.out.substr(at + 13, r.out.find(')', at) - at - 13);

    EXPECT_EQ(Fy("save \"" + file + "\" -m first").code, 0u);
    r = Fy("cat \"" + file + "\" 7");
    EXPECT_EQ(r.code, 9u);
    EXPECT_EQ(r.err, "fy: " + file + ": has no version 7\r\n");

    // Another program holds the archive open without sharing.
    HANDLE held = CreateFileA(archive.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE) << archive;
    r = Fy("log \"" + file + "\"");
    EXPECT_EQ(r.code, 7u);
    EXPECT_NE(r.err.find("its archive is in use by another program"), std::string::npos) << r.err;
    CloseHandle(held);

    fytest::WriteFileText(archive, "this is not an archive at all, just some text in its place");
    r = Fy("log \"" + file + "\"");
    EXPECT_EQ(r.code, 6u);
    EXPECT_NE(r.err.find("its archive is damaged or not an archive"), std::string::npos) << r.err;

    r = Fy("cat \"" + file + "\"");
    EXPECT_EQ(r.code, 2u);
    EXPECT_NE(r.err.find("N is required"), std::string::npos) << r.err;
}

// The help a newcomer reads first.
TEST_F(FyTest, HelpListsTheCommands)
{
    Result r = Fy("--help");
    EXPECT_EQ(r.code, 0u);
    for (const char* word : {"save", "log", "cat", "restore", "diff", "info", "history", "retrieve", "settings",
                             "Exit codes:"})
        EXPECT_NE(r.out.find(word), std::string::npos) << word;
    r = Fy("save --help");
    EXPECT_EQ(r.code, 0u);
    EXPECT_NE(r.out.find("-m,--message"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("-p,--permanent"), std::string::npos) << r.out;
}

}  // namespace
