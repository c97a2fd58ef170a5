#include "content.h"

#include <wincodec.h>

#include <cstdio>
#include <cstring>

#include "win/handle.h"

namespace sccvw {

namespace {

bool ReadPath(const char* path, std::string* bytes, bool* truncated)
{
    win::File file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.Get(), &size))
        return false;
    size_t wanted = size.QuadPart > static_cast<LONGLONG>(kMaxFileBytes) ? kMaxFileBytes
                                                                        : static_cast<size_t>(size.QuadPart);
    *truncated = size.QuadPart > static_cast<LONGLONG>(kMaxFileBytes);
    bytes->resize(wanted);
    size_t done = 0;
    while (done < wanted) {
        DWORD read = 0;
        DWORD chunk = static_cast<DWORD>(wanted - done > (1u << 20) ? (1u << 20) : wanted - done);
        if (!ReadFile(file.Get(), &(*bytes)[done], chunk, &read, nullptr) || read == 0)
            break;
        done += read;
    }
    bytes->resize(done);
    return true;
}

bool ReadRedirected(RedirectedFile* file, std::string* bytes, bool* truncated)
{
    RedirectHandle handle = reinterpret_cast<RedirectHandle>(file);
    if (!file->read)
        return false;
    if (file->seek)
        file->seek(handle, 0, 0);
    unsigned char buffer[16384];
    for (;;) {
        unsigned long got = 0;
        if (file->read(handle, buffer, sizeof(buffer), &got) != kRedirectOk)
            break;   // the end (-9) or a failure: what was read is shown
        if (got > sizeof(buffer))
            break;
        if (bytes->size() + got > kMaxFileBytes) {
            *truncated = true;
            break;
        }
        bytes->append(reinterpret_cast<char*>(buffer), got);
    }
    return true;
}

// The folder part of path, with its trailing separator.
std::string FolderOf(const char* path)
{
    const char* name = path;
    for (const char* p = path; *p; ++p) {
        if (*p == '\\' || *p == '/' || *p == ':')
            name = p + 1;
    }
    return std::string(path, static_cast<size_t>(name - path));
}

// Opens a further file named in a document: through the program's
// information callback for a redirected document, beside the file otherwise.
bool OpenFurther(const Source& source, const std::string& name, Source* further, std::string* furtherPath)
{
    if (source.redirected) {
        if (!source.redirected->info)
            return false;
        FurtherFileRecord request = {sizeof(request), name.c_str(), 0, nullptr};
        if (source.redirected->info(reinterpret_cast<RedirectHandle>(source.redirected), kInfoFurtherFile,
                                    &request) != kRedirectOk ||
            request.fileRefKind != kRefRedirected || !request.fileRef)
            return false;
        further->redirected = static_cast<RedirectedFile*>(request.fileRef);
        return true;
    }
    if (!source.path || name.find_first_of("\\/:") != std::string::npos)
        return false;   // only files beside the document
    *furtherPath = FolderOf(source.path) + name;
    if (furtherPath->size() >= MAX_PATH)
        return false;
    further->path = furtherPath->c_str();
    return true;
}

// Replaces every further-file line of text by that file's text.
std::wstring ExpandFurtherFiles(const std::wstring& text, const Source& source, int depth)
{
    if (text.find(static_cast<wchar_t>(kFurtherFileMark)) == std::wstring::npos)
        return text;
    std::wstring out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L'\n', start);
        size_t next = end == std::wstring::npos ? text.size() : end + 1;
        if (text[start] == static_cast<wchar_t>(kFurtherFileMark)) {
            std::wstring wideName = text.substr(start + 1, (end == std::wstring::npos ? text.size() : end) - start - 1);
            if (!wideName.empty() && wideName.back() == L'\r')
                wideName.pop_back();
            char name[MAX_PATH] = {};
            WideCharToMultiByte(CP_ACP, 0, wideName.c_str(), -1, name, sizeof(name) - 1, nullptr, nullptr);
            std::string bytes;
            Source further;
            std::string furtherPath;
            std::wstring inner;
            bool shown = false;
            if (depth < kMaxFurtherDepth && OpenFurther(source, name, &further, &furtherPath)) {
                bool truncated = false;
                if (ReadSource(further, &bytes, &truncated) && DecodeText(bytes, &inner)) {
                    out += ExpandFurtherFiles(inner, further, depth + 1);
                    if (!out.empty() && out.back() != L'\n')
                        out += L"\r\n";
                    shown = true;
                }
                CloseSource(further);
            }
            if (!shown) {
                out += L"[" + wideName + L": not available]\r\n";
            }
        } else {
            out.append(text, start, next - start);
        }
        start = next;
    }
    return out;
}

bool IsValidUtf8(const std::string& bytes, size_t from, bool* multiByte)
{
    *multiByte = false;
    for (size_t i = from; i < bytes.size(); ++i) {
        if (static_cast<unsigned char>(bytes[i]) >= 0x80) {
            *multiByte = true;
            break;
        }
    }
    if (!*multiByte)
        return true;
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data() + from, static_cast<int>(bytes.size() - from),
                               nullptr, 0) > 0;
}

std::wstring Widen(const char* data, size_t size, UINT codePage)
{
    if (size == 0)
        return std::wstring();
    int length = MultiByteToWideChar(codePage, 0, data, static_cast<int>(size), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0)
        MultiByteToWideChar(codePage, 0, data, static_cast<int>(size), &wide[0], length);
    return wide;
}

}  // namespace

bool ReadSource(const Source& source, std::string* bytes, bool* truncated)
{
    bytes->clear();
    *truncated = false;
    if (source.redirected)
        return ReadRedirected(source.redirected, bytes, truncated);
    return source.path && ReadPath(source.path, bytes, truncated);
}

void CloseSource(const Source& source)
{
    // The block belongs to its program again: its close callback frees it.
    if (source.redirected && source.redirected->close)
        source.redirected->close(reinterpret_cast<RedirectHandle>(source.redirected));
}

bool DecodeText(const std::string& bytes, std::wstring* text)
{
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    size_t size = bytes.size();
    if (size >= 2 && ((data[0] == 0xFF && data[1] == 0xFE) || (data[0] == 0xFE && data[1] == 0xFF))) {
        bool bigEndian = data[0] == 0xFE;
        text->clear();
        text->reserve(size / 2);
        for (size_t i = 2; i + 1 < size; i += 2)
            text->push_back(static_cast<wchar_t>(bigEndian ? data[i] << 8 | data[i + 1] : data[i + 1] << 8 | data[i]));
        return true;
    }
    size_t from = size >= 3 && memcmp(data, "\xEF\xBB\xBF", 3) == 0 ? 3 : 0;
    // Text has no NUL bytes and few other control characters.
    size_t controls = 0;
    for (size_t i = from; i < size; ++i) {
        unsigned char c = data[i];
        if (c == 0)
            return false;
        if (c < 0x20 && c != '\t' && c != '\r' && c != '\n' && c != '\f' && c != 0x1A &&
            c != static_cast<unsigned char>(kFurtherFileMark))
            ++controls;
    }
    if (controls * 20 > size - from)
        return false;
    bool multiByte = false;
    bool utf8 = from == 3 || (IsValidUtf8(bytes, from, &multiByte) && multiByte);
    *text = Widen(bytes.data() + from, size - from, utf8 ? CP_UTF8 : CP_ACP);
    return true;
}

std::wstring HexDump(const std::string& bytes, size_t totalSize)
{
    size_t shown = bytes.size() < kMaxDumpBytes ? bytes.size() : kMaxDumpBytes;
    std::wstring out;
    out.reserve(shown / 16 * 80 + 160);
    wchar_t line[96];
    for (size_t at = 0; at < shown; at += 16) {
        int used = swprintf(line, 96, L"%08lX  ", static_cast<unsigned long>(at));
        for (size_t i = 0; i < 16; ++i) {
            if (at + i < shown)
                used += swprintf(line + used, 96 - used, L"%02X ", static_cast<unsigned char>(bytes[at + i]));
            else
                used += swprintf(line + used, 96 - used, L"   ");
            if (i == 7)
                line[used++] = L' ';
        }
        line[used++] = L' ';
        line[used++] = L'|';
        for (size_t i = 0; i < 16 && at + i < shown; ++i) {
            unsigned char c = static_cast<unsigned char>(bytes[at + i]);
            line[used++] = c >= 0x20 && c < 0x7F ? static_cast<wchar_t>(c) : L'.';
        }
        line[used++] = L'|';
        line[used] = L'\0';
        out += line;
        out += L"\r\n";
    }
    if (totalSize > shown) {
        swprintf(line, 96, L"... %llu more bytes not shown", static_cast<unsigned long long>(totalSize - shown));
        out += line;
        out += L"\r\n";
    }
    return out;
}

bool DecodeImage(const std::string& bytes, Image* image)
{
    if (bytes.empty() || bytes.size() > 0xFFFFFFFFu)
        return false;
    HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    bool ok = false;
    IWICImagingFactory* factory = nullptr;
    IWICStream* stream = nullptr;
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    IWICFormatConverter* converter = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                   reinterpret_cast<void**>(&factory))) &&
        SUCCEEDED(factory->CreateStream(&stream)) &&
        SUCCEEDED(stream->InitializeFromMemory(reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data())),
                                               static_cast<DWORD>(bytes.size()))) &&
        SUCCEEDED(factory->CreateDecoderFromStream(stream, nullptr, WICDecodeMetadataCacheOnDemand, &decoder)) &&
        SUCCEEDED(decoder->GetFrame(0, &frame)) && SUCCEEDED(factory->CreateFormatConverter(&converter)) &&
        SUCCEEDED(converter->Initialize(frame, GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                        WICBitmapPaletteTypeCustom))) {
        UINT width = 0;
        UINT height = 0;
        converter->GetSize(&width, &height);
        if (width > 0 && height > 0 && width <= 16384 && height <= 16384) {
            image->width = width;
            image->height = height;
            image->pixels.resize(static_cast<size_t>(width) * height * 4);
            ok = SUCCEEDED(converter->CopyPixels(nullptr, width * 4, static_cast<UINT>(image->pixels.size()),
                                                 image->pixels.data()));
        }
    }
    if (converter)
        converter->Release();
    if (frame)
        frame->Release();
    if (decoder)
        decoder->Release();
    if (stream)
        stream->Release();
    if (factory)
        factory->Release();
    if (SUCCEEDED(init))
        CoUninitialize();
    return ok;
}

void BuildContent(const std::string& bytes, bool truncated, const Source& source, Content* content)
{
    std::wstring text;
    if (DecodeText(bytes, &text)) {
        content->kind = ContentKind::Text;
        content->text = ExpandFurtherFiles(text, source, 0);
        if (truncated)
            content->text += L"\r\n[...]";
        return;
    }
    if (DecodeImage(bytes, &content->image)) {
        content->kind = ContentKind::Image;
        return;
    }
    content->kind = ContentKind::HexDump;
    content->text = HexDump(bytes, bytes.size());
}

}  // namespace sccvw
