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
