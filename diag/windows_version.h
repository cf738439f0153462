// Which Windows family this is: the program runs on the NT family only.
#pragma once
#include <windows.h>

struct OsVersionInfo {
    BOOL isNT;
};

extern OsVersionInfo OsVersion;
// GetVersionExA, replaceable so tests can stand for other systems.
extern BOOL(WINAPI* GetVersionAnswer)(LPOSVERSIONINFOA answer);
BOOL WINAPI SystemGetVersionAnswer(LPOSVERSIONINFOA answer);

void ProbeWindowsVersion(OsVersionInfo* info);
