// Asking a drive whether its medium is ready to be read, in a way that can
// be given up: one storage check sent overlapped on a fresh handle without
// access rights, which neither mounts nor holds the drive.
#pragma once
#include <windows.h>
#include <ntstatus.h>
#include "volume/device_calls.h"

struct ReadyCheck {
    HANDLE device;
    OVERLAPPED overlapped;
    BOOL pending;
    // The answer, once there is one.
    LONG status;
    DWORD error;
};

// Opens the device and sends the check. FALSE when the device does not open,
// with the open's error as the last error. lastNtStatus reads the status of
// a check that fails at once; without it (null) that status is unknown.
BOOL StartReadyCheck(const char* volumeDevicePath, LastNtStatusFunction lastNtStatus,
                     ReadyCheck* check);
// TRUE once the check has an answer.
BOOL IsReadyCheckAnswered(ReadyCheck* check);
// Ends the check, cancelling it when it has no answer yet, and closes the
// handle. Returns the NT status of the answer (STATUS_SUCCESS for success,
// and also when unknown) with its Win32 error in *error (ERROR_SUCCESS for
// success). A cancelled check may still end with the drive's own answer.
LONG FinishReadyCheck(ReadyCheck* check, DWORD* error);

// The file system on the volume's root, into a kFileSystemNameChars buffer;
// FALSE, with an empty name and the system's error as the last error.
enum { kFileSystemNameChars = 32 };
BOOL ReadFileSystemName(const char* volumeDevicePath, char* fileSystemName);
