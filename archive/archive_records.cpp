// Reading the archive header and its version entries.
#include "archive_file.h"

#include <cstring>
#include <new>

#include "safe_string.h"
#include "version_time.h"
#include "win/handle.h"

namespace {

// The entry array of a header that was read; null when the store gave a count
// without an array, which then counts as an unreadable header.
const VersionEntry* EntriesOf(const ArchiveHeader& header)
{
    return header.count == 0 || header.entries ? header.entries : nullptr;
}

// Copies at most limit characters of a field that need not be terminated.
void CopyField(char* target, size_t targetSize, const char* field, size_t limit)
{
    size_t length = strnlen(field, limit);
    if (length >= targetSize)
        length = targetSize - 1;
    memcpy(target, field, length);
    target[length] = '\0';
}

bool FormatEntryTime(const VersionEntry& entry, char* text)
{
    text[0] = '\0';
    SYSTEMTIME local;
    return StampToLocalTime(entry.stamp, &local) && FormatLocalTime(local, text);
}

}  // namespace

StoreStatus ArchiveFile::ReadHeader(ArchiveHeader* header) const
{
    memset(header, 0, sizeof(*header));
    char path[kPathSize];
    if (!JoinPath(path, archiveFolder, archiveName))
        return kStatusPathTooLong;
    StoreHeaderHandle handle = 0;
    StoreStatus status = StoreReadHeader(path, header, &handle);
    if (status != 0)
        return status;
    StoreReleaseHeader(handle);
    return 0;
}

int ArchiveFile::CountVersions() const
{
    ArchiveHeader header;
    if (ReadHeader(&header) != 0 || !EntriesOf(header))
        return -1;
    return header.count;
}

int ArchiveFile::VersionCounter() const
{
    ArchiveHeader header;
    if (ReadHeader(&header) != 0)
        return -1;
    return header.counter;
}

int ArchiveFile::IsCompressed() const
{
    ArchiveHeader header;
    if (ReadHeader(&header) != 0)
        return 0;
    return header.compressed;
}

int ArchiveFile::ListVersions(VersionItem** items) const
{
    ArchiveHeader header;
    if (ReadHeader(&header) != 0)
        return -1;
    const VersionEntry* entries = EntriesOf(header);
    if (!entries)
        return -1;

    // The rows are built from this one read, so every row (its date included)
    // describes the same state of the archive even when another program
    // changes it meanwhile.
    int count = header.count;
    VersionItem* rows = new (std::nothrow) VersionItem[count > 0 ? count : 1];
    if (!rows)
        return -1;
    for (int i = 0; i < count; ++i) {
        const VersionEntry& entry = entries[i];
        rows[i].permanent = entry.permanent;
        rows[i].number = entry.number;
        FormatEntryTime(entry, rows[i].dateText);   // an impossible stamp shows no date
        CopyField(rows[i].user, sizeof(rows[i].user), entry.user, 35);
        CopyField(rows[i].comment, sizeof(rows[i].comment), entry.comment, 128);
    }
    *items = rows;
    return count;
}

bool ArchiveFile::FormatVersionTime(int version, char* text) const
{
    text[0] = '\0';
    if (version == 0) {
        // Write and delete sharing too: an editor that keeps the file open for
        // writing still lets us read its time; one that refuses readers does not.
        win::File file(CreateFileA(workingPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file)
            return false;
        FILETIME written;
        BOOL known = GetFileTime(file.Get(), nullptr, nullptr, &written);
        file.Close();
        FILETIME localWritten;
        SYSTEMTIME local;
        if (!known || !FileTimeToLocalFileTime(&written, &localWritten) || !FileTimeToSystemTime(&localWritten, &local))
            return false;
        return FormatLocalTime(local, text);
    }

    ArchiveHeader header;
    if (ReadHeader(&header) != 0)
        return false;
    const VersionEntry* entries = EntriesOf(header);
    if (!entries)
        return false;
    // Only an entry that carries the number: a number no entry has shows no date.
    for (int i = 0; i < header.count; ++i) {
        if (entries[i].number == version)
            return FormatEntryTime(entries[i], text);
    }
    return false;
}
