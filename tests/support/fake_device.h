// A scripted stand-in for the device seam.
//
// A test describes the volumes, mount points and DOS devices it wants, installs
// the fake (for the lifetime of the object) and afterwards reads the log of
// every call the program made through the seam.
#pragma once
#include <windows.h>

#include <deque>
#include <map>
#include <string>
#include <vector>

struct FakeVolume {
    std::string devicePath;  // as the program opens it, without trailing backslash
    // Which opens succeed; a refused open fails with openError.
    bool opensForAttributes = true;
    bool opensForRead = true;
    bool opensForReadWrite = true;
    // How many attribute-only opens succeed before they are refused; -1: all.
    int attributeOpenLimit = -1;
    DWORD openError = ERROR_ACCESS_DENIED;
    bool rootOpens = false;  // the root directory, opened with backup semantics

    // IOCTL_STORAGE_CHECK_VERIFY2: result, and the last error left on success.
    bool checkVerifyAnswers = false;
    DWORD checkVerifyLastError = ERROR_SUCCESS;
    // IOCTL_DISK_GET_LENGTH_INFO, per kind of handle.
    bool lengthOnAttributeHandle = false;
    bool lengthOnReadHandle = false;
    ULONGLONG lengthBytes = 0;
    // IOCTL_STORAGE_QUERY_PROPERTY answer bytes; empty: the request fails.
    std::vector<BYTE> descriptor;
    // IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS: disk numbers; not set: the request fails.
    bool extentsAnswer = false;
    std::vector<DWORD> extentDisks;
    // The two control requests of the load command.
    bool loadMediaSucceeds = false;
    DWORD loadMediaError = ERROR_NOT_SUPPORTED;
    bool volumeOnlineSucceeds = false;
    DWORD volumeOnlineError = ERROR_INVALID_FUNCTION;
};

class FakeDevice {
public:
    FakeDevice();
    ~FakeDevice();
    FakeDevice(const FakeDevice&) = delete;
    FakeDevice& operator=(const FakeDevice&) = delete;

    FakeVolume& AddVolume(const std::string& devicePath);

    // GetVolumeNameForVolumeMountPointA answers.
    std::map<std::string, std::string> mountPoints;
    // QueryDosDeviceA answers for single names.
    std::map<std::string, std::string> dosDevices;
    // The list QueryDosDeviceA(null) returns; empty means the list is built
    // from dosDevices. listNeedsBytes makes smaller buffers fail with
    // ERROR_INSUFFICIENT_BUFFER.
    DWORD listNeedsBytes = 0;
    std::map<std::string, UINT> driveTypes;

    // "open PATH access=N", "ioctl PATH 0xCODE", "close PATH", "dos NAME",
    // "dos-list SIZE", in call order.
    std::vector<std::string> log;
    std::vector<std::string> Calls(const std::string& prefix) const;
    int OpenHandles() const;

    static FakeDevice* current;

    struct OpenHandle {
        std::string path;
        DWORD access;
        bool isRoot;
        bool open;
    };
    std::deque<FakeVolume> volumes;  // a deque keeps AddVolume references valid
    std::vector<OpenHandle> handles;
};
