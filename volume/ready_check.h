// Asking a drive whether its medium is ready to be read, in a way that can
// be given up: one storage check sent overlapped on a fresh handle without
// access rights, which neither mounts nor holds the drive.
#pragma once
#include <windows.h>

enum : LONG {
    kStatusSuccess = 0,
    kStatusDeviceNotReady = (LONG)0xC00000A3,
    kStatusNoMediaInDevice = (LONG)0xC0000178,
};

struct ReadyCheck {
    HANDLE device;
    OVERLAPPED overlapped;
    BOOL pending;
    // The answer, once there is one.
    LONG status;
    DWORD error;
};

// Opens the device and sends the check. FALSE when the device does not open,
// with the open's error as the last error.
BOOL StartReadyCheck(const char* volumeDevicePath, ReadyCheck* check);
// TRUE once the check has an answer.
BOOL IsReadyCheckAnswered(ReadyCheck* check);
// Ends the check, cancelling it when it has no answer yet, and closes the
// handle. Returns the NT status of the answer (0 for success, or 0 when
// unknown) with its Win32 error in *error (ERROR_SUCCESS for success).
LONG FinishReadyCheck(ReadyCheck* check, DWORD* error);

// The file system on the volume's root, into a kFileSystemNameChars buffer;
// FALSE with the system's error as the last error.
enum { kFileSystemNameChars = 32 };
BOOL ReadFileSystemName(const char* volumeDevicePath, char* fileSystemName);
