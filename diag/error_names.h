// Names for Win32 error codes and GetDriveTypeA results, and the handle test.
//
// Failures are reported by name, not number. A code without a name is
// formatted into a process-wide buffer that the next such call overwrites;
// ErrorName and DriveTypeName each have their own buffer.
#pragma once
#include <windows.h>

const char* ErrorName(DWORD code);
const char* LastErrorName();
const char* DriveTypeName(DWORD driveType);
BOOL IsValidHandle(HANDLE handle);
