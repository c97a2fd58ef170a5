#include "history_print.h"

#include <windows.h>
#include <commdlg.h>

#include <cstdio>
#include <cstring>

#include "archive_file.h"
#include "message.h"
#include "module.h"
#include "progress_window.h"
#include "resource.h"
#include "string_res.h"
#include "version_list.h"
#include "win/handle.h"

namespace {

// One job at a time, module-wide: the abort procedure has no other way to
// reach them.
HDC g_printDc = nullptr;
int g_printCancelled = 0;
// Set for the whole of PrintHistory. The abort procedure dispatches every
// message of the thread, so the page's Print History button can be pressed
// again while a job spools; that second press must not start a second job.
bool g_printing = false;

constexpr int kMargin = 10;
constexpr int kMinUserColumn = 15;
// How often the heading asks for the number of versions while the archive
// cannot be read, and how long it waits between asks.
constexpr int kCountAttempts = 10;
constexpr DWORD kCountRetryMs = 50;

// Keeps the thread's windows alive while the printing system spools.
BOOL CALLBACK AbortProc(HDC, int)
{
    MSG msg;
    while (!g_printCancelled && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));   // the thread's own loop must see it
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return g_printCancelled ? FALSE : TRUE;
}

class PrintingScope {
public:
    PrintingScope() { g_printing = true; }
    ~PrintingScope()
    {
        g_printing = false;
        g_printDc = nullptr;
    }
    PrintingScope(const PrintingScope&) = delete;
    PrintingScope& operator=(const PrintingScope&) = delete;
};

// The number of versions for the heading. The archive was readable a moment
// ago; when another program holds it half-written, asking again a few times
// usually gets through. When it never does, the rows already read tell the
// number: printing must neither hang nor print a wrong count of -1.
int CountForHeading(const ArchiveFile& archive, int listed)
{
    for (int attempt = 0; attempt < kCountAttempts; ++attempt) {
        int count = archive.CountVersions();
        if (count >= 0)
            return count;
        Sleep(kCountRetryMs);
    }
    return listed;
}

void DrawLine(HDC dc, int line, int lineHeight, const char* text, const INT* stops, int origin)
{
    TabbedTextOutA(dc, kMargin, kMargin + line * lineHeight, text, lstrlenA(text), 4, const_cast<INT*>(stops),
                   origin);
}

}  // namespace

bool IsPrintingHistory()
{
    return g_printing;
}

void PrintHistory(VersionList& list)
{
    if (g_printing)
        return;
    PrintingScope printing;
    ArchiveFile* archive = list.Archive();
    if (!archive)
        return;

    VersionItem* items = nullptr;
    int count = archive->ListVersions(&items);
    if (count <= 0) {
        if (count == 0)
            delete[] items;
        return;
    }
    struct RowsOwner {
        VersionItem* rows;
        ~RowsOwner() { delete[] rows; }
    } rowsOwner{items};

    PRINTDLGA dialog = {};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = list.ListWindow();
    dialog.Flags = PD_RETURNDC | PD_NOSELECTION;
    dialog.hInstance = g_hInstance;
    if (!PrintDlgA(&dialog))
        return;
    win::GlobalMemory devMode(dialog.hDevMode);
    win::GlobalMemory devNames(dialog.hDevNames);
    win::Dc dc(dialog.hDC);
    if (!dc) {
        ShowMessage(list.OwnerWindow(), IDS_ERR_CANT_PRINT, MB_ICONHAND | MB_OK);
        return;
    }

    char text[400];
    ProgressWindow progress;
    LoadStr(IDS_PRINT_PROGRESS_TITLE, text);
    progress.Create(list.ListWindow(), count, text);
    LoadStr(IDS_PRINT_PROGRESS_TEXT, text);
    progress.SetText(text);

    g_printDc = dc.Get();
    g_printCancelled = 0;
    SetAbortProc(g_printDc, AbortProc);

    char format[256];
    LoadStr(IDS_PRINT_DOC_NAME, format);
    char documentName[400];
    snprintf(documentName, sizeof(documentName), format, archive->workingPath);
    DOCINFOA document = {};
    document.cbSize = sizeof(document);
    document.lpszDocName = documentName;

    int bottom = GetDeviceCaps(g_printDc, VERTRES) - kMargin;
    SetTextColor(g_printDc, RGB(0, 0, 255));
    SetMapMode(g_printDc, MM_TEXT);
    if (StartDocA(g_printDc, &document) <= 0) {
        progress.Destroy();
        return;
    }
    StartPage(g_printDc);
    TEXTMETRICA metrics = {};
    GetTextMetricsA(g_printDc, &metrics);
    int lineHeight = metrics.tmHeight > 0 ? metrics.tmHeight : 1;
    int average = metrics.tmAveCharWidth;
    int linesPerPage = bottom / lineHeight - 2;

    int longestUser = kMinUserColumn;
    for (int i = 0; i < count; ++i) {
        int length = lstrlenA(items[i].user);
        if (length > longestUser)
            longestUser = length;
    }
    INT stops[4];
    stops[0] = 12 * average;
    stops[1] = stops[0] + 7 * average;
    stops[2] = stops[1] + (lstrlenA(items[0].dateText) + 5) * average;
    stops[3] = stops[2] + (longestUser + 2) * average;

    char columns[256];
    LoadStr(IDS_PRINT_COLUMNS, columns);
    char yes[16];
    char no[16];
    LoadStr(IDS_PRINT_PERMANENT_YES, yes);
    LoadStr(IDS_PRINT_PERMANENT_NO, no);

    int line = 0;
    LoadStr(IDS_PRINT_HEADING, format);
    snprintf(text, sizeof(text), format, archive->workingName, CountForHeading(*archive, count));
    DrawLine(g_printDc, line, lineHeight, text, stops, 0);
    line += 2;
    DrawLine(g_printDc, line, lineHeight, columns, stops, kMargin);
    line += 2;

    bool aborted = false;
    for (int i = count - 1; i >= 0; --i) {
        if (progress.IsCancelled()) {
            g_printCancelled = 1;
            AbortDoc(g_printDc);
            aborted = true;
            break;
        }
        if (line > linesPerPage) {
            EndPage(g_printDc);
            StartPage(g_printDc);
            line = 0;
            DrawLine(g_printDc, line, lineHeight, columns, stops, kMargin);
            line = 2;
        }
        const VersionItem& row = items[i];
        snprintf(text, sizeof(text), "     %s\t%d\t%s\t%s\t%s", row.permanent ? yes : no, row.number, row.dateText,
                 row.user, row.comment);
        DrawLine(g_printDc, line, lineHeight, text, stops, 0);
        ++line;
        progress.Step();
    }
    if (!aborted) {
        EndPage(g_printDc);
        EndDoc(g_printDc);
    }
    progress.Destroy();
}
