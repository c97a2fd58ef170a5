#include "module.h"

HINSTANCE g_hInstance = nullptr;
