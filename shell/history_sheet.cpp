#include "history_sheet.h"

#include <prsht.h>

#include <cstdio>

#include "archive_file.h"
#include "history_page.h"
#include "module.h"
#include "resource.h"
#include "server.h"
#include "string_res.h"

INT_PTR ShowHistorySheet(HistoryPage& page, const ArchiveFile& archive, HWND parent)
{
    char format[100];
    LoadStr(IDS_HISTORY_TITLE, format);
    char title[400];   // the format and a 260-byte name
    snprintf(title, sizeof(title), format, archive.workingName);

    // One sheet per title: the user is sent to the one already open.
    if (HWND open = FindWindowA("#32770", title)) {
        SetForegroundWindow(open);
        SetFocus(open);
        return 2;
    }

    PROPSHEETPAGEA record;
    page.FillPage(&record, g_hInstance, IDD_HISTORY_PAGE);
    record.dwSize = PROPSHEETPAGEA_V1_SIZE;
    record.dwFlags |= PSP_HASHELP | PSP_USEREFPARENT;
    record.pcRefParent = &g_objectCount;

    PROPSHEETHEADERA header = {};
    header.dwSize = PROPSHEETHEADERA_V1_SIZE;
    header.dwFlags = PSH_PROPSHEETPAGE;
    header.hwndParent = parent;
    header.hInstance = g_hInstance;
    header.pszCaption = title;
    header.nPages = 1;
    header.nStartPage = 0;
    header.ppsp = &record;
    return PropertySheetA(&header);
}

void ShowFileHistory(HWND parent, const char* path)
{
    ArchiveFile archive(path);
    HistoryPage page(&archive, nullptr);
    ShowHistorySheet(page, archive, parent);
}
