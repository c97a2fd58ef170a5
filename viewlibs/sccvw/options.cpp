#include "options.h"

#include <commdlg.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "sccvw_resource.h"
#include "viewer_interface.h"
#include "win/dialog.h"

namespace sccvw {

HINSTANCE g_module;

Options& CurrentOptions()
{
    static Options options;
    return options;
}

namespace {

class DisplayOptionsDialog : public win::Dialog {
public:
    explicit DisplayOptionsDialog(Options& options) : options_(options) {}

private:
    BOOL OnInit() override
    {
        ShowFont();
        CheckDlgButton(Window(), IDC_WRAP_CHECK, options_.wrapLines ? BST_CHECKED : BST_UNCHECKED);
        return TRUE;
    }

    void ShowFont()
    {
        char text[LF_FACESIZE + 20];
        snprintf(text, sizeof(text), "%s, %d pt", options_.fontFace, options_.fontPoints);
        SetDlgItemTextA(Window(), IDC_FONT_NAME, text);
    }

    bool OnCommand(int id, int code, HWND control) override
    {
        if (id != IDC_FONT_BUTTON)
            return false;
        LOGFONTA font = {};
        HDC screen = GetDC(Window());
        font.lfHeight = -MulDiv(options_.fontPoints, GetDeviceCaps(screen, LOGPIXELSY), 72);
        ReleaseDC(Window(), screen);
        font.lfCharSet = DEFAULT_CHARSET;
        memcpy(font.lfFaceName, options_.fontFace, sizeof(font.lfFaceName));
        CHOOSEFONTA choose = {};
        choose.lStructSize = sizeof(choose);
        choose.hwndOwner = Window();
        choose.lpLogFont = &font;
        choose.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_NOVERTFONTS;
        if (ChooseFontA(&choose)) {
            memcpy(options_.fontFace, font.lfFaceName, sizeof(options_.fontFace));
            options_.fontFace[LF_FACESIZE - 1] = '\0';
            options_.fontPoints = choose.iPointSize > 0 ? choose.iPointSize / 10 : options_.fontPoints;
            ShowFont();
        }
        return true;
    }

    void OnOk() override
    {
        options_.wrapLines = IsDlgButtonChecked(Window(), IDC_WRAP_CHECK) == BST_CHECKED;
        End(IDOK);
    }

    Options& options_;
};

class PrintOptionsDialog : public win::Dialog {
public:
    explicit PrintOptionsDialog(Options& options) : options_(options) {}

private:
    BOOL OnInit() override
    {
        SetDlgItemInt(Window(), IDC_MARGIN_LEFT, static_cast<UINT>(options_.marginLeft), FALSE);
        SetDlgItemInt(Window(), IDC_MARGIN_TOP, static_cast<UINT>(options_.marginTop), FALSE);
        SetDlgItemInt(Window(), IDC_MARGIN_RIGHT, static_cast<UINT>(options_.marginRight), FALSE);
        SetDlgItemInt(Window(), IDC_MARGIN_BOTTOM, static_cast<UINT>(options_.marginBottom), FALSE);
        for (int id : {IDC_MARGIN_LEFT, IDC_MARGIN_TOP, IDC_MARGIN_RIGHT, IDC_MARGIN_BOTTOM})
            SendDlgItemMessageA(Window(), id, EM_LIMITTEXT, 3, 0);
        CheckDlgButton(Window(), IDC_HEADER_CHECK, options_.printHeader ? BST_CHECKED : BST_UNCHECKED);
        return TRUE;
    }

    void OnOk() override
    {
        const int ids[] = {IDC_MARGIN_LEFT, IDC_MARGIN_TOP, IDC_MARGIN_RIGHT, IDC_MARGIN_BOTTOM};
        int values[4];
        for (int i = 0; i < 4; ++i) {
            BOOL read = FALSE;
            UINT value = GetDlgItemInt(Window(), ids[i], &read, FALSE);
            if (!read || value > 100) {
                char text[200];
                char caption[100];
                LoadStringA(g_module, IDS_MARGIN_RANGE, text, sizeof(text));
                LoadStringA(g_module, IDS_OPTIONS_CAPTION, caption, sizeof(caption));
                MessageBoxA(Window(), text, caption, MB_OK | MB_ICONEXCLAMATION);
                SetFocus(GetDlgItem(Window(), ids[i]));
                SendDlgItemMessageA(Window(), ids[i], EM_SETSEL, 0, -1);
                return;   // stays open for a corrected number
            }
            values[i] = static_cast<int>(value);
        }
        options_.marginLeft = values[0];
        options_.marginTop = values[1];
        options_.marginRight = values[2];
        options_.marginBottom = values[3];
        options_.printHeader = IsDlgButtonChecked(Window(), IDC_HEADER_CHECK) == BST_CHECKED;
        End(IDOK);
    }

    Options& options_;
};

class ClipboardOptionsDialog : public win::Dialog {
public:
    explicit ClipboardOptionsDialog(Options& options) : options_(options) {}

private:
    BOOL OnInit() override
    {
        CheckRadioButton(Window(), IDC_PLAIN_TEXT, IDC_RICH_TEXT, options_.copyRichText ? IDC_RICH_TEXT : IDC_PLAIN_TEXT);
        return TRUE;
    }

    void OnOk() override
    {
        options_.copyRichText = IsDlgButtonChecked(Window(), IDC_RICH_TEXT) == BST_CHECKED;
        End(IDOK);
    }

    Options& options_;
};

}  // namespace

bool RunOptionsDialog(HWND owner, LPARAM which)
{
    // The dialogs work on a copy: Cancel leaves the options as they were.
    Options edited = CurrentOptions();
    INT_PTR result = -1;
    if (which == kViewerDisplayOptions) {
        DisplayOptionsDialog dialog(edited);
        result = dialog.RunModal(g_module, IDD_DISPLAY_OPTIONS, owner);
    } else if (which == kViewerPrintOptions) {
        PrintOptionsDialog dialog(edited);
        result = dialog.RunModal(g_module, IDD_PRINT_OPTIONS, owner);
    } else if (which == kViewerClipboardOptions) {
        ClipboardOptionsDialog dialog(edited);
        result = dialog.RunModal(g_module, IDD_CLIPBOARD_OPTIONS, owner);
    }
    if (result != IDOK)
        return false;
    CurrentOptions() = edited;
    return true;
}

}  // namespace sccvw
