// The program's seam in front of the platform calls that reach a device.
//
// The table is built from small forwarding functions rather than from the
// imported functions' addresses, which are not constants: the program has no
// C runtime start-up to run a dynamic initializer, so Device must be filled
// at load time by the image itself.
#include "volume/device_calls.h"

static HANDLE WINAPI SystemCreateFileA(LPCSTR path, DWORD access, DWORD share,
                                       LPSECURITY_ATTRIBUTES security, DWORD disposition,
                                       DWORD flags, HANDLE templateFile) {
    return CreateFileA(path, access, share, security, disposition, flags, templateFile);
}

static BOOL WINAPI SystemDeviceIoControl(HANDLE device, DWORD code, LPVOID in, DWORD inBytes,
                                         LPVOID out, DWORD outBytes, LPDWORD returnedBytes,
                                         LPOVERLAPPED overlapped) {
    return DeviceIoControl(device, code, in, inBytes, out, outBytes, returnedBytes, overlapped);
}

static DWORD WINAPI SystemQueryDosDeviceA(LPCSTR deviceName, LPSTR targetPath, DWORD maxChars) {
    return QueryDosDeviceA(deviceName, targetPath, maxChars);
}

static BOOL WINAPI SystemGetVolumeNameForVolumeMountPointA(LPCSTR mountPoint, LPSTR volumeName,
                                                           DWORD maxChars) {
    return GetVolumeNameForVolumeMountPointA(mountPoint, volumeName, maxChars);
}

static BOOL WINAPI SystemGetVolumePathNameA(LPCSTR fileName, LPSTR volumePath, DWORD maxChars) {
    return GetVolumePathNameA(fileName, volumePath, maxChars);
}

static UINT WINAPI SystemGetDriveTypeA(LPCSTR rootPath) {
    return GetDriveTypeA(rootPath);
}

static DWORD WINAPI SystemGetCurrentDirectoryA(DWORD maxChars, LPSTR directory) {
    return GetCurrentDirectoryA(maxChars, directory);
}

static BOOL WINAPI SystemGetDiskFreeSpaceExA(LPCSTR directory, PULARGE_INTEGER freeToCaller,
                                             PULARGE_INTEGER totalBytes,
                                             PULARGE_INTEGER freeBytes) {
    return GetDiskFreeSpaceExA(directory, freeToCaller, totalBytes, freeBytes);
}

static BOOL WINAPI SystemGetOverlappedResult(HANDLE device, LPOVERLAPPED overlapped,
                                             LPDWORD transferredBytes, BOOL wait) {
    return GetOverlappedResult(device, overlapped, transferredBytes, wait);
}

static BOOL WINAPI SystemCancelIo(HANDLE device) {
    return CancelIo(device);
}

static BOOL WINAPI SystemGetVolumeInformationA(LPCSTR rootPath, LPSTR volumeName,
                                               DWORD volumeNameChars, LPDWORD serialNumber,
                                               LPDWORD maxComponentChars, LPDWORD fileSystemFlags,
                                               LPSTR fileSystemName, DWORD fileSystemNameChars) {
    return GetVolumeInformationA(rootPath, volumeName, volumeNameChars, serialNumber,
                                 maxComponentChars, fileSystemFlags, fileSystemName,
                                 fileSystemNameChars);
}

// ntdll is in every process; it is looked up, not imported, to keep the
// imports to the three libraries the program always had.
static LastNtStatusFunction WINAPI SystemFindLastNtStatus() {
    return (LastNtStatusFunction)(void*)GetProcAddress(GetModuleHandleA("ntdll.dll"),
                                                       "RtlGetLastNtStatus");
}

static BOOL WINAPI SystemCloseHandle(HANDLE handle) {
    return CloseHandle(handle);
}

extern constexpr DeviceCalls SystemDeviceCalls = {
    SystemCreateFileA,           SystemDeviceIoControl,
    SystemQueryDosDeviceA,       SystemGetVolumeNameForVolumeMountPointA,
    SystemGetVolumePathNameA,    SystemGetDriveTypeA,
    SystemGetCurrentDirectoryA,  SystemGetDiskFreeSpaceExA,
    SystemGetOverlappedResult,   SystemCancelIo,
    SystemGetVolumeInformationA, SystemFindLastNtStatus,
    SystemCloseHandle,
};

// Both are constant-initialized, so no start-up code is needed to fill them.
DeviceCalls Device = SystemDeviceCalls;
