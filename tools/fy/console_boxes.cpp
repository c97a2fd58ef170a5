#include "console_boxes.h"

#include <cstdio>

namespace {

int g_count = 0;

LRESULT CALLBACK CbtHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE) {
        HWND window = reinterpret_cast<HWND>(wParam);
        char className[16];
        // A message box: a dialog with the static text control 0xFFFF.
        if (GetClassNameA(window, className, sizeof(className)) && lstrcmpA(className, "#32770") == 0 &&
            GetDlgItem(window, 0xFFFF)) {
            char text[2100];
            GetDlgItemTextA(window, 0xFFFF, text, sizeof(text));
            for (char* c = text; *c; ++c) {
                if (*c == '\r' || *c == '\n')
                    *c = ' ';
            }
            fprintf(stderr, "fy: %s\n", text);
            fflush(stderr);
            ++g_count;
            LRESULT id = SendMessageA(window, DM_GETDEFID, 0, 0);
            int button = HIWORD(id) == DC_HASDEFID ? LOWORD(id) : IDOK;
            PostMessageA(window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

ConsoleBoxes::ConsoleBoxes() : hook_(SetWindowsHookExA(WH_CBT, CbtHook, nullptr, GetCurrentThreadId())) {}

ConsoleBoxes::~ConsoleBoxes()
{
    if (hook_)
        UnhookWindowsHookEx(hook_);
}

int ConsoleBoxes::Count()
{
    return g_count;
}
