// One child window of the display library's class "SCCVIEWER", showing one
// file. The owner closes the file (kViewerCloseFile) and destroys the window;
// this object only names it.
#pragma once

#include <windows.h>

#include "viewer_interface.h"

class ViewerControl {
public:
    // Creates the child (WS_CHILD | WS_VISIBLE | WS_BORDER | extraStyle) at
    // rect, sets the viewer's notifications and opens path in it. TRUE when
    // the window exists.
    BOOL Create(HWND parent, const RECT* rect, const char* path, DWORD extraStyle, BOOL deleteWhenClosed);

    // Shows path. A Plexa document goes to the viewer as its text rendition,
    // read through the redirected-reading callbacks.
    void Open(const char* path, BOOL deleteWhenClosed);

    void Move(int x, int y, int width, int height, BOOL repaint);

    BOOL IsAlive() const { return window && IsWindow(window); }

    HWND window = nullptr;
};

// The redirected-reading callbacks, exported by the module. Each takes the
// address of a RedirectedFile; 0 is success.
extern "C" {
int MyRead(RedirectHandle file, unsigned char* buffer, unsigned long wanted, unsigned long* read);
int MySeek(RedirectHandle file, unsigned short origin, long offset);
int MyTell(RedirectHandle file, unsigned long* position);
int MyClose(RedirectHandle file);
int MyGetInfo(RedirectHandle file, unsigned long id, void* data);
}

// Makes a block for source: its text rendition in a new "FY#" temporary file
// when it is a Plexa document and the converter is there, else (convert
// false, or not a Plexa document) the file itself. Null when the source path
// does not fit the block or nothing could be opened; a block whose stream
// is null is never returned.
RedirectedFile* OpenRedirectedFile(const char* source, bool convert);
