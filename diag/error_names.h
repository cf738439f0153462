// Names for Win32 error codes, and the handle test.
//
// Failures are reported by name, not number. A code without a name is
// formatted into a process-wide buffer that the next such call overwrites.
#pragma once
#include <windows.h>

const char* ErrorName(DWORD code);
const char* LastErrorName();
BOOL IsValidHandle(HANDLE handle);
