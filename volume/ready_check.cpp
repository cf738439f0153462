// Asking a drive whether its medium is ready to be read.
//
// The check goes to the drive as a TEST UNIT READY, which neither starts the
// motor nor mounts anything; the handle has no access rights, so it blocks
// no safe removal. The driver may hold the request for tens of seconds while
// it retries a disc that is becoming ready, so it is sent overlapped and
// cancelled when the caller gives up: a wait never outlasts its deadline by
// the driver's retries. The Win32 error cannot tell "no medium" from "still
// spinning up" (both are ERROR_NOT_READY); the NT status behind it can.
#include "volume/ready_check.h"
#include "base/memory.h"
#include "base/process_records.h"
#include "volume/device_calls.h"
#include <winioctl.h>

// The NT status and Win32 error of an answer; the status is read right after
// the call that failed, before anything else can replace it.
static void NoteAnswer(BOOL succeeded, ReadyCheck* check) {
    check->status = kStatusSuccess;
    check->error = ERROR_SUCCESS;
    if (succeeded) return;
    check->error = GetLastError();
    check->status = Device.GetLastNtStatus();
}

BOOL StartReadyCheck(const char* volumeDevicePath, ReadyCheck* check) {
    FillBytes(check, 0, sizeof *check);
    check->device = Device.CreateFileA(volumeDevicePath, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, 0,
                                       OPEN_EXISTING, FILE_FLAG_OVERLAPPED, 0);
    if (check->device == INVALID_HANDLE_VALUE) return FALSE;
    DWORD returned = 0;
    BOOL answered = Device.DeviceIoControl(check->device, IOCTL_STORAGE_CHECK_VERIFY2, 0, 0, 0, 0,
                                           &returned, &check->overlapped);
    check->pending = !answered && GetLastError() == ERROR_IO_PENDING;
    if (!check->pending) NoteAnswer(answered, check);
    return TRUE;
}

BOOL IsReadyCheckAnswered(ReadyCheck* check) {
    if (!check->pending) return TRUE;
    DWORD returned = 0;
    BOOL succeeded =
        Device.GetOverlappedResult(check->device, &check->overlapped, &returned, FALSE);
    if (!succeeded && GetLastError() == ERROR_IO_INCOMPLETE) return FALSE;
    NoteAnswer(succeeded, check);
    check->pending = FALSE;
    return TRUE;
}

LONG FinishReadyCheck(ReadyCheck* check, DWORD* error) {
    if (check->pending) {
        // The request must be over before its handle and OVERLAPPED go away.
        Device.CancelIo(check->device);
        DWORD returned = 0;
        BOOL succeeded =
            Device.GetOverlappedResult(check->device, &check->overlapped, &returned, TRUE);
        NoteAnswer(succeeded, check);
        check->pending = FALSE;
    }
    Device.CloseHandle(check->device);
    *error = check->error;
    return check->status;
}

BOOL ReadFileSystemName(const char* volumeDevicePath, char* fileSystemName) {
    char root[kPathChars + 1];
    wsprintfA(root, "%s\\", volumeDevicePath);
    fileSystemName[0] = 0;
    return Device.GetVolumeInformationA(root, 0, 0, 0, 0, 0, fileSystemName, kFileSystemNameChars);
}
