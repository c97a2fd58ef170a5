// Small layout helpers shared by dialogs.
#pragma once

#include <windows.h>

// The control's rectangle in the dialog's client coordinates: left and top of
// the control, right and bottom as left plus width and top plus height.
void GetControlRect(HWND dialog, int controlId, RECT* rect);
