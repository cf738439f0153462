// The load command: from the argument list to the exit code.
#pragma once
#include "app/exit_codes.h"
#include <windows.h>

enum { kVolumeDevicePathChars = 48 };

int RunLoadCommand(int argc, char** args);
void PrintBanner();
void PrintUsage();
