// A scripted stand-in for the device seam. A test describes the volumes, mount
// points and DOS devices it wants; the fake answers as the system would, checks
// every open's and request's arguments against what the system requires (a
// wrong one lands in `faults`), logs every call and counts handles not closed.
#pragma once
#include <windows.h>

#include <deque>
#include <map>
#include <string>
#include <vector>

struct FakeVolume {
    std::string devicePath;  // as the program opens it, without trailing backslash
    bool opensForAttributes = true, opensForRead = true, opensForReadWrite = true, rootOpens = false;
    int attributeOpenLimit = -1;  // attribute opens that succeed before refusals; -1: all
    DWORD openError = ERROR_ACCESS_DENIED;
    bool checkVerifyAnswers = false;  // IOCTL_STORAGE_CHECK_VERIFY2, and the last error it leaves
    DWORD checkVerifyLastError = ERROR_SUCCESS;
    bool lengthOnAttributeHandle = false, lengthOnReadHandle = false;  // IOCTL_DISK_GET_LENGTH_INFO
    ULONGLONG lengthBytes = 0;
    std::vector<BYTE> descriptor;  // IOCTL_STORAGE_QUERY_PROPERTY answer; empty: it fails
    bool extentsAnswer = false;    // IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, with these disks
    std::vector<DWORD> extentDisks;
    DWORD loadMediaError = ERROR_NOT_SUPPORTED, volumeOnlineError = ERROR_INVALID_FUNCTION;  // 0: succeeds
};

class FakeDevice {
public:
    FakeDevice();
    ~FakeDevice();
    FakeVolume& AddVolume(const std::string& devicePath);
    std::vector<std::string> Calls(const std::string& prefix) const;
    int OpenHandles() const;

    std::map<std::string, std::string> mountPoints, volumePaths, dosDevices;
    DWORD listNeedsBytes = 0, listError = 0;  // QueryDosDeviceA(null): a smaller buffer is too small; fails so
    std::map<std::string, UINT> driveTypes;
    std::string currentDirectory = "C:\\";
    // "open PATH access=0xN", "ioctl PATH 0xCODE", "close PATH", "dos NAME", "dos-list SIZE",
    // "mountpoint PATH", "volumepath PATH", in call order.
    std::vector<std::string> log, faults;

    static FakeDevice* current;
    struct OpenHandle {
        std::string path;
        DWORD access;
        bool open;
    };
    std::deque<FakeVolume> volumes;  // a deque keeps AddVolume references valid
    std::vector<OpenHandle> handles;
};

// A storage device descriptor with the texts after the fixed part; an empty text gets offset 0.
std::vector<BYTE> DescriptorBytes(const std::string& vendor, const std::string& product, DWORD busType);
