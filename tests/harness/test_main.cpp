// Entry of every test program that links the module's code: resources come
// from the program itself, common controls are registered, and a guard closes
// any window a test leaves open.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "module.h"
#include "ui_driver.h"

int main(int argc, char** argv)
{
    g_hInstance = GetModuleHandleA(nullptr);
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    testing::InitGoogleTest(&argc, argv);
    fytest::StartStrayWindowGuard();
    return RUN_ALL_TESTS();
}
