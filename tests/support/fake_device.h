// A scripted stand-in for the device seam.
//
// A test describes the volumes, mount points and DOS devices it wants; the
// fake answers as the system would, checks the arguments of every open and
// request against what the system requires (a wrong one is recorded in
// `faults`), logs every call and counts the handles not given back.
#pragma once
#include <windows.h>

#include <deque>
#include <map>
#include <string>
#include <vector>

struct FakeVolume {
    std::string devicePath;  // as the program opens it, without trailing backslash
    // Which opens succeed; a refused open fails with openError.
    bool opensForAttributes = true, opensForRead = true, opensForReadWrite = true;
    int attributeOpenLimit = -1;  // attribute opens that succeed before refusals; -1: all
    DWORD openError = ERROR_ACCESS_DENIED;
    bool rootOpens = false;  // the root directory, with backup semantics
    // IOCTL_STORAGE_CHECK_VERIFY2: answers, and the last error it leaves.
    bool checkVerifyAnswers = false;
    DWORD checkVerifyLastError = ERROR_SUCCESS;
    // IOCTL_DISK_GET_LENGTH_INFO, per kind of handle.
    bool lengthOnAttributeHandle = false, lengthOnReadHandle = false;
    ULONGLONG lengthBytes = 0;
    // IOCTL_STORAGE_QUERY_PROPERTY answer bytes; empty: the request fails.
    std::vector<BYTE> descriptor;
    // IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS disk numbers; extentsAnswer false: fails.
    bool extentsAnswer = false;
    std::vector<DWORD> extentDisks;
    // The load command's two requests: 0 succeeds, else the error.
    DWORD loadMediaError = ERROR_NOT_SUPPORTED, volumeOnlineError = ERROR_INVALID_FUNCTION;
};

class FakeDevice {
public:
    FakeDevice();
    ~FakeDevice();
    FakeDevice(const FakeDevice&) = delete;
    FakeDevice& operator=(const FakeDevice&) = delete;

    FakeVolume& AddVolume(const std::string& devicePath);
    std::vector<std::string> Calls(const std::string& prefix) const;
    int OpenHandles() const;

    std::map<std::string, std::string> mountPoints;  // GetVolumeNameForVolumeMountPointA
    std::map<std::string, std::string> volumePaths;  // GetVolumePathNameA
    std::map<std::string, std::string> dosDevices;   // QueryDosDeviceA of one name
    DWORD listNeedsBytes = 0;  // a smaller QueryDosDeviceA(null) buffer is too small
    std::map<std::string, UINT> driveTypes;
    std::string currentDirectory = "C:\\";

    // "open PATH access=0xN", "ioctl PATH 0xCODE", "close PATH", "dos NAME",
    // "dos-list SIZE", "mountpoint PATH", "volumepath PATH", in call order.
    std::vector<std::string> log;
    // Arguments the system would not take, or that do not do what the call is for.
    std::vector<std::string> faults;

    static FakeDevice* current;
    struct OpenHandle {
        std::string path;
        DWORD access;
        bool open;
    };
    std::deque<FakeVolume> volumes;  // a deque keeps AddVolume references valid
    std::vector<OpenHandle> handles;
};

// A storage device descriptor with the texts after the fixed part; an empty
// text gets offset 0 (no text).
std::vector<BYTE> DescriptorBytes(const std::string& vendor, const std::string& product,
                                  DWORD busType);
