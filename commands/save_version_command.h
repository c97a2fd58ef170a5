// The save-version command: one new version of every file of the selection,
// with a comment and the permanent flag asked for once, or, when no selected
// file has an archive yet, the settings of the new archives.
#pragma once

#include <windows.h>

class FileList;

// Works on selection, whose folders it first expands into the files directly
// inside them (the expansion stays in the selection). Dialogs and messages are
// owned by parent; folder, verb, parameters and showCommand come with the
// shell's invocation and are not used. Returns S_OK in every case, also when
// the user cancels or nothing is saved.
HRESULT DoSaveVersion(FileList& selection, HWND parent, const char* folder, const char* verb,
                      const char* parameters, int showCommand);
