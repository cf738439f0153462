// The process-wide records every part of the program reads: the volume
// handle of this run, the program file's path and the volume that holds it.
// They are filled once, at start or by the load command, and live until the
// process ends.
#pragma once
#include <windows.h>

enum {
    kPathChars = MAX_PATH,
    kOwnVolumeChars = 52,
};

// The volume the program opened itself; INVALID_HANDLE_VALUE otherwise.
extern HANDLE m_hVol;
// The program file's path, for the crash dump beside it.
extern char OwnModulePath[kPathChars];
// The volume that holds the program file, found at start; empty if unknown.
extern char OwnVolumeName[kOwnVolumeChars];

// GetModuleFileNameA and GetModuleFileNameW, replaceable so tests can stand
// for Windows XP, which leaves a path it had to cut without its closing zero.
extern DWORD(WINAPI* ModuleFileNameCall)(HMODULE module, LPSTR path, DWORD maxChars);
extern DWORD(WINAPI* ModuleFileNameWCall)(HMODULE module, LPWSTR path, DWORD maxChars);
DWORD WINAPI SystemModuleFileName(HMODULE module, LPSTR path, DWORD maxChars);
DWORD WINAPI SystemModuleFileNameW(HMODULE module, LPWSTR path, DWORD maxChars);
// The program file's path into kPathChars characters; empty when it is
// unknown or does not fit, for a cut path names another file.
void ReadModulePath(char* path);
// The same in wide characters; FALSE (and no path) when unknown or cut.
BOOL ReadModulePathW(WCHAR* path);
