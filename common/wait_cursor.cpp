#include "wait_cursor.h"

HCURSOR BeginWaitCursor()
{
    return SetCursor(LoadCursor(nullptr, IDC_WAIT));
}
