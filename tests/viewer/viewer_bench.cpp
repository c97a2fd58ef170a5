#include "viewer_bench.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace fytest {

namespace {

const char kKey[] = "SOFTWARE\\Zentrik\\Viewer\\8\\Directories";

std::string Utf8(const std::wstring& wide)
{
    if (wide.empty())
        return std::string();
    int length = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                     nullptr);
    std::string out(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), static_cast<int>(wide.size()), &out[0], length, nullptr, nullptr);
    return out;
}

std::string UnifyLineEnds(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out.push_back('\n');
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

}  // namespace

ViewerKeyScope::ViewerKeyScope(const char* folder)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
        hadKey_ = true;
        char value[1024];
        DWORD size = sizeof(value) - 1;
        if (RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS) {
            value[size] = '\0';
            hadValue_ = true;
            previous_ = value;
        }
        RegCloseKey(key);
    }
    if (!folder) {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kKey);
        return;
    }
    LONG created = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    EXPECT_EQ(ERROR_SUCCESS, created) << "the viewer key cannot be set";
    if (created != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(folder), static_cast<DWORD>(strlen(folder) + 1));
    RegCloseKey(key);
}

ViewerKeyScope::~ViewerKeyScope()
{
    if (!hadKey_) {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kKey);
        return;
    }
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    if (hadValue_)
        RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(previous_.c_str()),
                       static_cast<DWORD>(previous_.size() + 1));
    else
        RegDeleteValueA(key, nullptr);
    RegCloseKey(key);
}

std::string ProgramFolder()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\'));
}

std::string ViewingCopies()
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof(temp), temp);
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((std::string(temp) + "FY#*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do
            names.push_back(found.cFileName);
        while (FindNextFileA(search, &found));
        FindClose(search);
    }
    std::sort(names.begin(), names.end());
    std::string joined;
    for (const std::string& name : names)
        joined += name + "|";
    return joined;
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file) << path;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_EQ(bytes.size(), written);
}

HWND TextControlOf(HWND viewer)
{
    return FindWindowExA(viewer, nullptr, "RichEdit20W", nullptr);
}

std::string ViewerText(HWND viewer)
{
    HWND edit = TextControlOf(viewer);
    if (!edit)
        return "<no text control>";
    int length = static_cast<int>(SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0));
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(edit, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(wcslen(text.c_str()));
    return UnifyLineEnds(Utf8(text));
}

std::string ClipboardText()
{
    std::string text = "<empty>";
    if (!OpenClipboard(nullptr))
        return "<no clipboard>";
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (auto* wide = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = UnifyLineEnds(Utf8(wide));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

std::string QuadrantBitmap(int width, int height)
{
    int rowSize = (width * 3 + 3) & ~3;
    std::string bmp;
    auto put32 = [&](uint32_t value) { bmp.append(reinterpret_cast<const char*>(&value), 4); };
    auto put16 = [&](uint16_t value) { bmp.append(reinterpret_cast<const char*>(&value), 2); };
    bmp += "BM";
    put32(static_cast<uint32_t>(54 + rowSize * height));
    put32(0);
    put32(54);
    put32(40);
    put32(static_cast<uint32_t>(width));
    put32(static_cast<uint32_t>(height));
    put16(1);
    put16(24);
    put32(0);
    put32(static_cast<uint32_t>(rowSize * height));
    put32(2835);
    put32(2835);
    put32(0);
    put32(0);
    for (int row = height - 1; row >= 0; --row) {   // bottom-up
        std::string line;
        for (int x = 0; x < width; ++x) {
            bool top = row < height / 2;
            bool left = x < width / 2;
            // Blue, green, red byte order.
            const char* bgr = top ? (left ? "\x00\x00\xFF" : "\x00\xFF\x00") : (left ? "\x00\xFF\xFF" : "\xFF\x00\x00");
            line.append(bgr, 3);
        }
        line.resize(static_cast<size_t>(rowSize), '\0');
        bmp += line;
    }
    return bmp;
}

COLORREF WindowPixel(HWND window, int x, int y)
{
    HDC dc = GetDC(window);
    COLORREF color = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return color;
}

}  // namespace fytest
