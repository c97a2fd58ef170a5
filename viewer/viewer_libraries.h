// The viewer libraries, loaded on demand from the folder the registry names:
// the display library (its "SCCVIEWER" window class), the identification
// library (FIIdFileEx) and the optional Plexa converter (IsPlFile,
// ConvertPlToText).
#pragma once

#include <windows.h>

#include "viewer_interface.h"

// Loads whatever is not loaded yet from the folder named by the default value
// of HKLM\SOFTWARE\Zentrik\Viewer\8\Directories, with that folder current
// for the loads (drive and directory are put back). TRUE when the display and
// identification libraries are loaded; a missing converter is no failure.
BOOL LoadViewerLibraries();

// Frees what is loaded and clears the entry points. While a viewer frame is
// open nothing is freed (no window may lose its window procedure): the
// libraries stay until a later call finds no frame open. While the
// side-by-side window is open the release waits for it to close. Safe when
// nothing is loaded.
void UnloadViewerLibraries();

// The resolved entry points; null while not loaded. A null converter entry
// point means Plexa documents get no special handling.
FIIdFileExProc ViewerFIIdFileEx();
IsPlFileProc ViewerIsPlFile();
ConvertPlToTextProc ViewerConvertPlToText();

// Calls the identification library's FIIdFileEx for path (kind 2, flags 0);
// a negative status when it is not resolved.
short IdentifyViewerFile(const char* path, WORD* typeId, char* name, DWORD nameSize);

// True when the converter is resolved and answers that path is a Plexa document.
bool IsPlexaDocument(const char* path);

// Keeps the libraries loaded while a viewer outside a frame (the side-by-side
// window) is open: a release asked for meanwhile happens when it ends.
class ViewerLibraryUse {
public:
    ViewerLibraryUse();
    ~ViewerLibraryUse();
    ViewerLibraryUse(const ViewerLibraryUse&) = delete;
    ViewerLibraryUse& operator=(const ViewerLibraryUse&) = delete;
};

// Performs a release that waited for open viewers, once none is left.
void ReleaseViewerLibrariesIfIdle();
