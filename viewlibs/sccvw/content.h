// What the display library shows of a file: its bytes are read (from a path
// or through a program's redirected-reading callbacks) and turned into text,
// an image or a hex dump.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "viewer_interface.h"

namespace sccvw {

constexpr size_t kMaxFileBytes = 64u * 1024 * 1024;   // read at most this much of a file
constexpr size_t kMaxDumpBytes = 64u * 1024;          // bytes shown in a hex dump
constexpr int kMaxFurtherDepth = 8;                   // further files inside further files

enum class ContentKind { Empty, Text, Image, HexDump };

struct Image {
    UINT width = 0;
    UINT height = 0;
    std::vector<BYTE> pixels;   // 32-bit BGRA rows, top-down, premultiplied
};

struct Content {
    ContentKind kind = ContentKind::Empty;
    std::wstring text;          // Text and HexDump: what the text control shows
    Image image;
    char name[kRedirectPathSize] = {};   // the file's name, for the printed header
};

// Where the bytes come from: a path or a redirected file.
struct Source {
    const char* path = nullptr;          // kRefPath
    RedirectedFile* redirected = nullptr; // kRefRedirected
};

// Reads all of a source. truncated is set when the file was longer than the
// limit.
bool ReadSource(const Source& source, std::string* bytes, bool* truncated);

// Hands a redirected file back through its close callback (which frees the
// block); nothing for a path.
void CloseSource(const Source& source);

// Builds what to show from a file's bytes. Text may name further files
// (a line that starts with kFurtherFileMark); they are fetched through
// source and shown in the line's place.
void BuildContent(const std::string& bytes, bool truncated, const Source& source, Content* content);

// Decodes text: UTF-16 with a byte-order mark (either order), UTF-8 with or
// without one, else the system code page. False for bytes that are not text.
bool DecodeText(const std::string& bytes, std::wstring* text);

// The hex dump: offset, sixteen bytes, their characters; one line each.
std::wstring HexDump(const std::string& bytes, size_t totalSize);

// Decodes an image through the Windows Imaging Component. False when no
// codec of the system reads it.
bool DecodeImage(const std::string& bytes, Image* image);

}  // namespace sccvw
