// Is a medium in the drive, is its volume mounted, how large is it.
//
// An optical drive is asked directly; every other drive counts as loaded when
// its volume reports at least 1 MiB, because a card reader without a card
// still has a volume, of length 0. Where the length cannot be read, a file
// system mounted on the volume shows that the medium is there. Asking an
// optical drive re-allows removal of its medium every time, so a lock left by
// another program does not survive a run of this one.
#include "volume/media_probes.h"
#include "console/con_printf.h"
#include "diag/error_names.h"
#include "volume/device_calls.h"
#include "volume/resolve_drive.h"
#include <winioctl.h>

static const DWORD kShareReadWrite = FILE_SHARE_READ | FILE_SHARE_WRITE;

static HANDLE OpenDevice(const char* path, DWORD access, DWORD flags) {
    return Device.CreateFileA(path, access, kShareReadWrite, 0, OPEN_EXISTING, flags, 0);
}

static BOOL IsOpticalMediaPresent(const char* volumeDevicePath) {
    HANDLE drive = OpenDevice(volumeDevicePath, GENERIC_READ, 0);
    if (drive == INVALID_HANDLE_VALUE) return FALSE;

    DWORD answer = 0;
    DWORD returned = 0;
    // A request that succeeds leaves the last error alone: clear it, so an
    // error of some earlier call is not read as the drive's "not ready".
    SetLastError(ERROR_SUCCESS);
    BOOL present = Device.DeviceIoControl(drive, IOCTL_STORAGE_CHECK_VERIFY2, 0, 0, &answer,
                                          sizeof answer, &returned, 0) &&
                   GetLastError() != ERROR_NOT_READY;

    PREVENT_MEDIA_REMOVAL allowRemoval = {FALSE};
    Device.DeviceIoControl(drive, IOCTL_STORAGE_MEDIA_REMOVAL, &allowRemoval, sizeof allowRemoval,
                           0, 0, &returned, 0);
    Device.CloseHandle(drive);
    return present;
}

BOOL IsVolumeMounted(const char* volumeDevicePath) {
    char root[kPathChars + 1];
    wsprintfA(root, "%s\\", volumeDevicePath);
    HANDLE directory = OpenDevice(root, 0, FILE_FLAG_BACKUP_SEMANTICS);
    if (!IsValidHandle(directory)) return FALSE;
    Device.CloseHandle(directory);
    return TRUE;
}

enum LengthAnswer { kNotOpened, kRefused, kAnswered };

static LengthAnswer QueryLength(const char* path, DWORD access, GET_LENGTH_INFORMATION* length) {
    HANDLE device = OpenDevice(path, access, 0);
    if (device == INVALID_HANDLE_VALUE) return kNotOpened;
    DWORD returned = 0;
    BOOL answered = Device.DeviceIoControl(device, IOCTL_DISK_GET_LENGTH_INFO, 0, 0, length,
                                           sizeof *length, &returned, 0);
    Device.CloseHandle(device);
    return answered ? kAnswered : kRefused;
}

// The medium's length in MiB (the low 32 bits of the quotient); FALSE when
// neither handle got an answer: a standard user gets no read access to a
// fixed volume, and Windows 2000 does not know the request.
static BOOL ReadLengthMB(const char* devicePath, DWORD* sizeMB) {
    GET_LENGTH_INFORMATION length;
    LengthAnswer answer = QueryLength(devicePath, 0, &length);
    // Asked first on a handle without access rights, then with read access,
    // which the system requires of the length request.
    if (answer == kRefused) answer = QueryLength(devicePath, GENERIC_READ, &length);
    if (answer != kAnswered) return FALSE;
    *sizeMB = (DWORD)((ULONGLONG)length.Length.QuadPart >> 20);
    return TRUE;
}

// Whether a file system is mounted on the volume, as its root tells any user:
// a size answered (whatever a quota makes of it) or a refusal to this user
// can only come from a mounted file system.
static BOOL RootHasFileSystem(const char* devicePath) {
    char root[kPathChars + 1];
    ULARGE_INTEGER totalBytes;
    wsprintfA(root, "%s\\", devicePath);
    if (Device.GetDiskFreeSpaceExA(root, 0, &totalBytes, 0)) return TRUE;
    return GetLastError() == ERROR_ACCESS_DENIED;
}

BOOL IsMediaPresent(const char* volumeDevicePath, UINT driveType) {
    if (driveType == DRIVE_CDROM) return IsOpticalMediaPresent(volumeDevicePath);
    DWORD sizeMB = 0;
    if (ReadLengthMB(volumeDevicePath, &sizeMB)) return (LONG)sizeMB > 0;
    return RootHasFileSystem(volumeDevicePath);
}
