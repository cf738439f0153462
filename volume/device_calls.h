// The program's seam in front of the platform calls that reach a device or the
// volume namespace.
//
// Every open of a volume or disk, every control request, every lookup of a
// volume name, DOS device or the current directory, the size and file system
// of a mounted volume, the lookup of the NT status of a failed request and the close of
// such handles goes through Device. The program fills it with the Win32 functions; tests may
// replace entries with scripted answers to produce situations that no test machine can (a disc in a
// drive, a volume that refuses to open). All decisions stay above the seam, in the program's own
// code.
#pragma once
#include <windows.h>

typedef LONG(WINAPI* LastNtStatusFunction)();

struct DeviceCalls {
    HANDLE(WINAPI* CreateFileA)
    (LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
     DWORD flags, HANDLE templateFile);
    BOOL(WINAPI* DeviceIoControl)
    (HANDLE device, DWORD code, LPVOID in, DWORD inBytes, LPVOID out, DWORD outBytes,
     LPDWORD returnedBytes, LPOVERLAPPED overlapped);
    DWORD(WINAPI* QueryDosDeviceA)(LPCSTR deviceName, LPSTR targetPath, DWORD maxChars);
    BOOL(WINAPI* GetVolumeNameForVolumeMountPointA)
    (LPCSTR mountPoint, LPSTR volumeName, DWORD maxChars);
    BOOL(WINAPI* GetVolumePathNameA)(LPCSTR fileName, LPSTR volumePath, DWORD maxChars);
    UINT(WINAPI* GetDriveTypeA)(LPCSTR rootPath);
    DWORD(WINAPI* GetCurrentDirectoryA)(DWORD maxChars, LPSTR directory);
    BOOL(WINAPI* GetDiskFreeSpaceExA)
    (LPCSTR directory, PULARGE_INTEGER freeToCaller, PULARGE_INTEGER totalBytes,
     PULARGE_INTEGER freeBytes);
    BOOL(WINAPI* GetOverlappedResult)
    (HANDLE device, LPOVERLAPPED overlapped, LPDWORD transferredBytes, BOOL wait);
    BOOL(WINAPI* CancelIo)(HANDLE device);
    BOOL(WINAPI* GetVolumeInformationA)
    (LPCSTR rootPath, LPSTR volumeName, DWORD volumeNameChars, LPDWORD serialNumber,
     LPDWORD maxComponentChars, LPDWORD fileSystemFlags, LPSTR fileSystemName,
     DWORD fileSystemNameChars);
    // ntdll's RtlGetLastNtStatus, which reads the NT status behind the thread's
    // last error; null where ntdll does not have it (Windows 2000).
    LastNtStatusFunction(WINAPI* FindLastNtStatus)();
    BOOL(WINAPI* CloseHandle)(HANDLE handle);
};

extern DeviceCalls Device;
// The Win32 functions themselves, for restoring Device or passing calls on.
extern const DeviceCalls SystemDeviceCalls;
