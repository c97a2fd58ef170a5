// Helpers for driving the commands' windows from tests: a driver thread for a
// modal dialog, a stand-in help engine, a watcher of progress windows, the
// common file dialogs, and reading archives back through the store.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "file_list.h"

namespace fytest {

// Runs a driver on a thread of its own while the test thread sits in a modal
// loop; joined when the object goes. Every wait inside has a time limit.
class DialogDriver {
public:
    explicit DialogDriver(std::function<void()> body) : thread_(std::move(body)) {}
    ~DialogDriver() { Join(); }
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;
    void Join()
    {
        if (thread_.joinable())
            thread_.join();
    }

private:
    std::thread thread_;
};

// Waits (without pumping: for driver threads) up to timeoutMs for a visible
// dialog of this process with the caption. Null when none came.
HWND WaitForDialog(const std::string& caption, DWORD timeoutMs = 10000);

// Waits up to timeoutMs for window to be destroyed; true when it went.
bool WaitForClose(HWND window, DWORD timeoutMs = 10000);

// Polls condition every 20 ms for up to timeoutMs.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000);

bool IsChecked(HWND dialog, int controlId);
void SetChecked(HWND dialog, int controlId, bool checked);

// Types text into a control key by key, as the keyboard does (so limits on
// the control apply).
void TypeText(HWND dialog, int controlId, const std::string& text);

// Answers a common file dialog: puts path into its file-name field and
// presses OK.
void AnswerFileDialog(HWND dialog, const std::string& path);

// A stand-in for the help engine: a hidden top-level window of the class the
// help call looks for, recording every request it receives.
class FakeHelpEngine {
public:
    struct Request {
        UINT command;
        ULONG_PTR data;
        std::string file;
    };

    FakeHelpEngine();
    ~FakeHelpEngine();
    FakeHelpEngine(const FakeHelpEngine&) = delete;
    FakeHelpEngine& operator=(const FakeHelpEngine&) = delete;

    std::vector<Request> Requests() const;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND window_ = nullptr;
};

// Watches, on the thread it is made on, every progress window the code under
// test opens: its caption, the text lines in order, the bar's range and steps.
// It can press Cancel the moment a text line containing a given piece is shown,
// as a user does while that file is being worked on.
class ProgressWatcher {
public:
    explicit ProgressWatcher(const std::string& cancelWhenTextHas = std::string());
    ~ProgressWatcher();
    ProgressWatcher(const ProgressWatcher&) = delete;
    ProgressWatcher& operator=(const ProgressWatcher&) = delete;

    std::string caption;
    std::vector<std::string> texts;
    int rangeHigh = -1;
    int steps = 0;
    bool cancelPressed = false;
    bool windowSeen = false;

private:
    static LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam);
    void OnMessage(const CWPSTRUCT& message);

    std::string cancelWhenTextHas_;
    HHOOK hook_ = nullptr;
    HWND progress_ = nullptr;
};

// One version as the store lists it.
struct StoredVersion {
    int number;
    int permanent;
    std::string comment;
};

// The versions in the archive at archivePath, read through the store itself;
// empty when there is no readable archive.
std::vector<StoredVersion> ReadStoredVersions(const std::string& archivePath);

// The archive file name of workingPath (which must exist): its short full
// path with '.', ':' and '\' turned into '$', then ".fy".
std::string ArchiveNameOf(const std::string& workingPath);

// A selection built the way the shell hands it over: the paths added in order,
// so the list holds them in reverse.
void FillSelection(FileList& list, const std::vector<std::string>& paths);

// The paths of a selection from its head.
std::vector<std::string> SelectionPaths(const FileList& list);

}  // namespace fytest
