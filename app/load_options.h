// The options of the load command and their parser.
#pragma once
#include <windows.h>

enum {
    kWaitNotGiven = -1,
    kMaxWaitMs = 10000,
    kReadyDefaultSeconds = 60,
    kReadyMaxSeconds = 300,
};

struct LoadOptions {
    LONG waitMs;         // kWaitNotGiven, else 0..kMaxWaitMs
    BOOL force;          // act even when the medium is loaded and the volume online
    BOOL noAbout;        // no banner
    DWORD readySeconds;  // 0: no wait until the medium is ready, else 1..kReadyMaxSeconds
};

void InitLoadOptions(LoadOptions* options);
// Parses args[2] to args[argc - 1] (args[1] is the DriveSpec).
// Returns FALSE when the usage must be shown: an option that does not start
// with "-" or "/", or "-?".
BOOL ParseLoadOptions(int argc, char** args, LoadOptions* options);
