// Access rights that follow a working file into its versions. An archive
// holds every version of a file, so whoever may not read the file must not
// read its archive either; temporary copies are for their user alone.
//
// Rights that cannot be read or written (a file system without them, a share
// that refuses) never stop the work: each function traces the failure and
// answers false.
#pragma once

// Gives target the discretionary access list of source, as its own: what
// target's folder would hand down is left out, so a private file's archive
// stays private in a shared versions folder.
bool CopyFileAccess(const char* source, const char* target);

// Lets the current user alone (and the system) reach path.
bool MakePrivateToUser(const char* path);

// Gives a versions folder that this module has just created the rights of a
// shared drop folder: every user may add archives to it but may neither list
// it nor open another user's archives; each archive belongs to its creator
// (CREATOR OWNER), and administrators and the system keep full control.
bool MakeDropFolder(const char* path);

// Creates a new, empty, uniquely named file with prefix in the user's
// temporary folder (GetTempFileName), private to the user before anything is
// written into it. False, with path empty, when none can be made.
bool CreatePrivateTempFile(const char* prefix, char (&path)[260]);
