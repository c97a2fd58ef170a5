// IShellPropSheetExt: the History tab in a file's Properties.
#include "shell_ext.h"

#include <prsht.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "archive_file.h"
#include "history_page.h"
#include "module.h"
#include "resource.h"
#include "safe_string.h"
#include "server.h"
#include "trace.h"

namespace {

// Shortcuts get no history of their own. The test is on the short form's
// extension, byte for byte.
bool IsShortcut(const char* path)
{
    char shortPath[MAX_PATH];
    if (GetShortPathNameA(path, shortPath, MAX_PATH) - 1 >= MAX_PATH - 1)
        CopyText(shortPath, path);
    char extension[_MAX_EXT];
    _splitpath(shortPath, nullptr, nullptr, nullptr, extension);
    return strcmp(extension, ".lnk") == 0;
}

// The page as Explorer's sheet gets it. It holds one reference to the
// extension object that made it (given back when the page object goes, by
// HistoryPage) and knows that object, to tell it the page is gone.
class ExplorerHistoryPage final : public HistoryPage {
public:
    ExplorerHistoryPage(ArchiveFile* archive, CShellExt* owner)
        : HistoryPage(archive, static_cast<IShellPropSheetExt*>(owner)), owner_(owner)
    {
    }
    CShellExt* Owner() const { return owner_; }

private:
    CShellExt* owner_;
};

}  // namespace

STDMETHODIMP CShellExt::AddPages(LPFNSVADDPROPSHEETPAGE addPage, LPARAM parameter)
{
    Trace("CShellExt::AddPages()\r\n");
    if (!addPage || selection_.Count() != 1 || IsShortcut(selection_.Head()->path))
        return S_OK;
    // A page of ours still up uses the archive object: a second call leaves
    // both alone and adds nothing.
    if (livePages_ > 0)
        return S_OK;

    delete pageArchive_;
    pageArchive_ = new (std::nothrow) ArchiveFile(selection_.Head()->path);
    if (!pageArchive_ || !pageArchive_->Exists())
        return S_OK;   // no archive, no history tab

    // The page keeps this object, and the archive it owns, alive until the
    // page object goes: it takes this reference over.
    AddRef();
    ExplorerHistoryPage* page = new (std::nothrow) ExplorerHistoryPage(pageArchive_, this);
    if (!page) {
        Release();
        return S_OK;
    }
    PROPSHEETPAGEA record;
    page->FillPage(&record, g_hInstance, IDD_HISTORY_PAGE);
    record.dwSize = PROPSHEETPAGEA_V1_SIZE;
    record.dwFlags |= PSP_HASHELP | PSP_USEREFPARENT | PSP_USECALLBACK;
    record.pfnCallback = PageCallback;
    record.pcRefParent = &g_objectCount;

    ++livePages_;
    historyPage_ = page;
    HPROPSHEETPAGE handle = CreatePropertySheetPageA(&record);
    if (!handle) {
        // Never a page: nothing will call back, so the object goes here.
        historyPage_ = nullptr;
        --livePages_;
        delete page;
        return S_OK;
    }
    // From here on only the release callback frees the page object.
    if (!addPage(handle, parameter))
        DestroyPropertySheetPage(handle);
    return S_OK;
}

STDMETHODIMP CShellExt::ReplacePage(EXPPS /*pageId*/, LPFNSVADDPROPSHEETPAGE /*replacePage*/,
                                    LPARAM /*parameter*/)
{
    Trace("CShellExt::ReplacePage()\r\n");
    return E_FAIL;
}

UINT CALLBACK CShellExt::PageCallback(HWND /*window*/, UINT message, PROPSHEETPAGEA* record)
{
    if (message != PSPCB_RELEASE || !record)
        return 1;
    auto* page = static_cast<ExplorerHistoryPage*>(reinterpret_cast<win::Dialog*>(record->lParam));
    if (!page)
        return 1;
    CShellExt* owner = page->Owner();
    if (owner->historyPage_ == page)
        owner->historyPage_ = nullptr;
    --owner->livePages_;
    delete page;   // gives back the reference AddPages took; the owner may go with it
    return 1;
}
