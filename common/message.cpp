#include "message.h"

#include <cstdarg>
#include <cstdio>

#include "resource.h"
#include "string_res.h"

namespace {

// Shared by every box: the services run on the user-interface thread only and
// are not reentrant.
char g_caption[256];
char g_format[500];
char g_text[2000];

int ShowFormatted(HWND owner, UINT captionId, UINT textId, UINT flags, va_list arguments)
{
    LoadStr(captionId, g_caption);
    LoadStr(textId, g_format);
    vsnprintf(g_text, sizeof(g_text), g_format, arguments);
    return MessageBoxA(owner ? owner : GetDesktopWindow(), g_text, g_caption, flags);
}

}  // namespace

int ShowMessage(HWND owner, UINT textId, UINT flags, ...)
{
    va_list arguments;
    va_start(arguments, flags);
    int result = ShowFormatted(owner, IDS_CAPTION, textId, flags, arguments);
    va_end(arguments);
    return result;
}

int ShowMessageEx(HWND owner, UINT captionId, UINT textId, UINT flags, ...)
{
    va_list arguments;
    va_start(arguments, flags);
    int result = ShowFormatted(owner, captionId, textId, flags, arguments);
    va_end(arguments);
    return result;
}
