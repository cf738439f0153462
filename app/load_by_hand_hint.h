// The line that tells the user what to do by hand when an optical drive
// cannot load its medium itself.
#pragma once
#include <windows.h>

// After an optical drive with no medium in refused to load (loadError) or
// stayed empty (ERROR_SUCCESS): asks the drive whether it can load at all and,
// where it cannot, or refused as such drives do, prints what to do by hand.
void PrintLoadByHandHint(const char* volumeDevicePath, DWORD loadError);
