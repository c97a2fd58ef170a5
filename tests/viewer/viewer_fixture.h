// What the viewer and history tests share: the viewer libraries' registry key
// pointed at a folder, the viewing copies, reading a viewer child back, and the
// jobs of the session's PDF printer read back as text.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "run_program.h"

namespace fytest {

// Points HKLM\SOFTWARE\Zentrik\Viewer\8\Directories at folder (removes the key
// when folder is null) and puts the former value back when the scope ends.
class ViewerKeyScope {
public:
    explicit ViewerKeyScope(const char* folder);
    ~ViewerKeyScope();
    ViewerKeyScope(const ViewerKeyScope&) = delete;
    ViewerKeyScope& operator=(const ViewerKeyScope&) = delete;

private:
    std::string previous_;   // "(missing)" when there was none
};

// Names of the "FY#" files in the temporary folder, sorted, joined by '|'.
std::string ViewingCopies();
// The viewer child's text control (a RichEdit), or null.
HWND TextControlOf(HWND viewer);
// What a viewer child's text control shows, as UTF-8, line ends as "\n".
std::string ViewerText(HWND viewer);
// The clipboard's Unicode text as UTF-8, or "<empty>".
std::string ClipboardText();

// A name for print jobs that no earlier run and no other test uses (the
// printer's folder outlives the runs, and Wine's process ids come round again).
std::string PdfToken(const char* what);
// The Unix paths of the printed jobs whose file name holds token.
std::vector<std::string> PdfJobsNamed(const std::string& token);
// Runs a shell command line on the Unix side and waits for it (at most 20 s);
// true when it succeeded.
bool RunUnix(const std::string& command);
// The Windows form of a Unix path.
std::string UnixToWindows(const std::string& unixPath);
// A job's text page by page, as `pdftotext -layout` lays it out, blank lines
// left out; a blank page is an empty page.
std::vector<std::vector<std::string>> PdfPages(const std::string& pdf);
// The words of a printed line.
std::vector<std::string> Words(const std::string& line);

}  // namespace fytest
