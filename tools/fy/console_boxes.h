// Message boxes of the archive layer, turned into console lines.
//
// The archive code reports its failures and asks its questions in message
// boxes; a console program must not stop on a window nobody looks at. While a
// ConsoleBoxes object lives, every message box this thread opens is written
// to stderr ("fy: " and its text) and answered at once with its default
// button, as pressing Enter would.
#pragma once

#include <windows.h>

class ConsoleBoxes {
public:
    ConsoleBoxes();
    ~ConsoleBoxes();
    ConsoleBoxes(const ConsoleBoxes&) = delete;
    ConsoleBoxes& operator=(const ConsoleBoxes&) = delete;

    // How many boxes were turned into lines so far.
    static int Count();

private:
    HHOOK hook_ = nullptr;
};
