// Driving the module's windows from tests: find them, read and set their
// controls, press their buttons, answer their message boxes. Every wait has a
// time limit; nothing here can hang a test.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace fytest {

// Dispatches this thread's waiting messages for about ms milliseconds.
void PumpMessages(DWORD ms);

// Waits up to timeoutMs for a visible top-level window of this process with
// the given class and caption (either may be null for any), pumping this
// thread's messages while it waits, and then until its thread has served it
// (so a dialog found is initialised). Null when none appeared.
HWND WaitForWindow(const char* className, const char* caption, DWORD timeoutMs = 10000);

// Polls condition every 20 ms for up to timeoutMs, pumping this thread's
// messages meanwhile. False when it never held.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000);

// Waits until the thread that owns window has dealt with everything sent to
// it so far (it answers a WM_NULL), at most timeoutMs. False when it did not.
bool WaitUntilServed(HWND window, DWORD timeoutMs = 5000);

// SendMessage with a 5 s limit, for windows of other threads: a thread that
// does not answer fails the test and 0 comes back.
LRESULT SendWithin(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

std::string GetText(HWND window);
std::string GetControlText(HWND dialog, int controlId);
void SetControlText(HWND dialog, int controlId, const std::string& text);

// Presses a button as a user clicks it (BM_CLICK on the control). A missing,
// disabled or hidden button cannot be pressed: the test fails and false comes
// back. Posted, so it works while the dialog's own thread is in a modal loop.
bool PressButton(HWND dialog, int buttonId);

// Closes every visible top-level window of this process (dialogs get IDCANCEL,
// others WM_CLOSE). Returns how many were found.
int CloseStrayWindows();

// Which icon a message box shows.
enum class BoxIcon { None, Stop, Question, Warning, Information, Other };

// One message box as the user saw it.
struct BoxRecord {
    std::string caption;
    std::string text;
    std::vector<int> buttons;   // control ids of its buttons (IDOK, IDCANCEL, ...)
    BoxIcon icon = BoxIcon::None;
    int pressed = 0;            // the button the answerer pressed

    bool HasButtons(std::initializer_list<int> ids) const;
};

// Answers the next message boxes of this process from a second thread, in
// order: the first box gets answers[0], and so on. Each box is recorded. A
// box that does not appear within the time limit ends the answering; boxes
// beyond the list are left for the caller's own answerer or the guard.
class MessageBoxAnswerer {
public:
    explicit MessageBoxAnswerer(std::vector<int> answers, DWORD timeoutMs = 10000,
                                const char* caption = "Fennory (TM)");
    ~MessageBoxAnswerer();
    MessageBoxAnswerer(const MessageBoxAnswerer&) = delete;
    MessageBoxAnswerer& operator=(const MessageBoxAnswerer&) = delete;

    // Waits for the answering thread and returns every box it answered.
    const std::vector<BoxRecord>& Boxes();

private:
    void Run();

    std::vector<int> answers_;
    DWORD timeoutMs_;
    std::string caption_;
    std::vector<BoxRecord> boxes_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Checks a box the product showed: its caption is the product's, and its text,
// buttons (control ids, any order) and icon are the ones given.
void ExpectBox(const BoxRecord& box, const std::string& text, std::initializer_list<int> buttons, BoxIcon icon);

// For its lifetime, fails the running test the moment a message box of this
// process (or, when a caption is given, a dialog with that caption instead)
// appears, and closes it; for paths on which no such window may come.
class NoMessageBoxes {
public:
    explicit NoMessageBoxes(const char* dialogCaption = nullptr);
    ~NoMessageBoxes();
    NoMessageBoxes(const NoMessageBoxes&) = delete;
    NoMessageBoxes& operator=(const NoMessageBoxes&) = delete;

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Finds a message box of this process with the given caption now; null when
// none is open.
HWND FindMessageBox(const char* caption);

// Reads a message box's caption, text, buttons and icon.
BoxRecord ReadMessageBox(HWND box);

// Watches the whole test program from a thread of its own: a window of this
// process that stays open longer than the limit is recorded as a failure of the
// running test and closed, so a forgotten modal box never stalls the run.
void StartStrayWindowGuard(DWORD limitMs = 20000);

}  // namespace fytest
