#include "retrieve_version_dialog.h"

#include "archive_file.h"
#include "help.h"
#include "module.h"
#include "resource.h"

INT_PTR RetrieveVersionDialog::Run(HWND parent)
{
    return RunModal(g_hInstance, IDD_RETRIEVE_VERSION, parent);
}

BOOL RetrieveVersionDialog::OnInit()
{
    AttachList(IDC_RETRIEVE_LIST, 1);
    list_.Refresh();
    return TRUE;
}

void RetrieveVersionDialog::UpdateButtons()
{
    const int selected = list_.SelectedCount();
    EnableWindow(Item(IDC_RETRIEVE_VIEW), selected == 1);
    EnableWindow(Item(IDC_RETRIEVE_VIEW_MULTIPLE), selected == 2);
    EnableWindow(Item(IDC_RETRIEVE_BUTTON), selected == 1);
}

bool RetrieveVersionDialog::OnCommand(int id, int /*code*/, HWND /*control*/)
{
    switch (id) {
    case IDC_HELP_BUTTON:
        ShowHelpTopic(Window(), HELP_TOPIC_RETRIEVE_VERSION);
        return true;
    case IDC_RETRIEVE_VIEW:
        list_.ViewWithViewer(false);
        return true;
    case IDC_RETRIEVE_VIEW_MULTIPLE:
        list_.ViewWithViewer(true);
        return true;
    case IDC_RETRIEVE_BUTTON:
        // The copy reports its own failures; the dialog ends either way.
        list_.Focus();
        list_.CopySelected(destination_);
        End(1);
        return true;
    default:
        return false;
    }
}

void RetrieveVersionDialog::OnHelp(const HELPINFO* info)
{
    ShowContextHelp(IDD_RETRIEVE_VERSION, info);
}
