// ICopyHookA: the shell asks before it copies, moves, renames or deletes a
// folder. Archives travel with files only through the File commands, so every
// folder operation goes ahead.
#include "shell_ext.h"
#include "trace.h"

STDMETHODIMP_(UINT) CShellExt::CopyCallback(HWND /*window*/, UINT /*operation*/, UINT /*flags*/,
                                            LPCSTR /*source*/, DWORD /*sourceAttributes*/,
                                            LPCSTR /*destination*/, DWORD /*destinationAttributes*/)
{
    Trace("CShellExt::CopyCallback\r\n");
    return IDYES;
}
