// Message boxes: every text comes from the string table, every box carries the
// product caption.
#pragma once

#include <windows.h>

// Shows string textId, formatted printf-style with the arguments, in a box
// owned by owner (the desktop window when null) under the caption
// IDS_CAPTION. flags are MB_ style bits. Returns the button pressed. A text
// longer than the 2000-byte message buffer is cut to fit.
int ShowMessage(HWND owner, UINT textId, UINT flags, ...);

// The same with the caption taken from string captionId.
int ShowMessageEx(HWND owner, UINT captionId, UINT textId, UINT flags, ...);
