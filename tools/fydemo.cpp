// fydemo: prints what Fennory works out for a working file: its archive's
// name, folder and path, the user name recorded with new versions, and the
// settings in force.
//
//   fydemo FILE...
#include <windows.h>

#include <cstdio>

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

}  // namespace

int main(int argc, char** argv)
{
    g_hInstance = GetModuleHandleA(nullptr);

    printf("Settings (HKLM\\Software\\Zentrik\\Fennory\\Settings):\n");
    PrintDword("EnableVersionControl", IDS_REG_ENABLE_VERSION_CONTROL, 0);
    PrintDword("UseCompression", IDS_REG_USE_COMPRESSION, 0);
    PrintDword("MaxTempVersions", IDS_REG_MAX_TEMP_VERSIONS, 10);
    PrintDword("SingleLocation", IDS_REG_SINGLE_LOCATION, 1);
    PrintText("VersionsPath", IDS_REG_VERSIONS_PATH);
    PrintText("VersionExclude", IDS_REG_VERSION_EXCLUDE);
    PrintText("HelpPath", IDS_REG_HELP_PATH);

    for (int i = 1; i < argc; ++i) {
        ArchiveFile archive(argv[i]);
        printf("\n%s\n", argv[i]);
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
