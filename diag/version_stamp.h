// The program's own file version, read from its version resource.
#pragma once
#include <windows.h>

// The banner's numbers: the low 8 bits of the two words of the fixed file
// version's most significant half.
struct VersionStamp {
    BYTE major;
    BYTE minor;
};

extern VersionStamp OwnVersion;

// FALSE, with the system's error, when the stamp cannot be read; it is then
// left as it was (zero, in a new process).
BOOL ReadVersionStamp(VersionStamp* stamp);
