// The load command: from the argument list to the exit code.
#pragma once
#include <windows.h>

enum {
    kExitSuccess = 0,
    kExitFailed = 1,
    kExitNothingDone = 2,
    kVolumeDevicePathChars = 48,
};

// The volume the program opened itself; INVALID_HANDLE_VALUE otherwise.
extern HANDLE m_hVol;
// The program file's path, for the crash dump beside it.
extern char OwnModulePath[MAX_PATH];
extern const char kWebAddress[];

int RunLoadCommand(int argc, char** args);
void PrintBanner();
void PrintUsage();
