// Which Windows this is: family, version and whether a 32-bit process runs
// under WoW64.
//
// The program's manifest declares the versions up to 10, so GetVersionExA
// reports the true version there. IsWow64Process is looked up at run time
// because Windows 2000 and early XP do not have it.
#include "diag/windows_version.h"
#include "base/memory.h"

OsVersionInfo OsVersion;

BOOL WINAPI SystemGetVersionAnswer(LPOSVERSIONINFOA answer) {
    return GetVersionExA(answer);
}

BOOL(WINAPI* GetVersionAnswer)(LPOSVERSIONINFOA answer) = SystemGetVersionAnswer;

void SetVersionFlags(const OSVERSIONINFOA& answer, OsVersionInfo* info) {
    LONG major = (LONG)answer.dwMajorVersion;
    LONG minor = (LONG)answer.dwMinorVersion;
    info->dwBuild = answer.dwBuildNumber;
    info->dwVersion = (DWORD)(major * 256 + minor);
    info->dwMajor = (DWORD)major;
    info->dwMinor = (DWORD)minor;
    info->isNT = answer.dwPlatformId == VER_PLATFORM_WIN32_NT;
    if (info->isNT) {
        info->isNT4 = major == 4;
        info->isWin2000 = major == 5 && minor == 0;
        info->isWinXP = major == 5 && minor >= 1;
        info->isVista = major == 6 && minor == 0;
    } else {
        info->isWin9x = TRUE;
        info->isWin95 = minor == 0;
        info->isWin9xMid = minor >= 1 && minor <= 89;  // Windows 98 and its second edition
        info->isWinME = minor >= 90;
    }
    info->isAbove95AndNT4 = major >= 5 || (!info->isNT && major >= 4 && minor >= 1);
}

typedef BOOL(WINAPI* IsWow64ProcessFunction)(HANDLE, PBOOL);

void ProbeWindowsVersion(OsVersionInfo* info) {
    OSVERSIONINFOA answer;
    FillBytes(&answer, 0, sizeof answer);
    answer.dwOSVersionInfoSize = sizeof answer;
    GetVersionAnswer(&answer);
    SetVersionFlags(answer, info);
    if ((LONG)info->dwMajor < 5) return;

    IsWow64ProcessFunction isWow64Process = (IsWow64ProcessFunction)(void*)GetProcAddress(
        GetModuleHandleA("kernel32.dll"), "IsWow64Process");
    if (isWow64Process) {
        BOOL isWow64 = FALSE;
        isWow64Process(GetCurrentProcess(), &isWow64);
        info->isWow64 = isWow64;
    }
    lstrcpyW(info->szPlatform, info->isWow64 ? L"WoW64" : L"Win32");
}
