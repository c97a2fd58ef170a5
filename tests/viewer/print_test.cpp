// Printing from the viewer window to the session's PDF printer, read back with
// poppler's tools.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <thread>

#include "scratch.h"
#include "ui_driver.h"
#include "viewer_fixture.h"
#include "viewer_frame.h"
#include "viewer_libraries.h"

namespace {

// Shows bytes as version 5 of name, prints them with File, Print (OK in the
// print dialog) and returns the Unix path of the job whose name holds jobKey
// (the printer cuts long job names), or empty.
std::string PrintVersion(const fytest::ScratchFolder& scratch, const std::string& bytes, const std::string& name,
                         const std::string& jobKey)
{
    std::string file = name.substr(name.rfind('\\') + 1);
    std::string copy = scratch / (file + ".tmp");
    fytest::WriteFileText(copy, bytes);
    auto* frame = new ViewerFrame;
    EXPECT_TRUE(frame->ShowVersion(copy.c_str(), name.c_str(), 5));
    std::thread answerer([] {
        if (HWND dialog = fytest::WaitForWindow("#32770", "Print"))
            fytest::PressButton(dialog, IDOK);
    });
    SendMessageA(frame->window, WM_COMMAND, 40000, 0);   // spooled when the command returns
    answerer.join();
    SendMessageA(frame->window, WM_CLOSE, 0, 0);
    // The printer is shared with other programs: the job may wait its turn.
    std::vector<std::string> jobs;
    EXPECT_TRUE(fytest::WaitUntil([&] { return !(jobs = fytest::PdfJobsNamed(jobKey)).empty(); },
                                  90000)) << name;
    return jobs.empty() ? std::string() : jobs[0];
}

// A page's header: the window's caption (Wine's printer driver turns its
// dashes into soft hyphens) on the left, the page on the right.
void ExpectHeader(const std::string& header, const std::string& name, int page)
{
    EXPECT_LT(header.find(name), header.find("Version 5")) << header;
    EXPECT_EQ("Page " + std::to_string(page), header.substr(header.size() - 6)) << header;
}

// A page rendered by pdftoppm (binary PPM), its pixels' colours by name.
struct Raster {
    int width = 0;
    int height = 0;
    std::string pixels;

    std::string ColourAt(int x, int y) const
    {
        const auto* p = reinterpret_cast<const unsigned char*>(pixels.data() + 3 * (static_cast<size_t>(y) * width + x));
        int rgb = 0;
        for (int i = 0; i < 3; ++i) {
            if (p[i] > 200)
                rgb |= 4 >> i;
            else if (p[i] >= 60)
                return "grey";
        }
        const char* const names[8] = {"black", "blue", "green", "cyan", "red", "magenta", "yellow", "white"};
        return names[rgb];
    }
};

TEST(ViewerPrinting, TextOnHeadedPagesAndAnImageScaledToThePage)
{
    fytest::ViewerKeyScope key(fytest::ProgramFolder().c_str());
    ASSERT_TRUE(LoadViewerLibraries());
    fytest::ScratchFolder scratch;
    std::string token = fytest::PdfToken("vp");
    std::string text;
    char line[64];
    for (int i = 1; i <= 150; ++i) {
        snprintf(line, sizeof(line), "Line %03d of the printed version\r\n", i);
        text += line;
    }
    // A caption longer than the page is wide gives way in its folders.
    std::string folders = "C:\\" + token + std::string(120, 'f') + "\\";
    std::string pdf = PrintVersion(scratch, text, folders + token + "T.txt", token + "f");
    ASSERT_FALSE(pdf.empty());
    // Each page: its header, then the next lines in order.
    auto pages = fytest::PdfPages(pdf);
    ASSERT_EQ(3u, pages.size());
    int next = 1;
    for (size_t page = 0; page < pages.size(); ++page) {
        ExpectHeader(pages[page][0], token + "T.txt", static_cast<int>(page + 1));
        EXPECT_EQ(std::string::npos, pages[page][0].find(std::string(120, 'f'))) << pages[page][0];
        for (size_t row = 1; row < pages[page].size(); ++row, ++next) {
            snprintf(line, sizeof(line), "Line %03d of the printed version", next);
            EXPECT_EQ(line, pages[page][row]);
        }
    }
    EXPECT_EQ(151, next);

    // A 40 x 40 image, rendered back at 20 dpi: 170 mm of the A4 page's 210
    // (20 mm margins) is 134 dots, 16 dots in from the left, and as high.
    pdf = PrintVersion(scratch, fytest::QuadrantBitmap(40, 40), token + "I.bmp", token + "I");
    ASSERT_FALSE(pdf.empty());
    pages = fytest::PdfPages(pdf);
    ASSERT_EQ(1u, pages.size());
    ASSERT_EQ(1u, pages[0].size());
    ExpectHeader(pages[0][0], token + "I.bmp", 1);
    ASSERT_TRUE(fytest::RunUnix("pdftoppm -r 20 -singlefile '" + pdf + "' '" + pdf + "'"));
    Raster page;
    page.pixels = fytest::ReadFileText(fytest::UnixToWindows(pdf + ".ppm"));
    int start = 0;
    ASSERT_EQ(2, sscanf(page.pixels.c_str(), "P6 %d %d 255%n", &page.width, &page.height, &start));
    page.pixels.erase(0, start + 1);
    ASSERT_EQ(page.pixels.size(), static_cast<size_t>(3 * page.width * page.height));
    RECT image = {page.width, page.height, 0, 0};   // where the pixels are coloured
    for (int y = 0; y < page.height; ++y) {
        for (int x = 0; x < page.width; ++x) {
            std::string colour = page.ColourAt(x, y);
            if (colour != "white" && colour != "black" && colour != "grey")
                image = {std::min<LONG>(image.left, x), std::min<LONG>(image.top, y), std::max<LONG>(image.right, x + 1),
                         std::max<LONG>(image.bottom, y + 1)};
        }
    }
    int side = image.right - image.left;
    EXPECT_NEAR(16, image.left, 1);
    EXPECT_NEAR(134, side, 2);
    EXPECT_NEAR(side, image.bottom - image.top, 2);
    int quarter = side / 4;
    EXPECT_EQ("red", page.ColourAt(image.left + quarter, image.top + quarter));
    EXPECT_EQ("green", page.ColourAt(image.left + 3 * quarter, image.top + quarter));
    EXPECT_EQ("blue", page.ColourAt(image.left + 3 * quarter, image.top + 3 * quarter));
    EXPECT_EQ("yellow", page.ColourAt(image.left + quarter, image.top + 3 * quarter));
    UnloadViewerLibraries();
    DeleteFileA(fytest::UnixToWindows(pdf + ".ppm").c_str());
    for (const std::string& job : fytest::PdfJobsNamed(token))
        DeleteFileA(fytest::UnixToWindows(job).c_str());
}

}  // namespace
