// Bounded string helpers for the fixed 260-byte path fields: every copy and
// join either fits or reports that it does not, and the target always stays
// terminated.
#pragma once

#include <cstddef>

// Copies source into target (size bytes). False, with target cut to fit,
// when source is longer than size - 1.
bool CopyText(char* target, size_t size, const char* source);

// Appends source to target. False, with target unchanged, when the result
// would not fit.
bool AppendText(char* target, size_t size, const char* source);

// target = folder + "\" + name. False, with target empty, when it would not fit.
bool JoinPath(char* target, size_t size, const char* folder, const char* name);

template <size_t N>
bool CopyText(char (&target)[N], const char* source) { return CopyText(target, N, source); }
template <size_t N>
bool AppendText(char (&target)[N], const char* source) { return AppendText(target, N, source); }
template <size_t N>
bool JoinPath(char (&target)[N], const char* folder, const char* name) { return JoinPath(target, N, folder, name); }
