// Is a medium in the drive, is its volume mounted, how large is it.
//
// Probes print nothing and pass no error on: whatever fails counts as a
// negative answer. Each opens its own handle and closes it before returning.
#pragma once
#include <windows.h>

enum { kSizePathChars = 64 };

BOOL IsMediaPresent(const char* volumeDevicePath, UINT driveType);
BOOL IsVolumeMounted(const char* volumeDevicePath);
// Length in MiB (low 32 bits of the quotient); 0 when unknown or when path
// has more than kSizePathChars - 1 characters.
DWORD GetDiskSizeMB(const char* path);
