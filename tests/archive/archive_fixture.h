// What the archive tests share: a scratch folder with working files in it,
// empty settings (archives then lie beside their files), and small helpers.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "archive_file.h"
#include "ui_driver.h"
#include "working_files_test.h"

namespace fytest {

class ArchiveTest : public WorkingFilesTest {
protected:
    // A new archive for path with content as its first (temporary) version.
    void CreateArchive(ArchiveFile& archive, int maxTemp = 10)
    {
        ASSERT_EQ(archive.CreateWithFirstVersion(0, maxTemp, 0, 0), 0);
        ASSERT_TRUE(archive.Exists());
    }

    // Rewrites the working file and saves it as a new version.
    void SaveVersion(ArchiveFile& archive, const std::string& content, int permanent = 0,
                     const char* comment = "changed")
    {
        WriteFileText(archive.workingPath, content);
        ASSERT_EQ(archive.AddVersion(comment, permanent), 1);
    }

    // The bytes of one version as the store writes them out.
    std::string Retrieved(const ArchiveFile& archive, int version)
    {
        std::string out = scratch_ / ("out" + std::to_string(++retrieved_) + ".bin");
        EXPECT_EQ(archive.RetrieveVersion(out.c_str(), version), 0) << "version " << version;
        std::string bytes = ReadFileText(out);
        DeleteFileA(out.c_str());
        return bytes;
    }

    // A central versions folder of exactly length characters inside the
    // scratch folder, made of levels of up to 100 characters (not created).
    std::string CentralOfLength(size_t length)
    {
        std::string folder = scratch_.Path();
        for (char level = 'a'; folder.size() < length; ++level) {
            size_t room = length - folder.size() - 1;
            folder += "\\" + std::string(room < 100 ? room : 100, level);
        }
        return folder;
    }

    int retrieved_ = 0;
};

// Bytes of every value, in an order that compresses badly.
inline std::string BinaryBytes(size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    unsigned state = seed * 2654435761u + 1;
    for (size_t i = 0; i < size; ++i) {
        state = state * 1103515245u + 12345u;
        bytes[i] = static_cast<char>(state >> 23);
    }
    return bytes;
}

}  // namespace fytest
