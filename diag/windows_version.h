// Which Windows this is: family, version and whether a 32-bit process runs
// under WoW64.
#pragma once
#include <windows.h>

struct OsVersionInfo {
    BOOL isNT;
    BOOL isNT4;
    BOOL isWin2000;
    BOOL isWinXP;
    BOOL isVista;
    BOOL isWin9x;
    BOOL isWin95;
    BOOL isWin9xMid;
    BOOL isWinME;
    BOOL isWow64;
    WCHAR szPlatform[8];
    DWORD dwMajor;
    DWORD dwMinor;
    DWORD dwBuild;
    DWORD dwVersion;
    BOOL isAbove95AndNT4;
};

extern OsVersionInfo OsVersion;
// GetVersionExA, replaceable so tests can stand for other systems.
extern BOOL(WINAPI* GetVersionAnswer)(LPOSVERSIONINFOA answer);
BOOL WINAPI SystemGetVersionAnswer(LPOSVERSIONINFOA answer);

// The flags that follow from a GetVersionExA answer (zeroed when it failed).
void SetVersionFlags(const OSVERSIONINFOA& answer, OsVersionInfo* info);
void ProbeWindowsVersion(OsVersionInfo* info);
