// Asking a drive whether its medium is ready to be read.
//
// The check goes to the drive as a TEST UNIT READY, which neither starts the
// motor nor mounts anything; the handle has no access rights, so it blocks
// no safe removal. The driver may hold the request for tens of seconds while
// it retries a disc that is becoming ready, so it is sent overlapped and
// cancelled when the caller gives up. The Win32 error cannot tell "no
// medium" from "still spinning up" (both are ERROR_NOT_READY); the NT status
// behind it can. A check that pended ends with its status in the OVERLAPPED,
// where the I/O manager writes it for every completion; one that failed at
// once leaves it only in the thread's record, read before any other call.
#include "volume/ready_check.h"
#include "base/memory.h"
#include "base/process_records.h"
#include <winioctl.h>

BOOL StartReadyCheck(const char* volumeDevicePath, LastNtStatusFunction lastNtStatus,
                     ReadyCheck* check) {
    FillBytes(check, 0, sizeof *check);
    check->device = Device.CreateFileA(volumeDevicePath, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, 0,
                                       OPEN_EXISTING, FILE_FLAG_OVERLAPPED, 0);
    if (check->device == INVALID_HANDLE_VALUE) return FALSE;
    DWORD returned = 0;
    if (Device.DeviceIoControl(check->device, IOCTL_STORAGE_CHECK_VERIFY2, 0, 0, 0, 0, &returned,
                               &check->overlapped))
        return TRUE;
    check->error = GetLastError();
    if (lastNtStatus) check->status = lastNtStatus();
    check->pending = check->error == ERROR_IO_PENDING;
    return TRUE;
}

// The end of a check that pended.
static void NoteCompletion(BOOL succeeded, ReadyCheck* check) {
    check->pending = FALSE;
    check->error = succeeded ? ERROR_SUCCESS : GetLastError();
    check->status = (LONG)check->overlapped.Internal;
}

BOOL IsReadyCheckAnswered(ReadyCheck* check) {
    if (!check->pending) return TRUE;
    DWORD returned = 0;
    BOOL succeeded =
        Device.GetOverlappedResult(check->device, &check->overlapped, &returned, FALSE);
    if (!succeeded && GetLastError() == ERROR_IO_INCOMPLETE) return FALSE;
    NoteCompletion(succeeded, check);
    return TRUE;
}

LONG FinishReadyCheck(ReadyCheck* check, DWORD* error) {
    if (check->pending) {
        // The request must be over before its handle and OVERLAPPED go away.
        // A driver in the middle of a retry may finish it first (the cdrom
        // driver sleeps up to 10 s between retries), and then answer.
        Device.CancelIo(check->device);
        DWORD returned = 0;
        BOOL succeeded =
            Device.GetOverlappedResult(check->device, &check->overlapped, &returned, TRUE);
        NoteCompletion(succeeded, check);
    }
    Device.CloseHandle(check->device);
    *error = check->error;
    return check->status;
}

BOOL ReadFileSystemName(const char* volumeDevicePath, char* fileSystemName) {
    char root[kPathChars + 1];
    wsprintfA(root, "%s\\", volumeDevicePath);
    if (Device.GetVolumeInformationA(root, 0, 0, 0, 0, 0, fileSystemName, kFileSystemNameChars))
        return TRUE;
    // A call that failed may have left part of a name behind.
    fileSystemName[0] = 0;
    return FALSE;
}
