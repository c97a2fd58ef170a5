// The archive object of one working file.
//
// Built from the working file's full path, it works out once where the file's
// archive lies and what it is called, which user name goes into new versions,
// and the two call contexts the version store expects. Every version operation
// is a method of this object, and only these methods call the store.
#pragma once

#include <windows.h>

#include "path_util.h"
#include "store_api.h"
#include "store_records.h"

// Statuses the archive object gives itself where the store is never called;
// the store's own failures are positive.
constexpr StoreStatus kStatusPathTooLong = -1;   // the archive path does not fit
constexpr StoreStatus kStatusNoSnapshot = -2;    // the working file could not be copied for saving
constexpr StoreStatus kStatusNoLocation = -3;    // the object has no usable archive location

// While one lives, the failure to find or make the central versions folder
// is told once, however many archive objects a command builds.
class FolderMessageOnce {
public:
    FolderMessageOnce();
    ~FolderMessageOnce();
    FolderMessageOnce(const FolderMessageOnce&) = delete;
    FolderMessageOnce& operator=(const FolderMessageOnce&) = delete;
};

// One row of a version list, built from a version entry.
struct VersionItem {
    int32_t permanent;     // the entry's flag, widened with its sign; the row's image
    int32_t number;        // the version number
    char dateText[100];    // FormatVersionTime of the version
    char user[36];
    char comment[132];
};

class ArchiveFile {
public:
    // Works out the archive's place for workingPath. When the central versions
    // folder can neither be found nor created, shows message
    // IDS_ERR_CREATE_FOLDER and leaves archivePath, userName and the contexts
    // empty. A working path that does not fit its 260-byte field is refused:
    // every field stays empty and IsValid is false.
    explicit ArchiveFile(const char* workingPath);

    // False when the object was refused a usable archive location (over-long
    // working path, no short form for the path, an uncreatable central folder).
    bool IsValid() const { return valid_; }

    // Tells the user why the object has no usable location: IDS_ERR_PATH_TOO_LONG
    // for a path that gives no archive name or none that fits. A central folder
    // that cannot be made was told when the object was built. Returns the
    // button pressed (IDOK when nothing was shown).
    int ReportInvalid(HWND owner, UINT flags) const;

    // True when the store reports the archive damaged (or not an archive).
    static bool IsDamageStatus(StoreStatus status);
    // Tells the user the archive is damaged; the button pressed.
    int ReportDamaged(HWND owner, UINT flags) const;

    // The archive file exists where this object looks for it.
    bool Exists() const;

    // The archive lies beside the working file.
    bool LocalArchiveExists() const;

    // The archive file's last write, zero when it cannot be read: what a
    // window showing the archive watches for changes.
    FILETIME LastWriteTime() const;

    // ---- Header and version records ----------------------------------------
    // Fills a caller-owned header (zeroed first); 0 or the store's status.
    StoreStatus ReadHeader(ArchiveHeader* header) const;
    // The number of versions, or -1 when the header cannot be read.
    int CountVersions() const;
    // The archive's version counter, or -1 when the header cannot be read.
    int VersionCounter() const;
    // 1 for a compressed archive; 0 otherwise or when unreadable.
    int IsCompressed() const;
    // Allocates one row per version (freed by the caller with delete[]) and
    // returns the count; -1, leaving items alone, when the header cannot be read.
    int ListVersions(VersionItem** items) const;
    // The local date and time text of a version (0: the working file's last
    // write) into text (at least 100 bytes). False with text empty on failure.
    bool FormatVersionTime(int version, char* text) const;

    // ---- Saving ---------------------------------------------------------------
    // Creates the archive with the working file as its first version; 0 or the
    // store's status, nonzero when the archive path would be too long.
    StoreStatus CreateWithFirstVersion(int permanent, int maxTemp, int compress, int singleLocation);
    // Adds the working file as a new version; 1 when added, 0 when not.
    int AddVersion(const char* comment, int permanent);
    // True without an archive, or when the working file is newer than the latest version.
    bool IsWorkingFileNewer() const;
    // The same with the store's answer kept: greater than 0 newer (also
    // without an archive), 0 not newer, below 0 the store's failure negated.
    int CompareWithLatest() const;
    // The cap of temporary versions, 10 when the store cannot tell.
    int GetMaxTempVersions() const;
    // Sets the cap; true when the store accepted it.
    bool SetMaxTempVersions(int max);
    // The number of temporary versions, or -1 when the header cannot be read.
    int CountTemporaryVersions() const;
    // Changes the cap to the number the user typed, with its checks: a text
    // that is not a whole number from 1 to 32767 is refused with
    // IDS_ERR_MAX_TEMP_RANGE; when more temporaries exist than the new cap
    // allows, IDS_WARN_MAX_TEMP_EXCEEDED asks first (Cancel changes nothing).
    // Boxes are owned by owner. 1 when the store took the new cap.
    int ChangeMaxTempVersions(HWND owner, const char* typed);
    // The whole number 1 to 32767 in typed (blanks around it allowed), or -1.
    static int ParseMaxTempVersions(const char* typed);

    // ---- Retrieving, deleting, relocating -------------------------------------
    // Writes a version's content to destPath; the store's status.
    StoreStatus RetrieveVersion(const char* destPath, int version) const;
    // The version's permanent flag; 0 when the store cannot tell.
    int IsPermanent(int version) const;
    // Sets (1) or clears (0) the flag; true when stored.
    bool SetPermanent(int version, int flag);
    // 1: go on with the next selected version (deleted, or kept at the user's
    // word); 0: stop (cancelled or failed).
    int DeleteVersion(int version);
    // Deletes the archive file; always 1.
    int DeleteArchive();
    // Copy or move the working file to destPath with its archive. 1: done or
    // skipped at the user's word; 0: cancelled or failed.
    int CopyTo(const char* destPath, int ask);
    int MoveTo(const char* destPath, int ask);
    // After CopyTo or MoveTo: 0 came from Cancel at one of its questions.
    bool Cancelled() const { return cancelled_; }

    char workingPath[kPathSize];
    char workingFolder[kPathSize];
    char workingName[kPathSize];
    char archiveFolder[kPathSize];
    char archiveName[kPathSize];
    char archivePath[kPathSize];
    char userName[33];
    StoreContext primaryContext;
    StoreContext secondaryContext;

private:
    int Relocate(const char* destPath, int ask, bool move);
    // Tells the user why a save failed: in use, damaged, or not written.
    void ReportSaveFailure(StoreStatus status) const;

    bool valid_ = false;
    bool folderFailed_ = false;
    bool cancelled_ = false;
};
