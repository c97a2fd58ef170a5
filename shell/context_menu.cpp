// IContextMenu: the "Fennory" popup with its save, history and File items,
// their help texts, and the dispatch of the chosen one.
#include "shell_ext.h"

#include "archive_file.h"
#include "file_command.h"
#include "history_sheet.h"
#include "resource.h"
#include "save_version_command.h"
#include "settings.h"
#include "string_res.h"
#include "trace.h"

namespace {

// Offsets from the first command id the shell grants.
enum MenuOffset : UINT {
    kOffsetSave = 0,
    kOffsetHistory = 1,
    kOffsetMove = 2,
    kOffsetCopy = 3,
    kOffsetDelete = 4,
    kOffsetCount = 5
};

const UINT kHelpTexts[kOffsetCount] = {IDS_MENU_SAVE_HELP, IDS_MENU_HISTORY_HELP, IDS_MENU_MOVE_HELP,
                                       IDS_MENU_COPY_HELP, IDS_MENU_DELETE_HELP};

// What the items depend on, gathered in one walk over the selection.
struct MenuFacts {
    bool someArchive = false;
    bool someFolder = false;
    bool someExcluded = false;
    bool someIncluded = false;
};

MenuFacts LookAtSelection(const FileList& selection)
{
    MenuFacts facts;
    for (const FileNode* node = selection.Head(); node; node = node->next) {
        ArchiveFile archive(node->path);
        if (archive.Exists())
            facts.someArchive = true;
        if (FileList::IsFolder(node))
            facts.someFolder = true;
        if (IsExcluded(node->path, IDS_REG_VERSION_EXCLUDE))
            facts.someExcluded = true;
        else
            facts.someIncluded = true;
    }
    return facts;
}

bool AppendItem(HMENU menu, UINT flags, UINT_PTR id, UINT textId)
{
    char text[256];
    LoadStr(textId, text);
    return AppendMenuA(menu, MF_STRING | flags, id, text) != FALSE;
}

UINT Greyed(bool enabled)
{
    return enabled ? MF_ENABLED : MF_GRAYED;
}

}  // namespace

STDMETHODIMP CShellExt::QueryContextMenu(HMENU menu, UINT position, UINT firstId, UINT lastId, UINT flags)
{
    Trace("CShellExt::QueryContextMenu()\r\n");
    if (flags & (CMF_DEFAULTONLY | CMF_VERBSONLY))
        return MAKE_HRESULT(SEVERITY_SUCCESS, FACILITY_NULL, 0);
    // Ids beyond the granted range belong to someone else: without room for
    // all five, nothing is added.
    if (!menu || lastId < firstId || lastId - firstId < kOffsetCount - 1)
        return MAKE_HRESULT(SEVERITY_SUCCESS, FACILITY_NULL, 0);

    DWORD versioning = 0;
    ReadSettingDword(IDS_REG_ENABLE_VERSION_CONTROL, &versioning);
    const MenuFacts facts = LookAtSelection(selection_);
    const bool saveEnabled = versioning && (facts.someIncluded || facts.someFolder);
    const bool fileEnabled = versioning && !facts.someExcluded && facts.someArchive && !facts.someFolder;
    const bool historyEnabled =
        versioning && selection_.Count() == 1 && facts.someArchive && !facts.someFolder;

    if (saveEnabled || historyEnabled || fileEnabled) {
        HMENU popup = CreatePopupMenu();
        HMENU fileMenu = CreatePopupMenu();
        bool built = popup && fileMenu;
        built = built && AppendItem(popup, Greyed(saveEnabled), firstId + kOffsetSave, IDS_MENU_SAVE);
        built = built && AppendItem(popup, Greyed(historyEnabled), firstId + kOffsetHistory, IDS_MENU_HISTORY);
        built = built && AppendItem(fileMenu, 0, firstId + kOffsetMove, IDS_MENU_MOVE);
        built = built && AppendItem(fileMenu, 0, firstId + kOffsetCopy, IDS_MENU_COPY);
        built = built && AppendItem(fileMenu, 0, firstId + kOffsetDelete, IDS_MENU_DELETE);
        // From here on the popup owns the submenu.
        built = built && AppendItem(popup, MF_POPUP | Greyed(fileEnabled), reinterpret_cast<UINT_PTR>(fileMenu),
                                    IDS_MENU_FILE);
        if (built) {
            fileMenu = nullptr;
            char text[256];
            LoadStr(IDS_MENU_FENNORY, text);
            if (InsertMenuA(menu, position, MF_BYPOSITION | MF_POPUP | MF_STRING,
                            reinterpret_cast<UINT_PTR>(popup), text))
                popup = nullptr;   // the shell's menu owns it now
        }
        if (fileMenu)
            DestroyMenu(fileMenu);
        if (popup)
            DestroyMenu(popup);
    }
    return MAKE_HRESULT(SEVERITY_SUCCESS, FACILITY_NULL, kOffsetCount);
}

STDMETHODIMP CShellExt::InvokeCommand(CMINVOKECOMMANDINFO* info)
{
    Trace("CShellExt::InvokeCommand()\r\n");
    if (!info || HIWORD(reinterpret_cast<UINT_PTR>(info->lpVerb)) != 0)
        return E_INVALIDARG;
    HWND window = info->hwnd;
    switch (LOWORD(reinterpret_cast<UINT_PTR>(info->lpVerb))) {
    case kOffsetSave:
        return DoSaveVersion(selection_, window, info->lpDirectory, info->lpVerb, info->lpParameters, info->nShow);
    case kOffsetHistory:
        return DoHistory(window, info->lpDirectory, info->lpVerb, info->lpParameters, info->nShow);
    case kOffsetMove:
    case kOffsetCopy:
    case kOffsetDelete:
        return DoFileCommand(selection_, window, info->lpDirectory, info->lpVerb, info->lpParameters, info->nShow);
    default:
        return E_INVALIDARG;
    }
}

// Only the ANSI help texts are given; every other request leaves the buffer
// as it was and still succeeds.
STDMETHODIMP CShellExt::GetCommandString(UINT_PTR offset, UINT type, UINT* /*reserved*/, CHAR* buffer, UINT size)
{
    Trace("CShellExt::GetCommandString()\r\n");
    if (type == GCS_HELPTEXTA && offset < kOffsetCount && buffer && size > 0)
        LoadStr(kHelpTexts[offset], buffer, static_cast<int>(size));
    return S_OK;
}

HRESULT CShellExt::DoHistory(HWND parent, const char* /*folder*/, const char* /*verb*/,
                             const char* /*parameters*/, int /*showCommand*/)
{
    if (selection_.Count() == 1)
        ShowFileHistory(parent, selection_.Head()->path);
    return S_OK;
}
