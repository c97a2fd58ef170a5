// VSPLEX7.DLL: the Plexa converter. It recognises Plexa documents and writes
// their plain-text rendition.
#include <windows.h>

#include <string>

#include "plexa_format.h"
#include "win/handle.h"

namespace {

// Reads the whole file, up to the format's size limit. False when it cannot
// be read or is larger.
bool ReadWholeFile(const char* path, std::string* data, DWORD limit)
{
    win::File file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart > limit)
        return false;
    data->resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    return data->empty() || (ReadFile(file.Get(), &(*data)[0], static_cast<DWORD>(data->size()), &read, nullptr) &&
                             read == data->size());
}

}  // namespace

extern "C" __declspec(dllexport) int WINAPI IsPlFile(const char* path)
{
    if (!path)
        return 0;
    win::File file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return 0;
    char header[plexa::kHeaderSize];
    DWORD read = 0;
    if (!ReadFile(file.Get(), header, sizeof(header), &read, nullptr) || read != sizeof(header))
        return 0;
    return plexa::HasPlexaHeader(std::string(header, sizeof(header))) ? 1 : 0;
}

extern "C" __declspec(dllexport) int WINAPI ConvertPlToText(const char* source, const char* target)
{
    if (!source || !target)
        return 0;
    std::string document;
    std::string text;
    if (!ReadWholeFile(source, &document, plexa::kMaxDocumentSize) || !plexa::ConvertToText(document, &text))
        return 0;
    win::File file(CreateFileA(target, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return 0;
    DWORD written = 0;
    return WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                   written == text.size()
               ? 1
               : 0;
}
