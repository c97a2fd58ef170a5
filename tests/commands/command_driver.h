// Helpers for driving the commands' windows from tests: a driver thread for a
// modal dialog, a stand-in help engine, a watcher of progress windows, the
// common file dialogs, reading archives back through the store, and the
// scratch fixture the command tests share.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "file_list.h"
#include "scratch.h"
#include "settings_scope.h"
#include "ui_driver.h"
#include "working_files_test.h"

namespace fytest {

// Drives a modal dialog from a thread of its own while the test thread sits in
// its modal loop: once the dialog with the caption is up, body gets it (or the
// button is pressed). A dialog that never comes leaves the test to fail on
// what it then finds. Joined when the object goes.
class DialogDriver {
public:
    DialogDriver(std::string caption, std::function<void(HWND)> body)
        : thread_([caption, body] {
              if (HWND dialog = WaitForWindow("#32770", caption.c_str()))
                  body(dialog);
          })
    {
    }
    DialogDriver(std::string caption, int button)
        : DialogDriver(std::move(caption), [button](HWND dialog) { PressButton(dialog, button); })
    {
    }
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

// The sorted comments of the archive at archivePath.
std::vector<std::string> StoredComments(const std::string& archivePath);

// A selection built the way the shell hands it over: the paths added in order,
// so the list holds them in reverse.
void FillSelection(FileList& list, const std::vector<std::string>& paths);

// The paths of a selection from its head.
std::vector<std::string> SelectionPaths(const FileList& list);

// Empty settings (archives lie beside their files) and the scratch folder as
// drive S:, so that working files have known short paths and their archives
// literal names: S:\A.TXT is archived in S:\S$$A$TXT.fy.
class CommandTest : public WorkingFilesTest {
protected:
    void SetUp() override
    {
        if (!drive_.Mapped())
            FAIL() << "the bench needs drive S: mapped onto a scratch folder";
    }

    // Writes a working file at the root of S: and returns its full path.
    std::string MakeFile(const std::string& name, const std::string& content)
    {
        std::string path = "S:\\" + name;
        WriteFileText(path, content);
        return path;
    }

    MappedDrive drive_{'S', scratch_.Path()};
};

}  // namespace fytest
