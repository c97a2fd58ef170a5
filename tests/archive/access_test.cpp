// Access rights following a working file into its versions: archives beside
// the file and in the central folder, copies, the central folder itself and
// the temporary snapshot.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <string>

#include "archive_fixture.h"
#include "file_access.h"
#include "temp_snapshot.h"

namespace fytest {
namespace {

// The access list of path in the descriptor language ("" when unreadable).
std::string DaclOf(const std::string& path)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    char* text = nullptr;
    std::string result;
    if (GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr,
                              nullptr, &descriptor) == ERROR_SUCCESS &&
        ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION,
                                                             &text, nullptr))
        result = text;
    LocalFree(text);
    LocalFree(descriptor);
    return result;
}

// Gives path the list written in the descriptor language.
void SetDacl(const std::string& path, const std::string& text)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(text.c_str(), SDDL_REVISION_1, &descriptor,
                                                                     nullptr));
    EXPECT_TRUE(SetFileSecurityA(path.c_str(), DACL_SECURITY_INFORMATION, descriptor)) << path;
    LocalFree(descriptor);
}

std::string CurrentUserSid()
{
    HANDLE token = nullptr;
    BYTE user[256];
    DWORD size = 0;
    char* text = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
    GetTokenInformation(token, TokenUser, user, sizeof(user), &size);
    CloseHandle(token);
    ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(user)->User.Sid, &text);
    std::string sid = text ? text : "";
    LocalFree(text);
    return sid;
}

bool GrantsEveryone(const std::string& dacl)
{
    return dacl.find(";;;WD)") != std::string::npos;
}

using FileAccess = ArchiveTest;

TEST_F(FileAccess, ArchiveInTheCentralFolderFollowsItsFilesRights)
{
    const std::string user = CurrentUserSid();
    ASSERT_FALSE(user.empty());
    std::string central = scratch_ / "versions";
    settings_.SetString("VersionsPath", central);
    std::string path = MakeFile("private.txt", "my diary");
    SetDacl(path, "D:P(A;;FA;;;" + user + ")");
    ASSERT_FALSE(GrantsEveryone(DaclOf(path))) << "the bench needs a file only its owner may read: " << DaclOf(path);

    // The folder the module makes is a drop folder: users add, creators own,
    // nobody lists it. (Wine keeps only what maps onto permission bits.)
    ArchiveFile archive(path.c_str());
    std::string folder = DaclOf(central);
    EXPECT_FALSE(folder.empty());
    EXPECT_FALSE(GrantsEveryone(folder)) << folder;

    // No one the file shuts out reads its history, and the folder hands nothing down.
    ASSERT_EQ(archive.CreateWithFirstVersion(0, 10, 0, 1), 0);
    EXPECT_EQ(DaclOf(archive.archivePath), DaclOf(path));

    // Opened up later: the next save brings the archive in line.
    SetDacl(path, "D:P(A;;FA;;;" + user + ")(A;;FR;;;WD)");
    WriteFileText(path, "my diary, now public");
    ASSERT_EQ(archive.AddVersion("", 0), 1);
    EXPECT_TRUE(GrantsEveryone(DaclOf(archive.archivePath))) << DaclOf(archive.archivePath);

    // A copy's history takes the rights of the file's copy, not those of the source's archive.
    std::string shared = scratch_ / "shared";
    CreateDirectoryA(shared.c_str(), nullptr);
    settings_.Remove("VersionsPath");
    ArchiveFile beside(MakeFile("beside.txt", "plain").c_str());
    ASSERT_EQ(beside.CreateWithFirstVersion(0, 10, 0, 0), 0);
    SetDacl(beside.archivePath, "D:P(A;;FA;;;" + user + ")(A;;FA;;;BA)");
    ASSERT_EQ(beside.CopyTo((shared + "\\beside.txt").c_str(), 1), 1);
    ArchiveFile copied((shared + "\\beside.txt").c_str());
    EXPECT_EQ(DaclOf(copied.archivePath), DaclOf(copied.workingPath));
}

TEST_F(FileAccess, SnapshotAndViewingCopiesAreForTheirUserAloneAndGoAway)
{
    std::string snapshotPath;
    {
        TempSnapshot snapshot(MakeFile("snap.txt", "content to save").c_str());
        ASSERT_TRUE(snapshot.Complete());
        snapshotPath = snapshot.Path();
        std::string dacl = DaclOf(snapshotPath);
        EXPECT_NE(dacl.find(CurrentUserSid()), std::string::npos) << dacl;
        EXPECT_FALSE(GrantsEveryone(dacl)) << dacl;
        EXPECT_EQ(dacl.find(";;;BU)"), std::string::npos) << dacl;
    }
    EXPECT_FALSE(PathExists(snapshotPath));

    char viewing[260];
    ASSERT_TRUE(CreatePrivateTempFile("FY#", viewing));
    EXPECT_NE(std::string(viewing).find("\\FY#"), std::string::npos) << viewing;
    EXPECT_FALSE(GrantsEveryone(DaclOf(viewing))) << DaclOf(viewing);
    DeleteFileA(viewing);
}

}  // namespace
}  // namespace fytest
