// Turning a DriveSpec into a volume GUID path.
#pragma once
#include <windows.h>

enum {
    kPathChars = MAX_PATH,
    kOwnVolumeChars = 52,
    kDosDeviceListStart = 16384,
    kDosDeviceListGrowth = 4096,
};

// The volume that holds the program file, found at start; empty if unknown.
extern char OwnVolumeName[kOwnVolumeChars];
// Bytes for the list of all DOS device names; only grows, and a grown size is
// where the next call starts.
extern DWORD DosDeviceListSize;

// driveSpec: at most 259 characters, upper-cased. volumeName and displayName
// (kPathChars each) must be empty on entry; volumeName stays empty when the
// DriveSpec names no volume.
void ResolveDriveSpec(const char* driveSpec, char* volumeName, char* displayName);

// Finds the "Volume{...}" DOS device whose NT target equals ntTarget and
// writes its volume GUID path "\\?\Volume{...}\" to volumeName (kPathChars).
BOOL FindVolumeByDosTarget(const char* ntTarget, char* volumeName);
