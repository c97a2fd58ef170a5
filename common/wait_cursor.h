// The hourglass around slow archive work.
#pragma once

#include <windows.h>

// Sets the system hourglass and returns the cursor it replaced; the caller
// sets that one back when done.
HCURSOR BeginWaitCursor();

// Shows the hourglass for its lifetime and puts the previous cursor back.
class WaitCursor {
public:
    WaitCursor() : previous_(BeginWaitCursor()) {}
    ~WaitCursor() { SetCursor(previous_); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR previous_;
};
