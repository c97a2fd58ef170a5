// The "File" submenu's commands: move, copy or delete the selected files with
// their archives, so that a moved or copied file keeps its history and a
// deleted file takes it along.
#pragma once

#include <windows.h>

class FileList;

// Command offsets of the context menu that reach DoFileCommand.
constexpr UINT kFileCommandMove = 2;
constexpr UINT kFileCommandCopy = 3;
constexpr UINT kFileCommandDelete = 4;

// Runs the command whose offset is the low word of verb (a verb given as a
// string, or any other offset, does nothing) on every entry of selection,
// treating each as a file. window owns the dialogs, folder is where the file
// dialogs open; parameters and showCommand are not used. Always S_OK.
HRESULT DoFileCommand(FileList& selection, HWND window, const char* folder, const char* verb,
                      const char* parameters, int showCommand);
