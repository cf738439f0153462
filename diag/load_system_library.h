// Loading an optional system DLL from the system directory by its full path,
// so that a DLL of the same name beside the program or in the current
// directory is never picked up.
#pragma once
#include <windows.h>

// Null when the path does not fit or the DLL does not load.
HMODULE LoadSystemLibrary(const char* fileName);
