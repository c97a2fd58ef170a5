// How long a long history takes to show: fills and sorts a version list of
// 10,000 versions in a real window and prints the times next to the time to
// read the archive header alone. Not a test; run it under Wine:
//
//   wine history_bench.exe [folder]
//
// The archive is made in the folder (default %TEMP%\fy-history-bench) on the
// first run and kept for the next.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "archive_file.h"
#include "module.h"
#include "version_list.h"

namespace {

constexpr int kVersions = 10000;
constexpr int kRepeats = 5;

VersionList* g_list = nullptr;

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DRAWITEM && g_list)
        return g_list->DrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    if (message == WM_NOTIFY && g_list) {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->hwndFrom == g_list->ListWindow() && header->code == LVN_COLUMNCLICK)
            g_list->OnColumnClick(reinterpret_cast<const NMLISTVIEW*>(lParam)->iSubItem);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

double Now()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// The median of kRepeats runs of work, in milliseconds; prepare runs before
// each, untimed.
double Median(const std::function<void()>& work, const std::function<void()>& prepare = nullptr)
{
    std::vector<double> times;
    for (int i = 0; i < kRepeats; ++i) {
        if (prepare)
            prepare();
        double start = Now();
        work();
        times.push_back(Now() - start);
    }
    std::sort(times.begin(), times.end());
    return times[kRepeats / 2];
}

bool MakeHistory(ArchiveFile& archive, const std::string& working)
{
    static const char* const kWords[] = {"draft", "Review", "final", "Typo", "layout", "Figures", "budget", "notes"};
    int have = archive.Exists() ? archive.CountVersions() : 0;
    if (have >= kVersions)
        return true;
    printf("making a history of %d versions in %s (kept for the next run)...\n", kVersions, working.c_str());
    double start = Now();
    for (int i = have; i < kVersions; ++i) {
        char content[64];
        snprintf(content, sizeof(content), "content of version %d\r\n", i + 1);
        HANDLE file = CreateFileA(working.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        DWORD written = 0;
        WriteFile(file, content, static_cast<DWORD>(strlen(content)), &written, nullptr);
        CloseHandle(file);
        // Users and comments in an order of their own, so that the text
        // columns really sort.
        snprintf(archive.userName, sizeof(archive.userName), "user%02d", (i * 7) % 23);
        char comment[64];
        snprintf(comment, sizeof(comment), "%s %d", kWords[(i * 5) % 8], (i * 7919) % 10007);
        if (i == 0) {
            if (archive.CreateWithFirstVersion(0, 32767, 0, 0) != 0)
                return false;
        } else if (!archive.AddVersion(comment, i % 10 == 0)) {
            return false;
        }
        if ((i + 1) % 1000 == 0)
            printf("  %d versions, %.0f s\n", i + 1, (Now() - start) / 1000.0);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    g_hInstance = GetModuleHandleA(nullptr);
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    std::string folder;
    if (argc > 1) {
        folder = argv[1];
    } else {
        char temp[MAX_PATH];
        GetTempPathA(sizeof(temp), temp);
        folder = std::string(temp) + "fy-history-bench";
    }
    CreateDirectoryA(folder.c_str(), nullptr);
    std::string working = folder + "\\bench.txt";
    ArchiveFile archive(working.c_str());
    if (!archive.IsValid() || !MakeHistory(archive, working)) {
        fprintf(stderr, "history_bench: could not make the history in %s\n", folder.c_str());
        return 1;
    }
    int count = archive.CountVersions();

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = HostProc;
    windowClass.hInstance = g_hInstance;
    windowClass.lpszClassName = "FyHistoryBench";
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    RegisterClassA(&windowClass);
    HWND host = CreateWindowA("FyHistoryBench", "history bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 600, 400,
                              nullptr, nullptr, g_hInstance, nullptr);
    HWND listWindow = CreateWindowA(WC_LISTVIEWA, "",
                                    WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT | LVS_OWNERDRAWFIXED |
                                        LVS_ALIGNLEFT,
                                    0, 0, 580, 360, host, reinterpret_cast<HMENU>(1026), g_hInstance, nullptr);
    VersionList list;
    g_list = &list;
    list.Attach(host, listWindow, &archive, 0);
    for (int i = 0; i < 5; ++i)
        SendMessageA(listWindow, LVM_SETCOLUMNWIDTH, i, i == 0 ? 40 : 110);

    ArchiveHeader header;
    double headerMs = Median([&] { archive.ReadHeader(&header); });
    double listMs = Median([&] {
        VersionItem* items = nullptr;
        if (archive.ListVersions(&items) >= 0)
            delete[] items;
    });
    // A fill as the page makes it: empty the list, fill it, paint it.
    double fillMs = Median([&] {
        list.Refresh();
        UpdateWindow(listWindow);
    });
    Pump();
    double byComment = Median([&] { list.SortBy(4); }, [&] { list.SortBy(1); });
    double byUser = Median([&] { list.SortBy(3); }, [&] { list.SortBy(1); });
    double byNumber = Median([&] { list.OnColumnClick(1); });
    Pump();

    printf("versions:                       %d\n", count);
    printf("read the header alone:          %8.1f ms\n", headerMs);
    printf("list the version records:       %8.1f ms\n", listMs);
    printf("fill the list (empty, fill, paint): %4.1f ms\n", fillMs);
    printf("sort by number (column click):  %8.1f ms\n", byNumber);
    printf("sort by user:                   %8.1f ms\n", byUser);
    printf("sort by comment:                %8.1f ms\n", byComment);
    printf("(median of %d runs each)\n", kRepeats);

    list.Detach();
    g_list = nullptr;
    DestroyWindow(host);
    return 0;
}
