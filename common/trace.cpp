#include "trace.h"

#include <windows.h>

void Trace(const char* line)
{
    OutputDebugStringA(line);
}
