#include "file_command.h"

#include <strsafe.h>

#include "archive_file.h"
#include "destination_dialogs.h"
#include "file_list.h"
#include "message.h"
#include "path_util.h"
#include "progress_window.h"
#include "resource.h"
#include "safe_string.h"
#include "string_res.h"

namespace {

void DeleteFiles(FileList& selection, HWND window)
{
    const bool several = selection.Count() > 1;
    const UINT flags = MB_YESNO | MB_ICONEXCLAMATION;
    int answer = several ? ShowMessage(window, IDS_CONFIRM_DELETE_FILES, flags, selection.Count())
                         : ShowMessage(window, IDS_CONFIRM_DELETE_FILE, flags, selection.Head()->path);
    if (answer != IDYES)
        return;

    char title[100];
    char textFormat[100];
    LoadStr(IDS_DELETING, title);
    LoadStr(IDS_DELETING_FILE, textFormat);
    ProgressWindow progress;
    if (several)
        progress.Create(window, selection.Count(), title);

    for (FileNode* node = selection.Head(); node; node = node->next) {
        if (progress.IsCancelled())
            break;
        char text[400];
        StringCchPrintfA(text, ARRAYSIZE(text), textFormat, node->path);
        progress.SetText(text);
        // The archive's name comes from the file's short path, so the object
        // is built while the file is still there. The history goes only with
        // its file: a file that cannot be deleted (open elsewhere, no access)
        // keeps its archive. The user has just confirmed deleting it with its
        // whole history, so a read-only mark does not keep it.
        ArchiveFile archive(node->path);
        if (DeleteFileEvenReadOnly(node->path))
            archive.DeleteArchive();
        progress.Step();
    }
    progress.Destroy();
}

void MoveOrCopyFiles(FileList& selection, HWND window, const char* folder, bool move)
{
    const bool several = selection.Count() > 1;
    char destination[MAX_PATH];   // the chosen file for one, the chosen folder for several
    if (several) {
        char title[200];
        LoadStr(move ? IDS_MOVE_FILES_TITLE : IDS_COPY_FILES_TITLE, title);
        if (!AskDestinationFolder(window, title, folder, destination))
            return;
    } else {
        char format[100];
        char title[200];   // a long path is cut; the title is only shown
        LoadStr(move ? IDS_MOVE_FILE_TITLE : IDS_COPY_FILE_TITLE, format);
        StringCchPrintfA(title, ARRAYSIZE(title), format, selection.Head()->path);
        CopyText(destination, selection.Head()->path);
        if (!AskDestinationFile(window, title, folder, nullptr, destination))
            return;
    }

    char progressTitle[100];
    char textFormat[100];
    LoadStr(move ? IDS_MOVING : IDS_COPYING, progressTitle);
    LoadStr(IDS_MOVE_COPY_PROGRESS, textFormat);
    ProgressWindow progress;
    if (several)
        progress.Create(window, selection.Count(), progressTitle);

    for (FileNode* node = selection.Head(); node; node = node->next) {
        if (progress.IsCancelled())
            break;
        char sourceFolder[MAX_PATH];
        char name[MAX_PATH];
        SplitPath(node->path, sourceFolder, name);
        char text[1000];   // name, folder and destination, each under 260 bytes
        StringCchPrintfA(text, ARRAYSIZE(text), textFormat, name, sourceFolder, destination);
        progress.SetText(text);

        ArchiveFile archive(node->path);
        char target[MAX_PATH];
        if (!archive.IsValid()) {
            // Without a place for its versions the file stays where it is.
            archive.ReportInvalid(window, MB_ICONHAND | MB_OK);
        } else if (several ? JoinPath(target, destination, name) : CopyText(target, destination)) {
            // Several files: the archive layer asks before replacing anything.
            // One file: the save dialog has asked already. A file that was
            // skipped or failed does not stop the rest; Cancel at a question
            // stops the batch, files already done staying done.
            if (move)
                archive.MoveTo(target, several ? 1 : 0);
            else
                archive.CopyTo(target, several ? 1 : 0);
            if (archive.Cancelled())
                break;
        } else {
            // The name does not fit behind the chosen folder: a cut path would
            // be some other file, so this one is left where it is.
            ShowMessage(window, move ? IDS_ERR_MOVE_FAILED : IDS_ERR_COPY_FAILED, MB_ICONHAND | MB_OK, name,
                        destination);
        }
        progress.Step();
    }
    progress.Destroy();
}

}  // namespace

HRESULT DoFileCommand(FileList& selection, HWND window, const char* folder, const char* verb, const char*, int)
{
    // Only command offsets come here; a verb given by name is not one of ours.
    if (!IS_INTRESOURCE(verb) || selection.Count() == 0)
        return S_OK;
    FolderMessageOnce folderMessage;
    switch (LOWORD(reinterpret_cast<ULONG_PTR>(verb))) {
    case kFileCommandMove:
        MoveOrCopyFiles(selection, window, folder, true);
        break;
    case kFileCommandCopy:
        MoveOrCopyFiles(selection, window, folder, false);
        break;
    case kFileCommandDelete:
        DeleteFiles(selection, window);
        break;
    }
    return S_OK;
}
