// fydemo: Fennory from the command line, for a look at what the module does.
//
//   fydemo show FILE...              settings in force, and where each file's archive lies
//   fydemo save FILE COMMENT [perm]  saves a version (the first one creates the archive)
//   fydemo list FILE                 the versions of a file's archive
//   fydemo retrieve FILE N OUTFILE   writes version N to OUTFILE
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "archive_file.h"
#include "module.h"
#include "resource.h"
#include "settings.h"

namespace {

void PrintDword(const char* label, UINT nameId, DWORD fallback)
{
    DWORD value = fallback;
    bool read = ReadSettingDword(nameId, &value);
    printf("  %-22s %lu%s\n", label, value, read ? "" : " (default)");
}

void PrintText(const char* label, UINT nameId)
{
    char text[260];
    if (ReadSettingText(nameId, text, sizeof(text)))
        printf("  %-22s \"%s\"\n", label, text);
    else
        printf("  %-22s (not set)\n", label);
}

int Show(int count, char** files)
{
    printf("Settings (HKLM\\Software\\Zentrik\\Fennory\\Settings):\n");
    PrintDword("EnableVersionControl", IDS_REG_ENABLE_VERSION_CONTROL, 0);
    PrintDword("UseCompression", IDS_REG_USE_COMPRESSION, 0);
    PrintDword("MaxTempVersions", IDS_REG_MAX_TEMP_VERSIONS, 10);
    PrintDword("SingleLocation", IDS_REG_SINGLE_LOCATION, 1);
    PrintText("VersionsPath", IDS_REG_VERSIONS_PATH);
    PrintText("VersionExclude", IDS_REG_VERSION_EXCLUDE);
    PrintText("HelpPath", IDS_REG_HELP_PATH);

    for (int i = 0; i < count; ++i) {
        ArchiveFile archive(files[i]);
        printf("\n%s\n", files[i]);
        if (!archive.IsValid())
            printf("  (no usable archive location)\n");
        printf("  working folder         %s\n", archive.workingFolder);
        printf("  working name           %s\n", archive.workingName);
        printf("  archive name           %s\n", archive.archiveName);
        printf("  archive folder         %s\n", archive.archiveFolder);
        printf("  archive path           %s\n", archive.archivePath);
        printf("  archive exists         %s%s\n", archive.Exists() ? "yes" : "no",
               archive.LocalArchiveExists() ? " (beside the file)" : "");
        printf("  user name              %s\n", archive.userName);
        printf("  excluded from versions %s\n", IsExcluded(archive.workingPath, IDS_REG_VERSION_EXCLUDE) ? "yes" : "no");
    }
    return 0;
}

int Save(const char* file, const char* comment, int permanent)
{
    ArchiveFile archive(file);
    if (!archive.IsWorkingFileNewer()) {
        printf("%s: not newer than its latest version; nothing saved\n", file);
        return 1;
    }
    if (archive.Exists()) {
        if (!archive.AddVersion(comment, permanent)) {
            printf("%s: the version could not be saved\n", file);
            return 1;
        }
    } else {
        DWORD maxTemp = 10, compress = 0, single = 1;
        ReadSettingDword(IDS_REG_MAX_TEMP_VERSIONS, &maxTemp);
        ReadSettingDword(IDS_REG_USE_COMPRESSION, &compress);
        ReadSettingDword(IDS_REG_SINGLE_LOCATION, &single);
        if (archive.CreateWithFirstVersion(permanent, maxTemp, compress, single) != 0) {
            printf("%s: the archive could not be created\n", file);
            return 1;
        }
    }
    printf("%s: saved as version %d (%d versions in the archive)\n", file, archive.VersionCounter(),
           archive.CountVersions());
    return 0;
}

int List(const char* file)
{
    ArchiveFile archive(file);
    VersionItem* items = nullptr;
    int count = archive.ListVersions(&items);
    if (count < 0) {
        printf("%s: no archive to list\n", file);
        return 1;
    }
    printf("%s: %d versions, cap of temporary versions %d%s\n", file, count, archive.GetMaxTempVersions(),
           archive.IsCompressed() ? ", compressed" : "");
    printf("  %-4s %-9s %-20s %-12s %s\n", "#", "Permanent", "Date & Time", "Updated By", "Comment");
    for (int i = 0; i < count; ++i)
        printf("  %-4d %-9s %-20s %-12s %s\n", items[i].number, items[i].permanent ? "yes" : "no", items[i].dateText,
               items[i].user, items[i].comment);
    delete[] items;
    return 0;
}

int Retrieve(const char* file, int version, const char* out)
{
    ArchiveFile archive(file);
    StoreStatus status = archive.RetrieveVersion(out, version);
    printf("%s: version %d %s %s\n", file, version, status == 0 ? "written to" : "could not be written to", out);
    return status == 0 ? 0 : 1;
}

int Usage()
{
    fprintf(stderr,
            "usage: fydemo show FILE...\n"
            "       fydemo save FILE COMMENT [permanent]\n"
            "       fydemo list FILE\n"
            "       fydemo retrieve FILE VERSION OUTFILE\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    g_hInstance = GetModuleHandleA(nullptr);
    if (argc < 3)
        return Usage();
    const char* command = argv[1];
    if (strcmp(command, "show") == 0)
        return Show(argc - 2, argv + 2);
    if (strcmp(command, "save") == 0 && argc >= 4)
        return Save(argv[2], argv[3], argc >= 5 ? atoi(argv[4]) : 0);
    if (strcmp(command, "list") == 0)
        return List(argv[2]);
    if (strcmp(command, "retrieve") == 0 && argc >= 5)
        return Retrieve(argv[2], atoi(argv[3]), argv[4]);
    return Usage();
}
