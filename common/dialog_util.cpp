#include "dialog_util.h"

void GetControlRect(HWND dialog, int controlId, RECT* rect)
{
    SetRectEmpty(rect);
    HWND control = GetDlgItem(dialog, controlId);
    if (!control)
        return;
    RECT screen;
    GetWindowRect(control, &screen);
    POINT topLeft = {screen.left, screen.top};
    ScreenToClient(dialog, &topLeft);
    rect->left = topLeft.x;
    rect->top = topLeft.y;
    rect->right = topLeft.x + (screen.right - screen.left);
    rect->bottom = topLeft.y + (screen.bottom - screen.top);
}
