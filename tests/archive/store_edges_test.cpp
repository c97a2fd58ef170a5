// The version store at the edges the archive operations reach: a foreign
// file where an archive should be, and the longest archive path there is.
#include <cstring>

#include "archive_fixture.h"

using fytest::ArchiveTest;
using fytest::ReadFileText;
using fytest::WriteFileText;

using StoreEdges = ArchiveTest;

// The store keeps its lease note inside the archive: a stray file named like
// an archive must not be written to by a save that then fails.
TEST_F(StoreEdges, LockingAFileThatIsNoArchiveLeavesItUntouched)
{
    std::string path = MakeFile("foreign.txt", "content");
    ArchiveFile archive(path.c_str());
    std::string notAnArchive = "some other program's file, not an archive";
    WriteFileText(archive.archivePath, notAnArchive);

    fytest::MessageBoxAnswerer answerer({IDOK});
    EXPECT_EQ(archive.AddVersion("", 0), 0);
    ASSERT_EQ(answerer.Boxes().size(), 1u);
    EXPECT_EQ(answerer.Boxes()[0].text, path + "\nThe archive of this file is damaged:\n" +
                                            std::string(archive.archivePath) + "\n\nNothing was changed.");
    EXPECT_EQ(ReadFileText(archive.archivePath), notAnArchive);
}

// The store builds a new archive aside and renames it into place; the
// scratch file must fit wherever the archive itself fits.
TEST_F(StoreEdges, ArchivePathOf259CharactersCanBeCreated)
{
    std::string path = MakeFile("edge.txt", "x");
    size_t nameLength = strlen(ArchiveFile(path.c_str()).archiveName);
    settings_.SetString("VersionsPath", CentralOfLength(259 - 1 - nameLength));
    ArchiveFile archive(path.c_str());
    ASSERT_EQ(strlen(archive.archivePath), 259u);
    EXPECT_EQ(archive.CreateWithFirstVersion(0, 10, 0, 1), 0);
    EXPECT_TRUE(archive.Exists());
}
