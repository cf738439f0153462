// The load command: from the argument list to the exit code.
#pragma once
#include <windows.h>

enum {
    kExitSuccess = 0,
    kExitFailed = 1,
    kExitNothingDone = 2,
    kVolumeDevicePathChars = 48,
};

int RunLoadCommand(int argc, char** args);
void PrintBanner();
void PrintUsage();
// After an optical drive refused to load (loadError) or stayed empty
// (ERROR_SUCCESS): asks the drive whether it can load at all and, where it
// cannot, or refused as such drives do, tells the user what to do by hand.
void PrintLoadByHandHint(const char* volumeDevicePath, DWORD loadError);
