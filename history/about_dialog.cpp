#include "history_page.h"

#include "help.h"
#include "module.h"
#include "resource.h"
#include "string_res.h"

INT_PTR AboutDialog::Run(HWND owner)
{
    return RunModal(g_hInstance, IDD_ABOUT, owner);
}

BOOL AboutDialog::OnInit()
{
    static const struct {
        int control;
        UINT text;
    } kLines[] = {
        {IDC_ABOUT_PRODUCT, IDS_ABOUT_PRODUCT},     {IDC_ABOUT_VERSION, IDS_ABOUT_VERSION},
        {IDC_ABOUT_COPYRIGHT, IDS_ABOUT_COPYRIGHT}, {IDC_ABOUT_SPARE_1, IDS_ABOUT_SPARE_1},
        {IDC_ABOUT_CREDITS_1, IDS_ABOUT_CREDITS_1}, {IDC_ABOUT_CREDITS_2, IDS_ABOUT_CREDITS_2},
        {IDC_ABOUT_SPARE_2, IDS_ABOUT_SPARE_2},
    };
    for (const auto& line : kLines) {
        char text[256];
        LoadStr(line.text, text);
        SetDlgItemTextA(Window(), line.control, text);
    }

    // Centred on the parent, size unchanged.
    HWND parent = GetParent(Window());
    RECT box = {};
    RECT around = {};
    GetWindowRect(Window(), &box);
    if (parent)
        GetWindowRect(parent, &around);
    else
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &around, 0);
    int width = box.right - box.left;
    int height = box.bottom - box.top;
    int left = around.left + ((around.right - around.left) - width) / 2;
    int top = around.top + ((around.bottom - around.top) - height) / 2;
    MoveWindow(Window(), left, top, width, height, FALSE);
    return TRUE;
}

void AboutDialog::OnHelp(const HELPINFO* info)
{
    ShowContextHelp(TemplateId(), info);
}
