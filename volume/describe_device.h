// Naming the device behind a volume: vendor, product and bus.
//
// The bytes of a storage device descriptor and of a disk extent list are read
// by pure functions that take the buffer and the length the system returned;
// the functions that open devices only fetch those bytes.
#pragma once
#include <windows.h>

enum {
    kTextChars = 128,         // a vendor or product text: 127 characters and the zero
    kDescriptionChars = 137,  // 111 + " " + 17-character bus name + " Device" + zero
    kDescriptorBytes = 1024,
    kMaxDiskExtents = 100,
    kDiskExtentsBytes = 8 + kMaxDiskExtents * 24,
};

// The text that starts at offset, inside the returned bytes, and runs to its
// zero or to their end, into kTextChars bytes: cut to 127 characters; no
// text otherwise.
void ReadDescriptorText(const BYTE* descriptor, DWORD returnedBytes, DWORD offset, char* text);

// The description the returned bytes of a descriptor give: vendor and
// product, cut to 111 characters, then the bus name and " Device" when the
// bus has a name.
void DescribeFromDescriptor(const BYTE* descriptor, DWORD returnedBytes, char* description);

// The number of extents, counting only those inside the returned bytes, and
// the disk of the first one.
LONG ParseDiskExtents(const BYTE* extents, DWORD returnedBytes, DWORD* firstDisk);

// The description of the device behind a volume device path; empty when
// nothing answers. description takes kDescriptionChars.
void DescribeVolumeDevice(const char* volumeDevicePath, UINT driveType, char* description);
