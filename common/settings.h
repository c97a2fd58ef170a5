// The product's machine-wide settings, read from the registry at every use.
//
// Values live under HKEY_LOCAL_MACHINE and the key path of string
// IDS_SETTINGS_KEY; value names are string-table entries too. Nothing is
// cached, so a change made elsewhere counts from the next read. Every reader
// presets its variable and overwrites it only when the read succeeds.
#pragma once

#include <windows.h>

// Opens the settings key for reading. A key that does not exist yet is made
// on first use, where the account may write below HKEY_LOCAL_MACHINE. Null
// when it can be neither opened nor made; the caller closes the key.
HKEY OpenSettingsKey();

// Opens (creating when missing) the settings key with read and write access,
// for the few values the module writes. Null when any step fails.
HKEY OpenSettingsKeyForWriting();

// Reads the raw bytes of the value named by string nameId. size is in/out:
// bytes available, then bytes stored. The type is not examined. True when read.
bool ReadSetting(UINT nameId, void* buffer, DWORD* size);

// Reads a 32-bit setting: the first four bytes of the value, whatever its type
// (a value shorter than four bytes fills the low bytes, the rest are zero).
bool ReadSettingDword(UINT nameId, DWORD* value);

// Reads a text setting into buffer (size bytes) and guarantees termination.
// A value that does not fit with its terminator counts as missing.
bool ReadSettingText(UINT nameId, char* buffer, DWORD size);

// True when the file's type is in the comma-separated extension list held by
// the setting listId (extensions without dots, compared case-insensitively and
// whole with both the long and the short name's extension).
bool IsExcluded(const char* path, UINT listId);
