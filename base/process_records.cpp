// The process-wide records. All are load-time constants until the program
// fills them: there is no start-up code to run constructors.
#include "base/process_records.h"

HANDLE m_hVol = INVALID_HANDLE_VALUE;
char OwnModulePath[kPathChars];
char OwnVolumeName[kOwnVolumeChars];
// Forwarders: an imported function's address is no load-time constant.
DWORD WINAPI SystemModuleFileName(HMODULE module, LPSTR path, DWORD maxChars) {
    return GetModuleFileNameA(module, path, maxChars);
}

DWORD WINAPI SystemModuleFileNameW(HMODULE module, LPWSTR path, DWORD maxChars) {
    return GetModuleFileNameW(module, path, maxChars);
}

DWORD(WINAPI* ModuleFileNameCall)
(HMODULE module, LPSTR path, DWORD maxChars) = SystemModuleFileName;
DWORD(WINAPI* ModuleFileNameWCall)
(HMODULE module, LPWSTR path, DWORD maxChars) = SystemModuleFileNameW;

// A length that fills the buffer is a cut path, with or without its zero.
static BOOL IsWholePath(DWORD length) {
    return length != 0 && length < kPathChars;
}

void ReadModulePath(char* path) {
    if (!IsWholePath(ModuleFileNameCall(0, path, kPathChars))) path[0] = 0;
}

BOOL ReadModulePathW(WCHAR* path) {
    if (IsWholePath(ModuleFileNameWCall(0, path, kPathChars))) return TRUE;
    path[0] = 0;
    return FALSE;
}
