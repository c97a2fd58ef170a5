#include "viewer_control.h"
#include "file_access.h"

#include <cstdio>
#include <cstring>

#include "module.h"
#include "safe_string.h"
#include "viewer_libraries.h"

namespace {

// The viewer's notifications: keys to the parent, selection kept visible.
DWORD g_notifyValue = kViewerNotifyKeys | kViewerNotifyKeepSelection;

void FillCallbacks(RedirectedFile* block)
{
    block->close = MyClose;
    block->read = MyRead;
    block->seek = MySeek;
    block->tell = MyTell;
    block->info = MyGetInfo;
}

RedirectedFile* AllocateBlock()
{
    HGLOBAL memory = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, sizeof(RedirectedFile));
    if (!memory)
        return nullptr;
    auto* block = static_cast<RedirectedFile*>(GlobalLock(memory));
    if (!block) {
        GlobalFree(memory);
        return nullptr;
    }
    block->memory = memory;
    return block;
}

void FreeBlock(RedirectedFile* block)
{
    HGLOBAL memory = block->memory;
    GlobalUnlock(memory);
    GlobalFree(memory);
}

// The file-name part of path: what follows the last '\', '/' or ':'.
const char* NamePart(const char* path)
{
    const char* name = path;
    for (const char* p = path; *p; ++p) {
        if (*p == '\\' || *p == '/' || *p == ':')
            name = p + 1;
    }
    return name;
}

// A path for the 256-byte fields of a block: the path itself, or its short
// form when only that fits. False when neither fits.
bool FitBlockPath(const char* path, char (&fitted)[kRedirectPathSize])
{
    if (CopyText(fitted, path))
        return true;
    char shortPath[MAX_PATH];
    DWORD length = GetShortPathNameA(path, shortPath, sizeof(shortPath));
    if (length == 0 || length >= sizeof(shortPath))
        return false;
    return CopyText(fitted, shortPath);
}

RedirectedFile* FromHandle(RedirectHandle file)
{
    return reinterpret_cast<RedirectedFile*>(file);
}

}  // namespace

RedirectedFile* OpenRedirectedFile(const char* source, bool convert)
{
    char fitted[kRedirectPathSize];
    if (!FitBlockPath(source, fitted))
        return nullptr;
    RedirectedFile* block = AllocateBlock();
    if (!block)
        return nullptr;
    CopyText(block->sourcePath, fitted);
    block->tempPath[0] = '\0';

    if (convert && IsPlexaDocument(fitted)) {
        char temp[MAX_PATH];
        if (CreatePrivateTempFile("FY#", temp)) {
            if (CopyText(block->tempPath, temp)) {
                if (ViewerConvertPlToText()(fitted, temp))
                    block->stream = fopen(temp, "rb");
            } else {
                DeleteFileA(temp);   // a rendition the block could not name
            }
        }
        if (!block->stream && block->tempPath[0] != '\0') {
            DeleteFileA(block->tempPath);
            block->tempPath[0] = '\0';
        }
    } else {
        block->stream = fopen(fitted, "rb");
    }
    if (!block->stream) {
        FreeBlock(block);
        return nullptr;
    }
    FillCallbacks(block);
    return block;
}

BOOL ViewerControl::Create(HWND parent, const RECT* rect, const char* path, DWORD extraStyle, BOOL deleteWhenClosed)
{
    window = CreateWindowExA(0, kViewerClassName, "", WS_CHILD | WS_VISIBLE | WS_BORDER | extraStyle, rect->left,
                             rect->top, rect->right - rect->left, rect->bottom - rect->top, parent, nullptr,
                             g_hInstance, nullptr);
    ViewerOptionRecord option = {sizeof(option), kViewerOptionNotify, kViewerSetOption, &g_notifyValue};
    if (window)
        SendMessageA(window, kViewerSetOption, 0, reinterpret_cast<LPARAM>(&option));
    if (IsAlive())
        Open(path, deleteWhenClosed);
    return IsAlive();
}

void ViewerControl::Open(const char* path, BOOL deleteWhenClosed)
{
    ViewFileRecord record;
    memset(&record, 0, sizeof(record));
    record.size = sizeof(record);
    record.fileRefKind = kRefPath;
    record.fileRef = const_cast<char*>(path);
    record.deleteWhenClosed = deleteWhenClosed;

    if (ViewerIsPlFile() && ViewerConvertPlToText() && ViewerIsPlFile()(path)) {
        // The text rendition, read through the callbacks. When it cannot be
        // made (or the path does not fit the block even in its short form) the
        // document goes by path, as it is.
        RedirectedFile* block = OpenRedirectedFile(path, true);
        if (block && block->tempPath[0] != '\0') {
            block->deleteSource = deleteWhenClosed;
            record.fileRefKind = kRefRedirected;
            record.fileRef = block;
        } else if (block) {
            MyClose(reinterpret_cast<RedirectHandle>(block));
        }
    }
    SendMessageA(window, kViewerViewFile, 0, reinterpret_cast<LPARAM>(&record));
}

void ViewerControl::Move(int x, int y, int width, int height, BOOL repaint)
{
    MoveWindow(window, x, y, width, height, repaint);
}

extern "C" int MyRead(RedirectHandle file, unsigned char* buffer, unsigned long wanted, unsigned long* read)
{
    RedirectedFile* block = FromHandle(file);
    if (!block->stream)
        return kRedirectNoStream;
    *read = 0;
    if (wanted == 0)
        return kRedirectOk;
    FILE* stream = static_cast<FILE*>(block->stream);
    while (*read < wanted) {
        int c = fgetc(stream);
        if (c == EOF)
            break;
        buffer[(*read)++] = static_cast<unsigned char>(c);
    }
    return *read > 0 ? kRedirectOk : kRedirectEnd;
}

extern "C" int MySeek(RedirectHandle file, unsigned short origin, long offset)
{
    RedirectedFile* block = FromHandle(file);
    if (!block->stream)
        return kRedirectNoStream;
    int whence = origin == 1 ? SEEK_CUR : origin == 2 ? SEEK_END : SEEK_SET;
    fseek(static_cast<FILE*>(block->stream), offset, whence);
    return kRedirectOk;
}

extern "C" int MyTell(RedirectHandle file, unsigned long* position)
{
    RedirectedFile* block = FromHandle(file);
    if (!block->stream)
        return kRedirectNoStream;
    *position = static_cast<unsigned long>(ftell(static_cast<FILE*>(block->stream)));
    return kRedirectOk;
}

extern "C" int MyClose(RedirectHandle file)
{
    RedirectedFile* block = FromHandle(file);
    int result = kRedirectNoStream;
    if (block->stream) {
        fclose(static_cast<FILE*>(block->stream));
        block->stream = nullptr;
        if (block->deleteSource)
            DeleteFileA(block->sourcePath);
        if (block->tempPath[0] != '\0')
            DeleteFileA(block->tempPath);
        result = kRedirectOk;
    }
    FreeBlock(block);
    return result;
}

extern "C" int MyGetInfo(RedirectHandle file, unsigned long id, void* data)
{
    RedirectedFile* block = FromHandle(file);
    switch (id) {
    case kInfoFileName:
        // The caller's buffer holds a block path: at most 255 characters.
        CopyText(static_cast<char*>(data), kRedirectPathSize, NamePart(block->sourcePath));
        return kRedirectOk;
    case kInfoFileSize:
        return kRedirectNotSupported;
    case kInfoFurtherFile: {
        auto* request = static_cast<FurtherFileRecord*>(data);
        if (!request || !request->name)
            return kRedirectNoInfo;
        // The further file lies where the document lies.
        char path[MAX_PATH];
        size_t folderLength = static_cast<size_t>(NamePart(block->sourcePath) - block->sourcePath);
        if (folderLength >= sizeof(path))
            return kRedirectNoInfo;
        memcpy(path, block->sourcePath, folderLength);
        path[folderLength] = '\0';
        if (!AppendText(path, request->name))
            return kRedirectNoInfo;
        RedirectedFile* further = OpenRedirectedFile(path, true);
        if (!further)
            return kRedirectNoInfo;
        request->fileRefKind = kRefRedirected;
        request->fileRef = further;
        return kRedirectOk;
    }
    default:
        return kRedirectNoInfo;
    }
}
