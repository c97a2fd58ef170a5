// fy.exe run as a script runs it, its exit code and output read back.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "run_program.h"
#include "working_files_test.h"

using fytest::ProgramResult;

namespace {

testing::AssertionResult Has(const std::string& text, const std::string& piece)
{
    if (text.find(piece) != std::string::npos)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "\"" << piece << "\" is not in:\n" << text;
}

class FyTest : public fytest::WorkingFilesTest {
protected:
    ProgramResult Fy(const std::string& arguments, DWORD expectedCode)
    {
        ProgramResult result = fytest::RunProgram("\"" + fytest::BesideTestProgram("fy.exe") + "\" " + arguments);
        EXPECT_EQ(result.code, expectedCode) << "fy " << arguments << "\n" << result.err;
        return result;
    }
};

TEST_F(FyTest, SavesListsShowsDiffsAndRestoresVersions)
{
    const std::string file = scratch_ / "notes.txt";
    const std::string quoted = "\"" + file + "\"";
    fytest::WriteFileText(file, "one\r\ntwo\r\n");
    EXPECT_TRUE(Has(Fy("save " + quoted + " -m \"first\"", 0).out, "saved version 1 (a new archive"));
    fytest::WriteFileText(file, "one\r\n2\r\nthree\r\n");
    EXPECT_TRUE(Has(Fy("save " + quoted + " -m \"numbers, and a third line\" -p", 0).out, "saved version 2"));
    EXPECT_TRUE(Has(Fy("save " + quoted + " -m again", 8).err, "not newer than its latest version; nothing saved"));

    ProgramResult r = Fy("log " + quoted, 0);
    EXPECT_EQ(r.out.compare(0, 7, "Version"), 0) << r.out;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 3);
    EXPECT_TRUE(Has(r.out, "      2  permanent"));
    EXPECT_TRUE(Has(r.out, "      1  temporary"));
    EXPECT_TRUE(Has(r.out, "numbers, and a third line\r\n"));
    r = Fy("log " + quoted + " --csv", 0);
    EXPECT_EQ(r.out.compare(0, 37, "version,permanent,date,user,comment\r\n"), 0) << r.out;
    EXPECT_TRUE(Has(r.out, "\r\n2,1,"));
    EXPECT_TRUE(Has(r.out, ",\"numbers, and a third line\"\r\n"));

    EXPECT_EQ(Fy("cat " + quoted + " 1", 0).out, "one\r\ntwo\r\n");
    r = Fy("diff " + quoted + " 1 0", 1);
    EXPECT_TRUE(Has(r.out, "--- " + file + " (version 1)\r\n+++ " + file + " (working file)\r\n"));
    EXPECT_TRUE(Has(r.out, "-two\r\n+2\r\n+three\r\n"));
    EXPECT_EQ(Fy("diff " + quoted + " 2 0", 0).out, "");

    // The working file equals version 2: restoring version 1 saves nothing.
    EXPECT_EQ(Fy("restore " + quoted + " 1", 0).out, file + ": restored version 1\r\n");
    EXPECT_EQ(fytest::ReadFileText(file), "one\r\ntwo\r\n");
    // An edit not yet saved becomes version 3 before version 2 comes back.
    fytest::WriteFileText(file, "unsaved work\r\n");
    EXPECT_EQ(Fy("restore " + quoted + " 2", 0).out,
              file + ": saved the current state as version 3\r\n" + file + ": restored version 2\r\n");
    EXPECT_EQ(fytest::ReadFileText(file), "one\r\n2\r\nthree\r\n");
    EXPECT_EQ(Fy("cat " + quoted + " 3", 0).out, "unsaved work\r\n");

    r = Fy("info " + quoted, 0);
    EXPECT_TRUE(Has(r.out, "Versions:      3 (2 temporary, at most 10 kept)"));
    EXPECT_TRUE(Has(r.out, "Size on disk:  "));
    EXPECT_FALSE(Has(r.out, "Size on disk:  0 bytes"));
}

TEST_F(FyTest, ReportsEachProblemWithItsOwnExitCode)
{
    const std::string missing = scratch_ / "missing.txt";
    EXPECT_EQ(Fy("log \"" + missing + "\"", 3).err, "fy: " + missing + ": no such file\r\n");
    EXPECT_EQ(Fy("info \"" + scratch_.Path() + "\"", 4).err,
              "fy: " + scratch_.Path() + ": is a folder, not a file\r\n");
    std::string longName = "C:\\" + std::string(280, 'a') + ".txt";
    EXPECT_TRUE(Has(Fy("save \"" + longName + "\" -m x", 5).err, "path too long (at most 259 characters)"));

    const std::string file = MakeFile("report.doc", "text");
    const std::string quoted = "\"" + file + "\"";
    EXPECT_EQ(Fy("log " + quoted, 8).err, "fy: " + file + ": has no versions\r\n");
    std::string info = Fy("info " + quoted, 0).out;
    size_t at = info.find("(it would be ");
    ASSERT_NE(at, std::string::npos) << info;
    std::string archive = info.substr(at + 13, info.find(')', at) - at - 13);
    Fy("save " + quoted + " -m first", 0);
    EXPECT_EQ(Fy("cat " + quoted + " 7", 9).err, "fy: " + file + ": has no version 7\r\n");

    // Another program holds the archive open without sharing.
    HANDLE held = CreateFileA(archive.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE) << archive;
    EXPECT_TRUE(Has(Fy("log " + quoted, 7).err, "its archive is in use by another program"));
    CloseHandle(held);

    fytest::WriteFileText(archive, "this is not an archive at all, just some text in its place");
    EXPECT_TRUE(Has(Fy("log " + quoted, 6).err, "its archive is damaged or not an archive"));
    EXPECT_TRUE(Has(Fy("cat " + quoted, 2).err, "N is required"));
    std::string help = Fy("--help", 0).out;
    for (const char* word : {"save", "log", "cat", "restore", "diff", "info", "history", "retrieve", "settings"})
        EXPECT_TRUE(Has(help, word));
}

}  // namespace
