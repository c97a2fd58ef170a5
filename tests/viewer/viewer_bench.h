// The viewer tests' bench: the viewer libraries' registry key pointed at a
// folder for one test, the libraries' folder, the viewing copies in the
// temporary folder, and reading a viewer child back.
#pragma once

#include <windows.h>

#include <string>

namespace fytest {

// Sets the default value of HKLM\SOFTWARE\Zentrik\Viewer\8\Directories to
// folder (or removes the key when folder is null) and puts back what was
// there when the scope ends.
class ViewerKeyScope {
public:
    explicit ViewerKeyScope(const char* folder);
    ~ViewerKeyScope();
    ViewerKeyScope(const ViewerKeyScope&) = delete;
    ViewerKeyScope& operator=(const ViewerKeyScope&) = delete;

private:
    bool hadKey_ = false;
    bool hadValue_ = false;
    std::string previous_;
};

// The folder the test program and the built libraries lie in.
std::string ProgramFolder();

// Names of the "FY#" files in the temporary folder, sorted, joined by '|'.
std::string ViewingCopies();

// Writes bytes to path as they are.
void WriteBytes(const std::string& path, const std::string& bytes);

// The viewer child's text control (a RichEdit), or null.
HWND TextControlOf(HWND viewer);

// What a viewer child's text control shows, as UTF-8, line ends as "\n".
std::string ViewerText(HWND viewer);

// The clipboard's Unicode text as UTF-8, or "<empty>".
std::string ClipboardText();

// A 24-bit bottom-up BMP of width x height whose quadrants are, from the top
// left clockwise, red, green, blue and yellow.
std::string QuadrantBitmap(int width, int height);

// The colour at a point of a window's client area, as the screen shows it.
COLORREF WindowPixel(HWND window, int x, int y);

}  // namespace fytest
