#include "save_version_command.h"

#include <strsafe.h>

#include "archive_file.h"
#include "file_list.h"
#include "message.h"
#include "path_util.h"
#include "progress_window.h"
#include "resource.h"
#include "safe_string.h"
#include "save_options.h"
#include "settings.h"
#include "string_res.h"
#include "wait_cursor.h"

namespace {

// What the first pass learnt about the selection.
struct SelectionFacts {
    bool someNonEmpty = false;
    bool someNewer = false;
    bool someHasArchive = false;
    bool someLacksArchive = false;
};

bool IsExcludedFile(const FileNode* node)
{
    return IsExcluded(node->path, IDS_REG_VERSION_EXCLUDE);
}

// Tests every file before anything is asked or saved. Returns false when the
// user cancelled one of the messages. With one file the messages offer OK
// only: that file cannot be saved anyway.
bool CheckFiles(FileList& selection, HWND parent, HCURSOR savedCursor, char (&titleName)[MAX_PATH],
                SelectionFacts& facts)
{
    const bool several = selection.Count() > 1;
    const UINT flags = MB_ICONHAND | (several ? MB_OKCANCEL : MB_OK);
    for (FileNode* node = selection.Head(); node; node = node->next) {
        if (IsExcludedFile(node))
            continue;
        ArchiveFile archive(node->path);
        if (!several)
            CopyText(titleName, archive.workingName);
        if (!archive.IsValid()) {
            // Nowhere to keep its versions: told once, then left out.
            SetCursor(savedCursor);
            if (archive.ReportInvalid(parent, flags) == IDCANCEL)
                return false;
            BeginWaitCursor();
            continue;
        }

        if (IsZeroLengthFile(node->path)) {
            SetCursor(savedCursor);
            if (ShowMessage(parent, IDS_ERR_ZERO_LENGTH, flags, archive.workingName) == IDCANCEL)
                return false;
            BeginWaitCursor();
        } else {
            facts.someNonEmpty = true;
        }

        int newer = archive.CompareWithLatest();
        if (newer <= 0) {
            // A damaged archive is said to be damaged, not that the file is old.
            SetCursor(savedCursor);
            int answer = newer < 0 && ArchiveFile::IsDamageStatus(-newer)
                             ? archive.ReportDamaged(parent, flags)
                             : ShowMessage(parent, IDS_ERR_NOT_NEWER, flags, node->path);
            if (answer == IDCANCEL)
                return false;
            BeginWaitCursor();
        } else {
            facts.someNewer = true;
        }

        if (archive.Exists())
            facts.someHasArchive = true;
        else
            facts.someLacksArchive = true;
    }
    return true;
}

// The comment the Version Properties dialog opens with: the next version's
// name for one file, a prompt for several.
void DefaultComment(FileList& selection, char (&comment)[129])
{
    if (selection.Count() > 1) {
        LoadStr(IDS_DEFAULT_COMMENT, comment);
        return;
    }
    ArchiveFile archive(selection.Head()->path);
    char format[100];
    LoadStr(IDS_VERSION_N, format);
    StringCchPrintfA(comment, ARRAYSIZE(comment), format, archive.VersionCounter());
}

// Saves each file that is not empty and newer than its latest version.
void SaveFiles(FileList& selection, HWND parent, const SaveOptions& options)
{
    char textFormat[100];
    char title[100];
    LoadStr(IDS_VERSIONING_FILE, textFormat);
    LoadStr(IDS_VERSIONING, title);

    ProgressWindow progress;
    if (selection.Count() > 1)
        progress.Create(parent, selection.Count(), title);

    for (FileNode* node = selection.Head(); node; node = node->next) {
        if (IsExcludedFile(node)) {
            progress.Step();   // it was counted, so the bar still moves
            continue;
        }
        char text[400];
        StringCchPrintfA(text, ARRAYSIZE(text), textFormat, node->path);
        progress.SetText(text);
        {
            ArchiveFile archive(node->path);
            // Files that fail a test were reported in the first pass.
            if (archive.IsValid() && !IsZeroLengthFile(node->path) && archive.IsWorkingFileNewer()) {
                if (archive.Exists())
                    archive.AddVersion(options.comment, options.permanent);
                else
                    archive.CreateWithFirstVersion(options.permanent, options.maxTempVersions,
                                                   options.useCompression, options.singleLocation);
            }
        }
        // This file is saved whole; the rest stay as they are.
        if (progress.IsCancelled())
            break;
        progress.Step();
    }
    progress.Destroy();
}

}  // namespace

HRESULT DoSaveVersion(FileList& selection, HWND parent, const char*, const char*, const char*, int)
{
    FolderMessageOnce folderMessage;
    HCURSOR savedCursor = BeginWaitCursor();
    selection.ExpandFolders();
    if (selection.Count() == 0) {
        SetCursor(savedCursor);
        ShowMessage(parent, IDS_ERR_NO_FILES_TO_SAVE, MB_ICONHAND | MB_OK);
        return S_OK;
    }

    char titleName[MAX_PATH];
    LoadStr(IDS_MULTIPLE_FILES, titleName);
    SelectionFacts facts;
    bool goOn = CheckFiles(selection, parent, savedCursor, titleName, facts);
    SetCursor(savedCursor);
    // Something must be worth saving: a file with content, and a file that
    // changed since its latest version.
    if (!goOn || !facts.someNonEmpty || !facts.someNewer)
        return S_OK;

    SaveOptions options;
    options.titleName = titleName;
    if (facts.someHasArchive) {
        // Files without an archive among them get one with the settings'
        // defaults and the permanent flag of this dialog.
        options.newArchive = 0;
        DefaultComment(selection, options.comment);
    } else {
        options.newArchive = 1;
        options.comment[0] = '\0';
    }
    if (options.RunDialog(parent) != IDOK)
        return S_OK;

    SaveFiles(selection, parent, options);
    return S_OK;
}
