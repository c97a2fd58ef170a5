// SCCFI.DLL: tells a file's type from its content. Signatures at known
// offsets come first; a file that matches none is tested for text. The one
// table below is the whole list of types this library knows (README.md).
#include <windows.h>

#include <cstring>

#include "viewer_interface.h"

namespace {

// Type ids: the hundreds group the kind (10 text and documents, 12 images,
// 13 archives, 14 audio, 15 executables); 1999 is "not recognised".
enum TypeId : WORD {
    kAsciiText = 1000,
    kUtf8Text = 1001,
    kUtf16Text = 1002,
    kRichText = 1010,
    kPdf = 1011,
    kPostScript = 1012,
    kCompoundDocument = 1013,
    kHtml = 1014,
    kXml = 1015,
    kPlexa = 1016,
    kBitmap = 1200,
    kPng = 1201,
    kJpeg = 1202,
    kGif = 1203,
    kTiff = 1204,
    kIcon = 1205,
    kZip = 1300,
    kGzip = 1301,
    kSevenZip = 1302,
    kRar = 1303,
    kCabinet = 1304,
    kBzip2 = 1305,
    kWave = 1400,
    kMp3 = 1401,
    kMidi = 1402,
    kFlac = 1403,
    kOgg = 1404,
    kWindowsProgram = 1500,
    kWindowsLibrary = 1501,
    kElf = 1502,
};

struct Signature {
    WORD id;
    const char* name;
    unsigned offset;
    unsigned length;
    const char* bytes;
};

// Signatures, tested in this order; the first match wins.
const Signature kSignatures[] = {
    {kPlexa, "Plexa Document", 0, 8, "PLX7\r\n\x1A\0"},
    {kRichText, "Rich Text Format", 0, 5, "{\\rtf"},
    {kPdf, "PDF Document", 0, 5, "%PDF-"},
    {kPostScript, "PostScript", 0, 4, "%!PS"},
    {kCompoundDocument, "OLE Compound Document", 0, 8, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"},
    {kBitmap, "Windows Bitmap", 0, 2, "BM"},
    {kPng, "PNG Image", 0, 8, "\x89PNG\r\n\x1A\n"},
    {kJpeg, "JPEG Image", 0, 3, "\xFF\xD8\xFF"},
    {kGif, "GIF Image", 0, 6, "GIF87a"},
    {kGif, "GIF Image", 0, 6, "GIF89a"},
    {kTiff, "TIFF Image", 0, 4, "II*\0"},
    {kTiff, "TIFF Image", 0, 4, "MM\0*"},
    {kIcon, "Windows Icon", 0, 4, "\0\0\1\0"},
    {kZip, "ZIP Archive", 0, 4, "PK\3\4"},
    {kZip, "ZIP Archive", 0, 4, "PK\5\6"},
    {kGzip, "GZIP Archive", 0, 2, "\x1F\x8B"},
    {kSevenZip, "7z Archive", 0, 6, "7z\xBC\xAF\x27\x1C"},
    {kRar, "RAR Archive", 0, 6, "Rar!\x1A\x07"},
    {kCabinet, "Cabinet Archive", 0, 4, "MSCF"},
    {kBzip2, "BZIP2 Archive", 0, 3, "BZh"},
    {kWave, "WAVE Audio", 8, 4, "WAVE"},
    {kMp3, "MP3 Audio", 0, 3, "ID3"},
    {kMp3, "MP3 Audio", 0, 2, "\xFF\xFB"},
    {kMidi, "MIDI Sequence", 0, 4, "MThd"},
    {kFlac, "FLAC Audio", 0, 4, "fLaC"},
    {kOgg, "Ogg Media", 0, 4, "OggS"},
    {kElf, "ELF Executable", 0, 4, "\x7F" "ELF"},
};

// The names of types found by other tests than a plain signature.
const char kWindowsProgramName[] = "Windows Program";
const char kWindowsLibraryName[] = "Windows DLL";
const char kAsciiTextName[] = "ASCII Text";
const char kUtf8TextName[] = "UTF-8 Text";
const char kUtf16TextName[] = "Unicode Text";
const char kHtmlName[] = "HTML Document";
const char kXmlName[] = "XML Document";
const char kUnknownName[] = "Unknown";

constexpr DWORD kSampleSize = 4096;   // the bytes looked at

bool Matches(const BYTE* data, DWORD size, const Signature& signature)
{
    return size >= signature.offset + signature.length &&
           memcmp(data + signature.offset, signature.bytes, signature.length) == 0;
}

// "MZ" with a PE header: a program, or a DLL when the header says so.
bool IsWindowsExecutable(const BYTE* data, DWORD size, bool* library)
{
    if (size < 64 || data[0] != 'M' || data[1] != 'Z')
        return false;
    DWORD peOffset;
    memcpy(&peOffset, data + 0x3C, 4);
    *library = false;
    if (peOffset + 24 <= size && memcmp(data + peOffset, "PE\0\0", 4) == 0) {
        WORD characteristics;
        memcpy(&characteristics, data + peOffset + 22, 2);
        *library = (characteristics & IMAGE_FILE_DLL) != 0;
    }
    return true;
}

// Length of a valid UTF-8 sequence starting at data, 0 when invalid. A
// sequence cut off by the end of the sample counts as valid.
int Utf8SequenceLength(const BYTE* data, DWORD left)
{
    BYTE lead = data[0];
    int length = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 && lead <= 0xDF ? 2 : 0;
    if (length == 0 || lead > 0xF4)
        return 0;
    for (int i = 1; i < length; ++i) {
        if (static_cast<DWORD>(i) >= left)
            return i;
        if ((data[i] & 0xC0) != 0x80)
            return 0;
    }
    return length;
}

// The text test: no NUL bytes and few control characters. Sets *utf8 when
// the sample holds valid multi-byte UTF-8 and nothing that is not.
bool LooksLikeText(const BYTE* data, DWORD size, bool* utf8)
{
    DWORD controls = 0;
    bool multiByte = false;
    bool invalidUtf8 = false;
    for (DWORD i = 0; i < size;) {
        BYTE c = data[i];
        if (c == 0)
            return false;
        if (c < 0x20 && c != '\t' && c != '\r' && c != '\n' && c != '\f' && c != 0x1A && c != 0x1E)
            ++controls;
        if (c >= 0x80) {
            int length = Utf8SequenceLength(data + i, size - i);
            if (length == 0) {
                invalidUtf8 = true;
                ++i;
            } else {
                multiByte = true;
                i += static_cast<DWORD>(length);
            }
            continue;
        }
        ++i;
    }
    *utf8 = multiByte && !invalidUtf8;
    return controls * 20 <= size;   // at most one in twenty
}

// Skips blanks and a byte-order mark, then compares case-insensitively.
bool StartsWithMarkup(const BYTE* data, DWORD size, const char* tag)
{
    DWORD i = 0;
    if (size >= 3 && memcmp(data, "\xEF\xBB\xBF", 3) == 0)
        i = 3;
    while (i < size && (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' || data[i] == '\n'))
        ++i;
    size_t length = strlen(tag);
    return size - i >= length && _strnicmp(reinterpret_cast<const char*>(data + i), tag, length) == 0;
}

void Answer(WORD id, const char* name, WORD* typeId, char* nameOut, DWORD nameSize)
{
    *typeId = id;
    if (nameOut && nameSize > 0) {
        size_t length = strlen(name);
        if (length >= nameSize)
            length = nameSize - 1;
        memcpy(nameOut, name, length);
        nameOut[length] = '\0';
    }
}

}  // namespace

extern "C" __declspec(dllexport) short WINAPI FIIdFileEx(DWORD fileRefKind, const char* fileRef, DWORD flags,
                                                         WORD* typeId, char* name, DWORD nameSize)
{
    if (!typeId || !fileRef)
        return -3;
    Answer(kTypeUnknown, kUnknownName, typeId, name, nameSize);
    if (fileRefKind != kRefPath)
        return -2;

    HANDLE file = CreateFileA(fileRef, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return -1;
    BYTE data[kSampleSize];
    DWORD size = 0;
    BOOL read = ReadFile(file, data, sizeof(data), &size, nullptr);
    CloseHandle(file);
    if (!read)
        return -1;

    for (const Signature& signature : kSignatures) {
        if (Matches(data, size, signature)) {
            Answer(signature.id, signature.name, typeId, name, nameSize);
            return 0;
        }
    }
    bool library = false;
    if (IsWindowsExecutable(data, size, &library)) {
        Answer(library ? kWindowsLibrary : kWindowsProgram, library ? kWindowsLibraryName : kWindowsProgramName,
               typeId, name, nameSize);
        return 0;
    }
    if (size >= 2 && ((data[0] == 0xFF && data[1] == 0xFE) || (data[0] == 0xFE && data[1] == 0xFF))) {
        Answer(kUtf16Text, kUtf16TextName, typeId, name, nameSize);
        return 0;
    }
    bool utf8 = false;
    if (LooksLikeText(data, size, &utf8)) {
        bool bom = size >= 3 && memcmp(data, "\xEF\xBB\xBF", 3) == 0;
        if (StartsWithMarkup(data, size, "<?xml"))
            Answer(kXml, kXmlName, typeId, name, nameSize);
        else if (StartsWithMarkup(data, size, "<!doctype html") || StartsWithMarkup(data, size, "<html"))
            Answer(kHtml, kHtmlName, typeId, name, nameSize);
        else if (utf8 || bom)
            Answer(kUtf8Text, kUtf8TextName, typeId, name, nameSize);
        else
            Answer(kAsciiText, kAsciiTextName, typeId, name, nameSize);
        return 0;
    }
    return 0;   // read, but not recognised: id 1999
}
