// The shell extension object: one COM object in four roles for the shell,
// with one reference count. The shell hands it the selected files
// (IShellExtInit), asks it for its context menu (IContextMenu) and for the
// history page of a file's Properties (IShellPropSheetExt), and tells it of
// folder copies and moves (ICopyHookA). Each interface lives in a file of its
// own: shell_ext_init.cpp, context_menu.cpp, property_sheet.cpp, copy_hook.cpp.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include "file_list.h"
#include "server.h"

class ArchiveFile;
class HistoryPage;

class CShellExt final : public IContextMenu,
                        public IShellExtInit,
                        public IShellPropSheetExt,
                        public ICopyHookA {
public:
    // IUnknown, shared by the four interfaces.
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IShellExtInit
    STDMETHODIMP Initialize(PCIDLIST_ABSOLUTE folder, IDataObject* data, HKEY programKey) override;

    // IContextMenu
    STDMETHODIMP QueryContextMenu(HMENU menu, UINT position, UINT firstId, UINT lastId, UINT flags) override;
    STDMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO* info) override;
    STDMETHODIMP GetCommandString(UINT_PTR offset, UINT type, UINT* reserved, CHAR* buffer,
                                  UINT size) override;

    // IShellPropSheetExt
    STDMETHODIMP AddPages(LPFNSVADDPROPSHEETPAGE addPage, LPARAM parameter) override;
    STDMETHODIMP ReplacePage(EXPPS pageId, LPFNSVADDPROPSHEETPAGE replacePage,
                             LPARAM parameter) override;

    // ICopyHookA
    STDMETHODIMP_(UINT) CopyCallback(HWND window, UINT operation, UINT flags, LPCSTR source,
                                     DWORD sourceAttributes, LPCSTR destination,
                                     DWORD destinationAttributes) override;

    // The history command: the history of the one selected file in a sheet of
    // its own. S_OK in every case.
    HRESULT DoHistory(HWND parent, const char* folder, const char* verb, const char* parameters,
                      int showCommand);

private:
    friend HRESULT CreateComObject<CShellExt>(REFIID, void**);
    CShellExt();
    ~CShellExt();

    // The page's release callback: frees the page object, which gives back
    // the reference AddPages took.
    static UINT CALLBACK PageCallback(HWND window, UINT message, PROPSHEETPAGEA* page);

    FileList selection_;
    ArchiveFile* pageArchive_ = nullptr;   // owned; made by the last AddPages
    HistoryPage* historyPage_ = nullptr;   // owned by its page, freed at its release
    int livePages_ = 0;                    // pages made by AddPages not yet released
    LONG refCount_ = 0;
    IDataObject* dataObject_ = nullptr;    // the last one handed to Initialize, held
};
