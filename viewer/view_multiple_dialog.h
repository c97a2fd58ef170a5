// The View Multiple Versions window: two states of one working file side by
// side, each in its own viewer child. Modal and resizable; it compares
// nothing itself.
#pragma once

#include <windows.h>

#include "viewer_control.h"
#include "win/dialog.h"

class ArchiveFile;

class ViewMultipleDialog : public win::Dialog {
public:
    ViewMultipleDialog() = default;

    // Shows versions a and b of archive's working file side by side (0: the
    // working file itself), the older on the left, and returns when the
    // window closes. Both temporary copies are gone afterwards.
    static void Run(HWND parent, ArchiveFile& archive, int a, int b);

    // The order of the two panes: the left number and the right one (0 =
    // the working file).
    static void OrderVersions(int a, int b, int* left, int* right);

    // The pane rectangles (x, y, width, height) for a client area, as the
    // layout places them.
    struct PaneLayout {
        int paneWidth;
        int paneHeight;
        int paneTop;
        int rightX;
    };
    static PaneLayout ComputePanes(int width, int height, int labelHeight, int spacerHeight);

    HWND dialog = nullptr;
    ViewerControl rightViewer;
    ViewerControl leftViewer;
    char rightPath[260] = {};
    char leftPath[260] = {};
    char rightType[260] = {};
    char leftType[260] = {};
    int leftVersion = 0;
    int rightVersion = 0;
    ArchiveFile* archive = nullptr;

private:
    void Prepare(ArchiveFile& archive, int a, int b);
    void Layout(int width, int height);
    BOOL OnInit() override;
    bool OnCommand(int id, int code, HWND control) override;
    void OnHelp(const HELPINFO* info) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;
};
