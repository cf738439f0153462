// Which Windows family this is.
//
// Only the family is read: the program refuses to run on Windows 9x. A
// failed GetVersionExA leaves the answer zeroed, which reads as no NT.
#include "diag/windows_version.h"
#include "base/memory.h"

OsVersionInfo OsVersion;

BOOL WINAPI SystemGetVersionAnswer(LPOSVERSIONINFOA answer) {
    return GetVersionExA(answer);
}

BOOL(WINAPI* GetVersionAnswer)(LPOSVERSIONINFOA answer) = SystemGetVersionAnswer;

void ProbeWindowsVersion(OsVersionInfo* info) {
    OSVERSIONINFOA answer;
    FillBytes(&answer, 0, sizeof answer);
    answer.dwOSVersionInfoSize = sizeof answer;
    GetVersionAnswer(&answer);
    info->isNT = answer.dwPlatformId == VER_PLATFORM_WIN32_NT;
}
