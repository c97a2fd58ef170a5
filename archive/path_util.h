// Path functions shared by the archive operations and the dialogs. Paths are
// ANSI, NUL-terminated, in 260-byte fields; folders carry no trailing backslash.
#pragma once

#include <windows.h>

constexpr int kPathSize = MAX_PATH;   // 260 bytes with the terminator

// The archive name of a working file: its short (8.3) full path with every
// '.', ':' and '\' replaced by '$', then ".fy". When nothing exists at path,
// an empty file is created there for a moment to get the short form. False,
// with nameOut empty, when no short form can be had (a missing folder, a path
// that does not fit).
bool MakeArchiveName(const char* path, char (&nameOut)[kPathSize]);

// Splits path into its folder (drive and directory, one trailing backslash
// removed, so a file in the root of E: gives "E:") and its name with
// extension. Either output may be null.
void SplitPath(const char* path, char* folderOut, char* nameOut);

// True when path names an existing file (not a folder).
bool FileExists(const char* path);

// True when path names an existing folder; a bare drive "E:" is tested as its
// root. The current directory is not touched.
bool FolderExists(const char* path);

// Creates the missing folders of path, outermost first. True when the last
// creation succeeded.
bool CreateFolderPath(const char* path);

// Deletes a file even when it is marked read-only (the user has asked for it
// to go); the mark is put back when the file stays for another reason (open
// elsewhere, no access). True when no file is left at path.
bool DeleteFileEvenReadOnly(const char* path);

// True when the file opens for shared reading and holds no data.
bool IsZeroLengthFile(const char* path);

// The drive part of path: "X:", "\\server\share", or empty.
void GetDrivePart(const char* path, char (&driveOut)[kPathSize]);

// True for "X:\...", a bare "X:" and UNC paths "\\server\share...".
bool IsAbsolutePath(const char* path);
