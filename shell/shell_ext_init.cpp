// IShellExtInit: the shell hands over the selection as a CF_HDROP list.
#include "shell_ext.h"

#include <shellapi.h>

#include <new>

#include "trace.h"

namespace {

// The ANSI form of a dropped wide path, in a 260-byte field. A name the code
// page cannot spell, or one too long for the field, is tried in its short
// form; false when neither fits, so a cut or mangled path never names some
// other file.
bool ToAnsiPath(const wchar_t* wide, char (&path)[MAX_PATH])
{
    BOOL lossy = FALSE;
    int written = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, path, MAX_PATH, nullptr, &lossy);
    if (written > 0 && !lossy)
        return true;
    wchar_t shortForm[MAX_PATH];
    const DWORD length = GetShortPathNameW(wide, shortForm, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    lossy = FALSE;
    written = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, shortForm, -1, path, MAX_PATH, nullptr, &lossy);
    return written > 0 && !lossy;
}

// Adds the dropped files to the selection, each in front; the wide query reads
// ANSI and Unicode drop lists alike. Returns how many were added.
int AddDroppedFiles(HDROP drop, UINT count, FileList& selection)
{
    int added = 0;
    for (UINT index = 0; index < count; ++index) {
        const UINT length = DragQueryFileW(drop, index, nullptr, 0);
        if (length == 0)
            continue;
        wchar_t* wide = new (std::nothrow) wchar_t[length + 1];
        if (!wide)
            continue;
        char path[MAX_PATH];
        if (DragQueryFileW(drop, index, wide, length + 1) == length && ToAnsiPath(wide, path)
            && selection.AddFront(path))
            ++added;
        delete[] wide;
    }
    return added;
}

}  // namespace

STDMETHODIMP CShellExt::Initialize(PCIDLIST_ABSOLUTE /*folder*/, IDataObject* data, HKEY /*programKey*/)
{
    Trace("CShellExt::Initialize()\r\n");
    if (dataObject_) {
        dataObject_->Release();
        dataObject_ = nullptr;
    }
    if (data) {
        dataObject_ = data;
        dataObject_->AddRef();
    }
    if (!dataObject_)
        return E_FAIL;

    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    if (FAILED(dataObject_->GetData(&format, &medium)))
        return E_FAIL;
    // The medium is ours once GetData has given it; it goes back whatever
    // the list held.
    HRESULT result = E_FAIL;
    HDROP drop = medium.tymed == TYMED_HGLOBAL ? static_cast<HDROP>(medium.hGlobal) : nullptr;
    if (drop) {
        const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
        if (count > 0 && AddDroppedFiles(drop, count, selection_) > 0)
            result = S_OK;
    }
    ReleaseStgMedium(&medium);
    return result;
}
