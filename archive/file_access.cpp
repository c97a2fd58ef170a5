#include "file_access.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <cstdio>
#include <vector>

#include "trace.h"
#include "win/handle.h"

namespace {

void TraceFailure(const char* what, const char* path, DWORD error)
{
    char line[400];
    snprintf(line, sizeof(line), "FileAccess: %s %.260s failed (%lu)\r\n", what, path, error);
    Trace(line);
}

// Sets a protected list: nothing the folder hands down is added to it. The
// list goes through the open file's own descriptor, which works the same for
// files and folders.
bool SetProtectedDacl(const char* path, PACL dacl)
{
    win::File file(CreateFileA(path, READ_CONTROL | WRITE_DAC, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    SECURITY_DESCRIPTOR descriptor;
    if (!file || !InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&descriptor, TRUE, dacl, FALSE) ||
        !SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED) ||
        !SetKernelObjectSecurity(file.Get(), DACL_SECURITY_INFORMATION, &descriptor)) {
        TraceFailure("setting the access list of", path, GetLastError());
        return false;
    }
    return true;
}

// Applies a list written in the security descriptor language.
bool SetDaclFromText(const char* path, const char* text)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(text, SDDL_REVISION_1, &descriptor, nullptr)) {
        TraceFailure("building the access list for", path, GetLastError());
        return false;
    }
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    bool done = GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) && present &&
                SetProtectedDacl(path, dacl);
    LocalFree(descriptor);
    return done;
}

}  // namespace

bool CopyFileAccess(const char* source, const char* target)
{
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    DWORD error = GetNamedSecurityInfoA(source, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                                        nullptr, &descriptor);
    if (error != ERROR_SUCCESS) {
        TraceFailure("reading the access list of", source, error);
        return false;
    }
    bool done = false;
    if (!dacl) {
        // No list at all means everyone may do everything: so be it for the
        // archive too, which then follows its folder no more than the file.
        done = SetProtectedDacl(target, nullptr);
    } else {
        // The file's inherited entries become the archive's own, so that
        // what reaches the file reaches its history, and nothing more.
        ACL_SIZE_INFORMATION size = {};
        GetAclInformation(dacl, &size, sizeof(size), AclSizeInformation);
        std::vector<BYTE> buffer(size.AclBytesInUse + sizeof(ACL));
        auto* copy = reinterpret_cast<PACL>(buffer.data());
        done = InitializeAcl(copy, static_cast<DWORD>(buffer.size()), ACL_REVISION);
        for (DWORD i = 0; done && i < size.AceCount; ++i) {
            ACE_HEADER* ace = nullptr;
            if (!GetAce(dacl, i, reinterpret_cast<void**>(&ace)))
                continue;
            BYTE flags = ace->AceFlags;
            ace->AceFlags &= static_cast<BYTE>(~INHERITED_ACE);
            done = AddAce(copy, ACL_REVISION, MAXDWORD, ace, ace->AceSize);
            ace->AceFlags = flags;
        }
        done = done && SetProtectedDacl(target, copy);
    }
    LocalFree(descriptor);
    return done;
}

bool MakePrivateToUser(const char* path)
{
    // The user this process runs as, and the system: no one else.
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        TraceFailure("reading the user of", path, GetLastError());
        return false;
    }
    BYTE buffer[256];
    DWORD size = 0;
    BOOL known = GetTokenInformation(token, TokenUser, buffer, sizeof(buffer), &size);
    CloseHandle(token);
    char* user = nullptr;
    if (!known || !ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &user)) {
        TraceFailure("reading the user of", path, GetLastError());
        return false;
    }
    char text[200];
    snprintf(text, sizeof(text), "D:P(A;;FA;;;%s)(A;;FA;;;SY)", user);
    LocalFree(user);
    return SetDaclFromText(path, text);
}

bool MakeDropFolder(const char* path)
{
    // System and administrators: full control, handed down. Creator owner:
    // full control of what each user adds, handed down to it. Users: may add
    // files and pass through, on this folder only, without listing it.
    return SetDaclFromText(path,
                           "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICIIO;FA;;;CO)"
                           "(A;;0x1000A2;;;BU)");
}

bool CreatePrivateTempFile(const char* prefix, char (&path)[260])
{
    path[0] = '\0';
    char folder[MAX_PATH];
    DWORD length = GetTempPathA(sizeof(folder), folder);
    if (length == 0 || length >= sizeof(folder) || GetTempFileNameA(folder, prefix, 0, path) == 0) {
        path[0] = '\0';
        return false;
    }
    MakePrivateToUser(path);
    return true;
}
