// What the history page and the Retrieve Version dialog share: one archive's
// version list, drawn and sorted by the window that holds it, its buttons
// following the selection, and its rows reloaded when the archive changes on
// disk (another program saved, deleted or trimmed).
#pragma once

#include <windows.h>

#include "version_list.h"
#include "win/dialog.h"

class ArchiveFile;

class VersionListDialog : public win::Dialog {
public:
    // How often the archive's write time is looked at.
    static constexpr UINT kWatchPeriodMs = 500;

protected:
    explicit VersionListDialog(ArchiveFile* archive) : archive_(archive) {}

    // Attaches the list control and starts watching the archive.
    void AttachList(int listId, int readOnly);

    // Whether the rows show the archive as it is on disk now.
    bool InStep() const;
    // After the window's own change, which its rows already show: the watch
    // need not reload them (a reload would drop the user's next selection).
    void KeepInStep();

    // Reloads the rows when the archive's write time moved. An archive that
    // cannot be read keeps the old time, so the next tick tries again.
    virtual void Watch();
    // After a reload by the watch, before the buttons are updated.
    virtual void OnReloaded(bool /*readable*/) {}
    // Enables the buttons that fit the selection.
    virtual void UpdateButtons() = 0;

    // The list's own notifications: a click updates the buttons, a column
    // header sorts. False for anything else.
    bool OnNotify(NMHDR* header, LRESULT* result) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;
    void OnDestroy() override;

    ArchiveFile* archive_;
    VersionList list_;
    FILETIME lastChange_ = {};

private:
    UINT_PTR timer_ = 0;
};
