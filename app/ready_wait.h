// Waiting, after a successful load, until the medium can be read (-r).
#pragma once
#include <windows.h>

// Prints the waiting line for the volume shown as displayName and waits up
// to seconds. Returns the exit code (0 ready, 1 the drive is gone, 3 not
// ready) with the outcome word and its colour in *word and *color.
int WaitUntilReady(const char* volumeDevicePath, UINT driveType, const char* displayName,
                   DWORD seconds, const char** word, WORD* color);
