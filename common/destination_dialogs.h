// Asking where files go: the save-file dialog for one file, the open-file
// dialog with the folder-picking template for several.
#pragma once

#include <windows.h>

// Shows the save-file dialog titled title, opening in initialFolder, with
// the name in path preset; the dialog itself asks before replacing a file.
// filter holds the dialog's pairs of texts; null keeps the name's own type.
// True with path set to the chosen full path; false on Cancel.
bool AskDestinationFile(HWND owner, const char* title, const char* initialFolder, const char* filter,
                        char (&path)[MAX_PATH]);

// Shows the open-file dialog with template IDD_PICK_FOLDER, opening in
// initialFolder. The file name is preset to a dummy so that OK is accepted
// without choosing a file. True with folder set to the chosen folder without
// a trailing backslash (the root of C: gives "C:"); false on Cancel.
bool AskDestinationFolder(HWND owner, const char* title, const char* initialFolder, char (&folder)[MAX_PATH]);
