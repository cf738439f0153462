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

// Fills the stamp from the program file's version resource; one that cannot
// be read is left as it was (zero, in a new process).
void ReadVersionStamp(VersionStamp* stamp);
