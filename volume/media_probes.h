// Is a medium in the drive, is its volume mounted.
//
// Probes print nothing and pass no error on: whatever fails counts as a
// negative answer. Each opens its own handle and closes it before returning.
#pragma once
#include <windows.h>

BOOL IsMediaPresent(const char* volumeDevicePath, UINT driveType);
BOOL IsVolumeMounted(const char* volumeDevicePath);
