// The interface between a program and the viewer libraries: the messages the
// display library's "SCCVIEWER" windows answer, the records those messages
// carry, the redirected-reading callbacks a program may hand the viewer, and
// the entry points of the identification library and the Plexa converter.
//
// Layouts: the 32-bit build is the reference. On 64-bit Windows every pointer
// field is pointer-sized at its natural alignment, so records that hold one
// grow; docs/records.md gives both layouts.
#pragma once

#include <windows.h>

#include <cstddef>

// ---- Messages to an "SCCVIEWER" window ----------------------------------------
constexpr UINT kViewerSetOption = 2074;     // lParam: ViewerOptionRecord*
constexpr UINT kViewerViewFile = 2076;      // lParam: ViewFileRecord*
constexpr UINT kViewerCloseFile = 2025;     // close the file shown
constexpr UINT kViewerCopy = 2028;          // copy the selection to the clipboard
constexpr UINT kViewerPrint = 2049;         // wParam: owner window of the print dialog
constexpr UINT kViewerOptionsDialog = 2082; // lParam: one of the dialog ids below
// ---- Message from an "SCCVIEWER" window to its parent ---------------------------
constexpr UINT kViewerKeyNotify = 2149;     // lParam: virtual-key code; nonzero answer: key consumed

constexpr LPARAM kViewerDisplayOptions = 0x83A9D;
constexpr LPARAM kViewerPrintOptions = 0x83A9A;
constexpr LPARAM kViewerClipboardOptions = 0x83AA2;

// The option set with kViewerSetOption: parent notifications.
constexpr DWORD kViewerOptionNotify = 0x52A31;
constexpr DWORD kViewerNotifyKeys = 0x1;        // report key presses to the parent (2149)
constexpr DWORD kViewerNotifyKeepSelection = 0x2; // keep the selection visible without focus

constexpr const char kViewerClassName[] = "SCCVIEWER";

// ---- Records --------------------------------------------------------------------
struct ViewerOptionRecord {
    DWORD size;       // sizeof(ViewerOptionRecord)
    DWORD option;     // kViewerOptionNotify
    DWORD message;    // kViewerSetOption
    DWORD* value;     // the option's value
};

// Kinds of file reference.
constexpr DWORD kRefPath = 2;        // a narrow path string
constexpr DWORD kRefRedirected = 13; // a RedirectedFile

struct ViewFileRecord {
    DWORD size;              // sizeof(ViewFileRecord)
    DWORD fileRefKind;          // kRefPath or kRefRedirected
    void* fileRef;              // the path, or the RedirectedFile
    DWORD zero1;
    DWORD zero2;
    char unused[260];
    DWORD deleteWhenClosed;  // the file is a temporary copy the viewer may delete when done
    DWORD zero3;
    DWORD zero4;
    DWORD zero5;
};

// The handle of a redirected file is the address of its RedirectedFile.
using RedirectHandle = ULONG_PTR;

extern "C" {
typedef int (*RedirectCloseProc)(RedirectHandle file);
typedef int (*RedirectReadProc)(RedirectHandle file, unsigned char* buffer, unsigned long wanted, unsigned long* read);
typedef int (*RedirectSeekProc)(RedirectHandle file, unsigned short origin, long offset);
typedef int (*RedirectTellProc)(RedirectHandle file, unsigned long* position);
typedef int (*RedirectInfoProc)(RedirectHandle file, unsigned long id, void* data);
}

// Statuses of the callbacks.
constexpr int kRedirectOk = 0;
constexpr int kRedirectNoStream = -4;
constexpr int kRedirectEnd = -9;
constexpr int kRedirectNoInfo = -7;
constexpr int kRedirectNotSupported = -10;

// Information ids of the information callback.
constexpr unsigned long kInfoFileName = 3;     // data: char buffer of at least 256 bytes
constexpr unsigned long kInfoFileSize = 4;
constexpr unsigned long kInfoFurtherFile = 15; // data: FurtherFileRecord*

constexpr size_t kRedirectPathSize = 256;      // paths in the block: at most 255 characters

struct RedirectedFile {
    RedirectCloseProc close;
    RedirectReadProc read;
    void* reserved1;
    RedirectSeekProc seek;
    RedirectTellProc tell;
    RedirectInfoProc info;
    void* reserved2;
    BYTE zero[20];
    void* stream;                        // FILE* of the file read, null when none
    char sourcePath[kRedirectPathSize];  // the file the viewer was asked to show
    char tempPath[kRedirectPathSize];    // its temporary text rendition, or empty
    DWORD deleteSource;                  // remove the source file at close
    HGLOBAL memory;                      // this block's memory, for its release
};

// The record of an information request for a further file (id 15): the viewer
// names the file; on success the callback fills in the kind and the block.
struct FurtherFileRecord {
    DWORD size;
    const char* name;   // the further file's name, relative to the document
    DWORD fileRefKind;     // out: kRefRedirected
    void* fileRef;         // out: the new RedirectedFile
};

// In a text document, a line that starts with this character names a further
// file whose text the viewer shows in the line's place.
constexpr char kFurtherFileMark = '\x1E';

// ---- Identification and conversion ---------------------------------------------
constexpr WORD kTypeUnknown = 1999;

extern "C" {
// Identifies the file named by fileRef (fileRefKind 2: a path). Fills *typeId and
// the type's display name (cut to nameSize). 0, or negative on failure.
typedef short(WINAPI* FIIdFileExProc)(DWORD fileRefKind, const char* fileRef, DWORD flags, WORD* typeId, char* name,
                                      DWORD nameSize);
// Nonzero when path is a Plexa document.
typedef int(WINAPI* IsPlFileProc)(const char* path);
// Writes the plain-text rendition of a Plexa document into target (an
// existing file, overwritten). Nonzero when written.
typedef int(WINAPI* ConvertPlToTextProc)(const char* source, const char* target);
}

#if !defined(_WIN64)
// The 32-bit layouts are fixed.
static_assert(sizeof(ViewerOptionRecord) == 16, "ViewerOptionRecord is 16 bytes");
static_assert(offsetof(ViewerOptionRecord, value) == 12, "option value address at 12");
static_assert(sizeof(ViewFileRecord) == 296, "ViewFileRecord is 296 bytes");
static_assert(offsetof(ViewFileRecord, fileRef) == 8, "file reference at 8");
static_assert(offsetof(ViewFileRecord, unused) == 20, "unused area at 20");
static_assert(offsetof(ViewFileRecord, deleteWhenClosed) == 280, "delete flag at 280");
static_assert(sizeof(RedirectedFile) == 572, "RedirectedFile is 572 bytes");
static_assert(offsetof(RedirectedFile, info) == 20, "information callback at 20");
static_assert(offsetof(RedirectedFile, zero) == 28, "zero area at 28");
static_assert(offsetof(RedirectedFile, stream) == 48, "stream at 48");
static_assert(offsetof(RedirectedFile, sourcePath) == 52, "source path at 52");
static_assert(offsetof(RedirectedFile, tempPath) == 308, "temporary path at 308");
static_assert(offsetof(RedirectedFile, deleteSource) == 564, "delete-source flag at 564");
static_assert(offsetof(RedirectedFile, memory) == 568, "memory handle at 568");
static_assert(sizeof(FurtherFileRecord) == 16, "FurtherFileRecord is 16 bytes");
static_assert(offsetof(FurtherFileRecord, name) == 4, "further file name at 4");
#else
static_assert(sizeof(ViewerOptionRecord) == 24, "ViewerOptionRecord is 24 bytes on x86_64");
static_assert(sizeof(ViewFileRecord) == 304, "ViewFileRecord is 304 bytes on x86_64");
static_assert(offsetof(ViewFileRecord, deleteWhenClosed) == 284, "delete flag at 284 on x86_64");
static_assert(sizeof(RedirectedFile) == 616, "RedirectedFile is 616 bytes on x86_64");
static_assert(offsetof(RedirectedFile, stream) == 80, "stream at 80 on x86_64");
static_assert(offsetof(RedirectedFile, sourcePath) == 88, "source path at 88 on x86_64");
static_assert(offsetof(RedirectedFile, memory) == 608, "memory handle at 608 on x86_64");
static_assert(sizeof(FurtherFileRecord) == 32, "FurtherFileRecord is 32 bytes on x86_64");
#endif
