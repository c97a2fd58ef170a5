#include "viewer_libraries.h"

#include <direct.h>

#include "safe_string.h"
#include "viewer_frame.h"
#include "wait_cursor.h"
#include "win/handle.h"

namespace {

const char kDirectoriesKey[] = "SOFTWARE\\Zentrik\\Viewer\\8\\Directories";

// Module-wide: each handle null while its library is not loaded. The handles
// are freed only by UnloadViewerLibraries, in the order the libraries need.
HMODULE g_displayLibrary;
HMODULE g_identifyLibrary;
HMODULE g_converterLibrary;
FIIdFileExProc g_fiIdFileEx;
IsPlFileProc g_isPlFile;
ConvertPlToTextProc g_convertPlToText;

int g_libraryUsers;          // open side-by-side windows
bool g_releasePending;       // a release asked for while a viewer was open

// Loads folder\name unless the library is loaded already. False when it is
// not loaded afterwards (also when the joined path would not fit).
bool LoadFromFolder(HMODULE* library, const char* folder, const char* name)
{
    if (*library)
        return true;
    char path[260];
    if (!JoinPath(path, folder, name))
        return false;   // the library cannot be named, so it cannot be there
    *library = LoadLibraryA(path);
    return *library != nullptr;
}

template <class Proc>
Proc Resolve(HMODULE library, const char* name)
{
    return reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

void FreeLibraries()
{
    if (g_identifyLibrary)
        FreeLibrary(g_identifyLibrary);
    if (g_displayLibrary)
        FreeLibrary(g_displayLibrary);
    if (g_converterLibrary)
        FreeLibrary(g_converterLibrary);
    g_identifyLibrary = nullptr;
    g_displayLibrary = nullptr;
    g_converterLibrary = nullptr;
    g_fiIdFileEx = nullptr;
    g_isPlFile = nullptr;
    g_convertPlToText = nullptr;
    g_releasePending = false;
}

}  // namespace

BOOL LoadViewerLibraries()
{
    WaitCursor wait;

    char folder[260];
    {
        win::RegKey key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kDirectoriesKey, 0, KEY_QUERY_VALUE, key.Receive()) != ERROR_SUCCESS)
            return FALSE;
        DWORD type = 0;
        DWORD size = sizeof(folder) - 1;
        if (RegQueryValueExA(key.Get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(folder), &size) !=
                ERROR_SUCCESS ||
            (type != REG_SZ && type != REG_EXPAND_SZ))
            return FALSE;
        folder[size < sizeof(folder) ? size : sizeof(folder) - 1] = '\0';
    }
    // A new load supersedes a release that was waiting for the windows.
    g_releasePending = false;

    // The libraries find their companion files in the current directory.
    // The caller's directory is taken whole before the drive changes: it
    // names its drive, so setting it back restores both (a drive changed
    // back by itself would land in its root, having no directory of its own
    // remembered).
    char previousDirectory[260];
    DWORD got = GetCurrentDirectoryA(sizeof(previousDirectory), previousDirectory);
    bool haveDirectory = got > 0 && got < sizeof(previousDirectory);
    int previousDrive = _getdrive();
    char first = folder[0];
    int drive = (first & ~0x20) - 'A' + 1;
    if (((first >= 'a' && first <= 'z') || (first >= 'A' && first <= 'Z')) && drive != previousDrive)
        _chdrive(drive);
    SetCurrentDirectoryA(folder);

    BOOL loaded = FALSE;
    if (LoadFromFolder(&g_displayLibrary, folder, "SCCVW.DLL") &&
        LoadFromFolder(&g_identifyLibrary, folder, "SCCFI.DLL")) {
        g_fiIdFileEx = Resolve<FIIdFileExProc>(g_identifyLibrary, "FIIdFileEx");
        if (LoadFromFolder(&g_converterLibrary, folder, "VSPLEX7.DLL")) {
            g_isPlFile = Resolve<IsPlFileProc>(g_converterLibrary, "IsPlFile");
            g_convertPlToText = Resolve<ConvertPlToTextProc>(g_converterLibrary, "ConvertPlToText");
        }
        loaded = TRUE;
    }

    if (!haveDirectory || !SetCurrentDirectoryA(previousDirectory)) {
        if (_getdrive() != previousDrive)
            _chdrive(previousDrive);
    }
    return loaded;
}

void UnloadViewerLibraries()
{
    if (ViewerFrameCount > 0 || g_libraryUsers > 0) {
        // An open viewer still runs code of the display library.
        g_releasePending = true;
        return;
    }
    FreeLibraries();
    // The last frame has gone: its window class can go with it, before the
    // module itself may be unloaded.
    UnregisterViewerFrameClass();
}

void ReleaseViewerLibrariesIfIdle()
{
    if (g_releasePending && ViewerFrameCount == 0 && g_libraryUsers == 0)
        FreeLibraries();
}

FIIdFileExProc ViewerFIIdFileEx()
{
    return g_fiIdFileEx;
}

IsPlFileProc ViewerIsPlFile()
{
    return g_isPlFile;
}

ConvertPlToTextProc ViewerConvertPlToText()
{
    return g_convertPlToText;
}

short IdentifyViewerFile(const char* path, WORD* typeId, char* name, DWORD nameSize)
{
    *typeId = kTypeUnknown;
    if (nameSize > 0)
        name[0] = '\0';
    if (!g_fiIdFileEx)
        return -1;
    short status = g_fiIdFileEx(kRefPath, path, 0, typeId, name, nameSize);
    if (nameSize > 0)
        name[nameSize - 1] = '\0';
    return status;
}

bool IsPlexaDocument(const char* path)
{
    return g_isPlFile && g_convertPlToText && g_isPlFile(path) != 0;
}

ViewerLibraryUse::ViewerLibraryUse()
{
    ++g_libraryUsers;
}

ViewerLibraryUse::~ViewerLibraryUse()
{
    --g_libraryUsers;
    ReleaseViewerLibrariesIfIdle();
}
