// How long a large version takes to show: opens a binary version just past
// the hex dump's 64 KiB and a 64 KiB text version in the viewer window and
// prints the median times. Not a test; run it under Wine:
//
//   wine viewer_bench.exe [folder of the viewer libraries]
//
// A folder given is written to the viewer libraries' registry key, as the
// installer does; without one, the key must already name them.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "module.h"
#include "viewer_frame.h"
#include "viewer_libraries.h"

namespace {

constexpr int kRepeats = 5;

double Now()
{
    LARGE_INTEGER frequency;
    LARGE_INTEGER counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return counter.QuadPart * 1000.0 / frequency.QuadPart;
}

// The median time, in milliseconds, to show bytes as a version and paint the
// window; the viewing copy is written anew each time (the frame deletes it).
double TimeToShow(const std::string& bytes, const char* workingName)
{
    char folder[MAX_PATH];
    GetTempPathA(sizeof(folder), folder);
    std::string copy = std::string(folder) + "fy-viewer-bench.tmp";
    std::vector<double> times;
    for (int i = 0; i < kRepeats; ++i) {
        HANDLE file = CreateFileA(copy.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(file);
        double start = Now();
        auto* frame = new ViewerFrame;
        if (!frame->ShowVersion(copy.c_str(), workingName, 1))
            return -1;
        UpdateWindow(frame->window);
        times.push_back(Now() - start);
        DestroyWindow(frame->window);
    }
    std::sort(times.begin(), times.end());
    return times[kRepeats / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    g_hInstance = GetModuleHandleA(nullptr);
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    if (argc > 1)
        RegSetKeyValueA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zentrik\\Viewer\\8\\Directories", nullptr, REG_SZ, argv[1],
                        static_cast<DWORD>(strlen(argv[1]) + 1));
    if (!LoadViewerLibraries()) {
        fprintf(stderr, "viewer_bench: the viewer libraries cannot be loaded (give their folder)\n");
        return 1;
    }
    std::string binary(64 * 1024 + 100, '\0');
    std::string text;
    while (text.size() < 64 * 1024)
        text += "A line of plain text as a long document has it, one of many.\r\n";
    double binaryMs = TimeToShow(binary, "big.bin");
    printf("show a binary version of 64 KiB + 100 bytes: %8.1f ms\n", binaryMs);
    fflush(stdout);
    double textMs = TimeToShow(text, "long.txt");
    printf("show a text version of 64 KiB:               %8.1f ms\n", textMs);
    printf("(median of %d runs each)\n", kRepeats);
    UnloadViewerLibraries();
    return binaryMs < 0 || textMs < 0 ? 1 : 0;
}
