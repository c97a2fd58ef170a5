// The history page alone in a sheet of its own, for the history command and
// the FYRetrieve export.
#pragma once

#include <windows.h>

class ArchiveFile;
class HistoryPage;

// Runs the modal one-page sheet titled "Version History - <file name>" with
// parent as owner: the sheet's result, or 2 when a sheet with that title is
// already open (that one gets the focus instead). page and archive belong to
// the caller.
INT_PTR ShowHistorySheet(HistoryPage& page, const ArchiveFile& archive, HWND parent);

// Builds the archive object and the page for the file at path, shows the
// sheet and frees both.
void ShowFileHistory(HWND parent, const char* path);
