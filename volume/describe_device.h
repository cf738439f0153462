// Naming the device behind a volume: vendor, product and bus.
//
// The bytes of a storage device descriptor and of a disk extent list are read
// by pure functions that take the buffer and the length the system returned;
// the functions that open devices only fetch those bytes.
#pragma once
#include <windows.h>

enum {
    kProductNameChars = 128,  // 127 characters and the zero
    kDescriptionChars = 137,  // 111 + " " + 17-character bus name + " Device" + zero
    kDescriptorBytes = 1024,
    kMaxDiskExtents = 100,
    kDiskExtentsBytes = 8 + kMaxDiskExtents * 24,
    kMaxDiskNumbers = 256,
};

// Reads the descriptor's identification and bus into the three outputs.
// descriptor is the whole kDescriptorBytes answer buffer, zero-filled before
// the request. A text starts at an offset inside the returned bytes and runs
// to its zero; offsets at or past returnedBytes count as no text, and texts
// are cut to 127 characters.
void DescribeFromDescriptor(const BYTE* descriptor, DWORD returnedBytes, DWORD* busType,
                            char* description, char* productName);

// The text that starts at offset, inside the returned bytes, and runs to its
// zero in the zero-filled answer buffer, into kProductNameChars bytes: cut to
// 127 characters and never read past the buffer's end; no text otherwise.
void ReadDescriptorText(const BYTE* descriptor, DWORD returnedBytes, DWORD offset, char* text);

// Reads the extent count and up to maxNumbers disk numbers; extents that lie
// past returnedBytes are not counted.
void ParseDiskExtents(const BYTE* extents, DWORD returnedBytes, LONG* count, DWORD* diskNumbers,
                      LONG maxNumbers);

void DescribeVolumeDevice(const char* volumeDevicePath, UINT driveType, DWORD* busType,
                          char* description, char* productName);
BOOL DescribeStorageDevice(const char* path, DWORD* busType, char* description, char* productName);
BOOL GetDiskCount(const char* path, LONG* count, DWORD* diskNumbers, LONG maxNumbers);
BOOL BusTypeName(DWORD busType, char* name);
char* TrimRight(char* text);
