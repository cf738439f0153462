// Turning a DriveSpec into a volume GUID path.
#pragma once
#include "base/process_records.h"

enum {
    kDosDeviceListStart = 16384,
    kDosDeviceListGrowth = 4096,
    // Far above any real list (a few KiB): a system that keeps saying the
    // buffer is too small is not believed past this.
    kDosDeviceListLimit = 1 << 20,
};

// Bytes for the list of all DOS device names; only grows, and a grown size is
// where the next call starts.
extern DWORD DosDeviceListSize;

// driveSpec: at most 259 characters, upper-cased. volumeName and displayName
// (kPathChars each) must be empty on entry; volumeName stays empty when the
// DriveSpec names no volume.
void ResolveDriveSpec(const char* driveSpec, char* volumeName, char* displayName);

// Finds the "Volume{...}" DOS device whose NT target equals ntTarget and
// writes its volume GUID path "\\?\Volume{...}\" to volumeName (kPathChars);
// volumeName is left as it was when there is none.
void FindVolumeByDosTarget(const char* ntTarget, char* volumeName);
