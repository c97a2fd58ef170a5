#include "printing.h"

#include <commdlg.h>

#include <cstdio>

#include "options.h"
#include "sccvw_resource.h"
#include "win/handle.h"

namespace sccvw {

namespace {

// Millimetres to device pixels along one axis.
int MillimetresToPixels(int millimetres, int dotsPerInch)
{
    return MulDiv(millimetres, dotsPerInch * 10, 254);
}

std::wstring ExpandTabs(const std::wstring& line)
{
    std::wstring out;
    for (wchar_t c : line) {
        if (c == L'\t')
            out.append(8 - out.size() % 8, L' ');
        else if (c != L'\r' && c != L'\f')
            out.push_back(c);
    }
    return out;
}

}  // namespace

void BreakLines(HDC dc, const std::wstring& text, int width, std::vector<std::wstring>* lines)
{
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos)
            end = text.size();
        std::wstring line = ExpandTabs(text.substr(start, end - start));
        do {
            int fit = 0;
            SIZE extent;
            GetTextExtentExPointW(dc, line.c_str(), static_cast<int>(line.size()), width, &fit, nullptr, &extent);
            if (fit >= static_cast<int>(line.size())) {
                lines->push_back(line);
                break;
            }
            if (fit < 1)
                fit = 1;
            size_t cut = static_cast<size_t>(fit);
            size_t blank = line.rfind(L' ', cut);
            if (blank != std::wstring::npos && blank > cut / 2)
                cut = blank + 1;
            lines->push_back(line.substr(0, cut));
            line.erase(0, cut);
        } while (!line.empty());
        if (end == text.size())
            break;
        start = end + 1;
    }
}

bool PrintContent(HWND owner, const Content& content, const char* docName)
{
    PRINTDLGA choice = {};
    choice.lStructSize = sizeof(choice);
    choice.hwndOwner = owner;
    choice.Flags = PD_RETURNDC | PD_NOSELECTION | PD_NOPAGENUMS | PD_USEDEVMODECOPIESANDCOLLATE;
    if (!PrintDlgA(&choice))
        return false;
    win::GlobalMemory devMode(choice.hDevMode);
    win::GlobalMemory devNames(choice.hDevNames);
    win::Dc dc(choice.hDC);
    if (!dc)
        return false;

    const Options& options = CurrentOptions();
    int dpiX = GetDeviceCaps(dc.Get(), LOGPIXELSX);
    int dpiY = GetDeviceCaps(dc.Get(), LOGPIXELSY);
    int pageWidth = GetDeviceCaps(dc.Get(), PHYSICALWIDTH);
    int pageHeight = GetDeviceCaps(dc.Get(), PHYSICALHEIGHT);
    int offsetX = GetDeviceCaps(dc.Get(), PHYSICALOFFSETX);
    int offsetY = GetDeviceCaps(dc.Get(), PHYSICALOFFSETY);
    if (pageWidth <= 0 || pageHeight <= 0) {
        pageWidth = GetDeviceCaps(dc.Get(), HORZRES);
        pageHeight = GetDeviceCaps(dc.Get(), VERTRES);
        offsetX = offsetY = 0;
    }
    // The printable box in the device's coordinates (its origin is the
    // printable area's corner, offset from the paper's).
    RECT box;
    box.left = MillimetresToPixels(options.marginLeft, dpiX) - offsetX;
    box.top = MillimetresToPixels(options.marginTop, dpiY) - offsetY;
    box.right = pageWidth - MillimetresToPixels(options.marginRight, dpiX) - offsetX;
    box.bottom = pageHeight - MillimetresToPixels(options.marginBottom, dpiY) - offsetY;
    if (box.left < 0)
        box.left = 0;
    if (box.top < 0)
        box.top = 0;
    if (box.right - box.left < dpiX || box.bottom - box.top < dpiY)
        return false;   // margins that leave less than an inch: nothing sensible fits

    win::Font font(CreateFontA(-MulDiv(options.fontPoints, dpiY, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                               DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                               FIXED_PITCH | FF_MODERN, options.fontFace));
    win::SelectObjectScope selected(dc.Get(), font.Get());
    TEXTMETRICA metrics;
    GetTextMetricsA(dc.Get(), &metrics);
    int lineHeight = metrics.tmHeight + metrics.tmExternalLeading;
    if (lineHeight <= 0)
        return false;

    DOCINFOA document = {};
    document.cbSize = sizeof(document);
    document.lpszDocName = docName;
    if (StartDocA(dc.Get(), &document) <= 0)
        return false;

    int bodyTop = box.top + (options.printHeader ? 2 * lineHeight : 0);
    char pageFormat[50];
    LoadStringA(g_module, IDS_PAGE, pageFormat, sizeof(pageFormat));
    int pageNumber = 0;
    bool ok = true;
    auto startPage = [&]() {
        ++pageNumber;
        ok = ok && StartPage(dc.Get()) > 0;
        if (!ok || !options.printHeader)
            return;
        SetTextAlign(dc.Get(), TA_LEFT | TA_TOP);
        char page[64];
        snprintf(page, sizeof(page), pageFormat, pageNumber);
        SIZE extent;
        GetTextExtentPoint32A(dc.Get(), page, lstrlenA(page), &extent);
        TextOutA(dc.Get(), box.right - extent.cx, box.top, page, lstrlenA(page));
        // A long caption gives way in its folder part, so the file name and
        // the version number at its end stay readable beside the page number.
        RECT title = {box.left, box.top, box.right - extent.cx - lineHeight, box.top + lineHeight};
        DrawTextA(dc.Get(), docName, -1, &title, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_PATH_ELLIPSIS);
        int rule = box.top + lineHeight + lineHeight / 3;
        MoveToEx(dc.Get(), box.left, rule, nullptr);
        LineTo(dc.Get(), box.right, rule);
    };

    if (content.kind == ContentKind::Image && content.image.width > 0) {
        startPage();
        if (ok) {
            int areaWidth = box.right - box.left;
            int areaHeight = box.bottom - bodyTop;
            double scale = static_cast<double>(areaWidth) / content.image.width;
            if (content.image.height * scale > areaHeight)
                scale = static_cast<double>(areaHeight) / content.image.height;
            BITMAPINFO info = {};
            info.bmiHeader.biSize = sizeof(info.bmiHeader);
            info.bmiHeader.biWidth = static_cast<LONG>(content.image.width);
            info.bmiHeader.biHeight = -static_cast<LONG>(content.image.height);
            info.bmiHeader.biPlanes = 1;
            info.bmiHeader.biBitCount = 32;
            info.bmiHeader.biCompression = BI_RGB;
            StretchDIBits(dc.Get(), box.left, bodyTop, static_cast<int>(content.image.width * scale),
                          static_cast<int>(content.image.height * scale), 0, 0, static_cast<int>(content.image.width),
                          static_cast<int>(content.image.height), content.image.pixels.data(), &info, DIB_RGB_COLORS,
                          SRCCOPY);
            ok = EndPage(dc.Get()) > 0;
        }
    } else {
        std::vector<std::wstring> lines;
        BreakLines(dc.Get(), content.text, box.right - box.left, &lines);
        while (!lines.empty() && lines.back().empty())
            lines.pop_back();   // no page of blank lines at the end
        int perPage = (box.bottom - bodyTop) / lineHeight;
        if (perPage < 1)
            perPage = 1;
        size_t index = 0;
        do {
            startPage();
            if (!ok)
                break;
            for (int row = 0; row < perPage && index < lines.size(); ++row, ++index) {
                const std::wstring& line = lines[index];
                if (!line.empty())
                    TextOutW(dc.Get(), box.left, bodyTop + row * lineHeight, line.c_str(), static_cast<int>(line.size()));
            }
            ok = EndPage(dc.Get()) > 0;
        } while (ok && index < lines.size());
    }
    if (!ok) {
        AbortDoc(dc.Get());
        return false;
    }
    return EndDoc(dc.Get()) > 0;
}

}  // namespace sccvw
