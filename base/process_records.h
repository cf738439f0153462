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
