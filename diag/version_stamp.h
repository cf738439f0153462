// The program's own file version, read from its version resource.
#pragma once
#include <windows.h>

struct VersionStamp {
    BYTE major;
    BYTE minor;
    BYTE build;
    BYTE revision;
    DWORD hexCode;
    WORD hexCodeHigh;
    char text[26];
};

extern VersionStamp OwnVersion;

BOOL ReadVersionStamp(VersionStamp* stamp);
// Reads hexadecimal digits; any other character makes the whole result 0.
DWORD ParseHexText(const char* text);
// Fills the stamp from the fixed file version's two halves.
void SetVersionNumbers(DWORD fileVersionMS, DWORD fileVersionLS, VersionStamp* stamp);
