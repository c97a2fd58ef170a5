// The viewer window: one stored version in a viewer child, with a menu for
// printing, copying and the viewer's option dialogs. It runs modeless on the
// thread that made it and frees itself when its window is destroyed.
#pragma once

#include <windows.h>

#include "viewer_control.h"

// The number of ViewerFrame objects in existence. The module stays loaded
// while it is nonzero.
extern int ViewerFrameCount;

class ViewerFrame {
public:
    // Registers the window class (once) and counts the frame.
    ViewerFrame();
    ~ViewerFrame();
    ViewerFrame(const ViewerFrame&) = delete;
    ViewerFrame& operator=(const ViewerFrame&) = delete;

    // Shows the retrieved copy at path, titled with its type, the working
    // file's name and the version. The frame must come from new: it owns
    // itself from here and deletes itself, and the copy, when its window
    // goes. FALSE when the window could not be made; the frame has then
    // deleted the copy and itself.
    BOOL ShowVersion(const char* path, const char* workingName, int version);

    HWND window = nullptr;
    ViewerControl viewer;
    char path[260] = {};
    BOOL deleteWhenClosed = FALSE;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void Layout(int width, int height);
};

// The frame's window class name.
constexpr const char kViewerFrameClass[] = "FENNORY_VIEWWND";

// Unregisters the frame class once no frame window is left; the module calls
// it before it may be unloaded.
void UnregisterViewerFrameClass();

// Builds the frame's title from the title format (string 1400), shortening
// the working file's name (never the version) to fit title (size bytes).
void ComposeViewerTitle(char* title, size_t size, const char* format, const char* typeName,
                        const char* workingName, int version);
