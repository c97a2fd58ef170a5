// Loading texts from the module's string table.
#pragma once

#include <windows.h>

// Loads string id into buffer (size bytes, always terminated). A missing id
// gives the empty string. Returns the length loaded.
int LoadStr(UINT id, char* buffer, int size);

// LoadStr for a fixed array.
template <int N>
int LoadStr(UINT id, char (&buffer)[N])
{
    return LoadStr(id, buffer, N);
}
