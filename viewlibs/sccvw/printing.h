// Printing what a viewer window shows, with page breaks, to the printer the
// user picks in the common print dialog.
#pragma once

#include <windows.h>

#include "content.h"

namespace sccvw {

// Asks for a printer (owned by owner) and prints content under docName.
// True when the job was sent; false when the user cancelled or it failed.
bool PrintContent(HWND owner, const Content& content, const char* docName);

// Breaks text into the lines printed at width pixels on dc (tabs as spaces,
// long lines wrapped at a blank where one is near).
void BreakLines(HDC dc, const std::wstring& text, int width, std::vector<std::wstring>* lines);

}  // namespace sccvw
