// Context help: the help file's location, Help buttons and what-is-this help.
#pragma once

#include <windows.h>

// The help file: the HelpPath setting, a backslash when that is not empty,
// then the file name of string IDS_HELP_FILE. Cut to fit path (260 bytes).
void GetHelpFilePath(char (&path)[260]);

// Opens the help file at a context topic (a dialog's Help button).
void ShowHelpTopic(HWND owner, DWORD topic);

// The help-id table of a dialog (resource type RT_HELPIDS with the dialog's
// id): 32-bit numbers, a leading pair whose first number is 0, then
// (control id, help id) pairs, closed by 0. Null when the dialog has none.
const DWORD* LoadHelpIds(UINT dialogId);

// What-is-this help for the control a WM_HELP request names, from the table
// of dialogId. Nothing happens when the dialog has no table.
void ShowContextHelp(UINT dialogId, const HELPINFO* info);

// The help id the table of dialogId gives controlId, or 0.
DWORD FindHelpId(UINT dialogId, int controlId);

// The help engine's entry point: WinHelpA, unless a test puts a recorder in
// its place to see what a real engine would be handed. Returns the entry it
// replaces.
using WinHelpEntry = BOOL(WINAPI*)(HWND, LPCSTR, UINT, ULONG_PTR);
WinHelpEntry SetWinHelpEntry(WinHelpEntry entry);
