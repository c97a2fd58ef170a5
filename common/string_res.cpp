#include "string_res.h"

#include "module.h"

int LoadStr(UINT id, char* buffer, int size)
{
    if (size <= 0)
        return 0;
    buffer[0] = '\0';
    int length = LoadStringA(g_hInstance, id, buffer, size);
    if (length <= 0) {
        buffer[0] = '\0';
        return 0;
    }
    return length;
}
