// The process-wide records. All are load-time constants until the program
// fills them: there is no start-up code to run constructors.
#include "base/process_records.h"

HANDLE m_hVol = INVALID_HANDLE_VALUE;
char OwnModulePath[kPathChars];
char OwnVolumeName[kOwnVolumeChars];
// A forwarder: an imported function's address is no load-time constant.
DWORD WINAPI SystemModuleFileName(HMODULE module, LPSTR path, DWORD maxChars) {
    return GetModuleFileNameA(module, path, maxChars);
}

DWORD(WINAPI* ModuleFileNameCall)
(HMODULE module, LPSTR path, DWORD maxChars) = SystemModuleFileName;

void ReadModulePath(char* path) {
    DWORD length = ModuleFileNameCall(0, path, kPathChars);
    if (length == 0 || length >= kPathChars) path[0] = 0;
}
