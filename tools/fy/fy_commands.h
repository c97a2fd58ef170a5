// The commands of fy.exe, each over one working file. Every command returns
// the program's exit code (see ExitCode) after printing its result to stdout
// and its complaint, if any, to stderr.
#pragma once

#include <string>

enum ExitCode {
    kExitOk = 0,
    kExitFailed = 1,         // the store or the file system refused the work
    kExitUsage = 2,          // bad command line
    kExitMissing = 3,        // no such file
    kExitFolder = 4,         // a folder where a file is needed
    kExitTooLong = 5,        // a path longer than 259 characters, or no archive place for it
    kExitDamaged = 6,        // the archive cannot be read: damaged or not an archive
    kExitInUse = 7,          // another program holds the archive
    kExitNothing = 8,        // nothing to do: no archive, not newer, empty or excluded file
    kExitNoVersion = 9,      // no version with that number
};

// fy diff: 0 when the versions are equal, 1 when they differ, as diff does.
constexpr int kExitDiffers = 1;

int SaveCommand(const std::string& file, const std::string* comment, bool permanent);
int LogCommand(const std::string& file, bool csv);
int CatCommand(const std::string& file, int version);
int RestoreCommand(const std::string& file, int version);
int DiffCommand(const std::string& file, int left, int right);
int InfoCommand(const std::string& file);
int HistoryCommand(const std::string& file);
int RetrieveCommand(const std::string& file, const std::string* destination);
int SettingsCommand();
