// What the archive tests share.
#pragma once

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "archive_file.h"
#include "ui_driver.h"
#include "working_files_test.h"

namespace fytest {

class ArchiveTest : public WorkingFilesTest {
protected:
    void CreateArchive(ArchiveFile& archive, int maxTemp = 10)
    {
        ASSERT_EQ(archive.CreateWithFirstVersion(0, maxTemp, 0, 0), 0);
    }

    void SaveVersion(ArchiveFile& archive, const std::string& content, int permanent = 0)
    {
        WriteFileText(archive.workingPath, content);
        ASSERT_EQ(archive.AddVersion("changed", permanent), 1);
    }

    // The bytes of one version, written over whatever the last call wrote.
    std::string Retrieved(const ArchiveFile& archive, int version)
    {
        EXPECT_EQ(archive.RetrieveVersion(retrieved_.c_str(), version), 0) << "version " << version;
        return ReadFileText(retrieved_);
    }

    const std::string retrieved_ = scratch_ / "retrieved.bin";
};

inline std::vector<int> Numbers(const ArchiveFile& archive)
{
    VersionItem* items = nullptr;
    int count = archive.ListVersions(&items);
    std::vector<int> numbers;
    for (int i = 0; i < count; ++i)
        numbers.push_back(items[i].number);
    delete[] items;
    return numbers;
}

// Inverts the archive past its first 16 bytes; the damaged bytes.
inline std::string Damage(const ArchiveFile& archive)
{
    std::string bytes = ReadFileText(archive.archivePath);
    EXPECT_GT(bytes.size(), 64u);
    for (size_t i = 16; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(~bytes[i]);
    WriteFileText(archive.archivePath, bytes);
    return bytes;
}

inline std::string DamagedText(const ArchiveFile& archive)
{
    return std::string(archive.workingPath) + "\nThe archive of this file is damaged:\n" + archive.archivePath +
           "\n\nNothing was changed.";
}

// Runs action, which must show exactly one box, with an OK button.
template <class Action>
void ExpectOneBoxFrom(Action action, const std::string& text, BoxIcon icon = BoxIcon::Stop)
{
    MessageBoxAnswerer answerer({IDOK});
    action();
    ASSERT_EQ(answerer.Boxes().size(), 1u);
    ExpectBox(answerer.Boxes()[0], text, {IDOK}, icon);
}

// Bytes of every value, in an order that compresses badly.
inline std::string BinaryBytes(size_t size)
{
    std::minstd_rand random(7);
    std::string bytes(size, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(random() >> 8);
    return bytes;
}

}  // namespace fytest
