// Driving the commands' windows, reading archives back through the store.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "file_list.h"
#include "ui_driver.h"
#include "working_files_test.h"

namespace fytest {

// Drives a modal dialog from a thread of its own while the test thread sits
// in its modal loop; joined when the object goes.
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

// Answers a common file dialog with path, as typed into its name field.
void AnswerFileDialog(HWND dialog, const std::string& path);

// Watches the progress windows of this thread; presses Cancel as soon as a
// text line holding cancelWhenTextHas is shown, and runs onShown once when the
// first window gets its caption.
class ProgressWatcher {
public:
    explicit ProgressWatcher(const std::string& cancelWhenTextHas = std::string(),
                             std::function<void(HWND)> onShown = nullptr);
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
    std::function<void(HWND)> onShown_;
    HHOOK hook_ = nullptr;
};

struct StoredVersion {
    int number;
    int permanent;
    std::string comment;
};

// The versions in an archive, read through the store itself.
std::vector<StoredVersion> ReadStoredVersions(const std::string& archivePath);

// The same, oldest first, as "comment" or "comment (permanent)".
std::vector<std::string> History(const std::string& archivePath);

// Paths added in order, as the shell does, so the list holds them in reverse.
void FillSelection(FileList& list, const std::vector<std::string>& paths);

// The scratch folder as drive S:, so archives have literal names (S:\S$$A$TXT.fy).
class CommandTest : public WorkingFilesTest {
protected:
    void SetUp() override
    {
        if (!drive_.Mapped())
            FAIL() << "the bench needs drive S: mapped onto a scratch folder";
    }

    std::string MakeFile(const std::string& name, const std::string& content)
    {
        WriteFileText("S:\\" + name, content);
        return "S:\\" + name;
    }

    static std::vector<std::string> Listing(const std::string& folder);

    MappedDrive drive_{'S', scratch_.Path()};
};

}  // namespace fytest
