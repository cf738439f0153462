// A scripted stand-in for the device seam: volumes, mount points and DOS
// devices as a test describes them, with a log of every call.
#include "tests/support/fake_device.h"

#include "volume/device_calls.h"

#include <winioctl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

FakeDevice* FakeDevice::current;

namespace {

const uintptr_t kHandleBase = 0x4000;

FakeVolume* FindVolume(const std::string& path) {
    for (FakeVolume& volume : FakeDevice::current->volumes)
        if (volume.devicePath == path) return &volume;
    return nullptr;
}

FakeDevice::OpenHandle* FindHandle(HANDLE handle) {
    uintptr_t index = (uintptr_t)handle - kHandleBase;
    auto& handles = FakeDevice::current->handles;
    if ((uintptr_t)handle < kHandleBase || index >= handles.size() || !handles[index].open)
        return nullptr;
    return &handles[index];
}

std::string Hex(DWORD value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%lX", (unsigned long)value);
    return text;
}

HANDLE WINAPI FakeCreateFileA(LPCSTR path, DWORD access, DWORD, LPSECURITY_ATTRIBUTES, DWORD,
                              DWORD flags, HANDLE) {
    FakeDevice* fake = FakeDevice::current;
    std::string name = path;
    fake->log.push_back("open " + name + " access=" + Hex(access));
    bool isRoot = !name.empty() && name.back() == '\\';
    FakeVolume* volume = FindVolume(isRoot ? name.substr(0, name.size() - 1) : name);
    bool allowed = false;
    if (volume && isRoot) {
        allowed = volume->rootOpens && (flags & FILE_FLAG_BACKUP_SEMANTICS);
    } else if (volume) {
        if (access == 0) {
            allowed = volume->opensForAttributes && volume->attributeOpenLimit != 0;
            if (allowed && volume->attributeOpenLimit > 0) --volume->attributeOpenLimit;
        }
        else if (access == GENERIC_READ) allowed = volume->opensForRead;
        else allowed = volume->opensForReadWrite;
    }
    if (!allowed) {
        SetLastError(volume ? volume->openError : ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    fake->handles.push_back({name, access, isRoot, true});
    return (HANDLE)(kHandleBase + fake->handles.size() - 1);
}

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

BOOL WINAPI FakeDeviceIoControl(HANDLE handle, DWORD code, LPVOID in, DWORD inBytes, LPVOID out,
                                DWORD outBytes, LPDWORD returned, LPOVERLAPPED) {
    FakeDevice::OpenHandle* open = FindHandle(handle);
    if (!open) return Fail(ERROR_INVALID_HANDLE);
    FakeDevice::current->log.push_back("ioctl " + open->path + " " + Hex(code));
    FakeVolume* volume = FindVolume(open->path);
    *returned = 0;
    switch (code) {
    case IOCTL_STORAGE_CHECK_VERIFY2:
        if (!volume->checkVerifyAnswers) return Fail(ERROR_NOT_READY);
        SetLastError(volume->checkVerifyLastError);
        return TRUE;
    case IOCTL_STORAGE_MEDIA_REMOVAL:
        if (inBytes != sizeof(PREVENT_MEDIA_REMOVAL) || ((PREVENT_MEDIA_REMOVAL*)in)->PreventMediaRemoval)
            return Fail(ERROR_INVALID_PARAMETER);
        return TRUE;
    case IOCTL_DISK_GET_LENGTH_INFO: {
        bool answers = open->access == 0 ? volume->lengthOnAttributeHandle : volume->lengthOnReadHandle;
        if (!answers || outBytes < sizeof(GET_LENGTH_INFORMATION)) return Fail(ERROR_INVALID_FUNCTION);
        ((GET_LENGTH_INFORMATION*)out)->Length.QuadPart = (LONGLONG)volume->lengthBytes;
        *returned = sizeof(GET_LENGTH_INFORMATION);
        return TRUE;
    }
    case IOCTL_STORAGE_QUERY_PROPERTY:
        if (volume->descriptor.empty()) return Fail(ERROR_NOT_SUPPORTED);
        std::memcpy(out, volume->descriptor.data(), std::min<size_t>(outBytes, volume->descriptor.size()));
        *returned = (DWORD)std::min<size_t>(outBytes, volume->descriptor.size());
        return TRUE;
    case IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS: {
        if (!volume->extentsAnswer) return Fail(ERROR_NOT_SUPPORTED);
        DWORD needed = (DWORD)(8 + 24 * volume->extentDisks.size());
        if (outBytes < needed) return Fail(ERROR_MORE_DATA);
        std::memset(out, 0, needed);
        *(DWORD*)out = (DWORD)volume->extentDisks.size();
        for (size_t i = 0; i < volume->extentDisks.size(); ++i)
            std::memcpy((BYTE*)out + 8 + 24 * i, &volume->extentDisks[i], 4);
        *returned = needed;
        return TRUE;
    }
    case 0x2D480C:  // load media
        return volume->loadMediaSucceeds ? TRUE : Fail(volume->loadMediaError);
    case 0x56C008:  // volume online
        return volume->volumeOnlineSucceeds ? TRUE : Fail(volume->volumeOnlineError);
    default:
        return Fail(ERROR_INVALID_FUNCTION);
    }
}

DWORD CopyAnswer(const std::string& answer, LPSTR target, DWORD maxChars) {
    if (answer.size() + 2 > maxChars) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(target, answer.c_str(), answer.size() + 1);
    target[answer.size() + 1] = 0;
    return (DWORD)answer.size() + 2;
}

DWORD WINAPI FakeQueryDosDeviceA(LPCSTR name, LPSTR target, DWORD maxChars) {
    FakeDevice* fake = FakeDevice::current;
    if (name == nullptr) {
        fake->log.push_back("dos-list " + std::to_string(maxChars));
        std::string list;
        for (auto& entry : fake->dosDevices) list += entry.first + '\0';
        if (maxChars < fake->listNeedsBytes || list.size() + 1 > maxChars) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return 0;
        }
        std::memcpy(target, list.data(), list.size());
        target[list.size()] = 0;
        return (DWORD)list.size() + 1;
    }
    fake->log.push_back(std::string("dos ") + name);
    auto found = fake->dosDevices.find(name);
    if (found == fake->dosDevices.end()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    return CopyAnswer(found->second, target, maxChars);
}

BOOL WINAPI FakeGetVolumeNameForVolumeMountPointA(LPCSTR mountPoint, LPSTR volumeName, DWORD maxChars) {
    FakeDevice* fake = FakeDevice::current;
    fake->log.push_back(std::string("mountpoint ") + mountPoint);
    auto found = fake->mountPoints.find(mountPoint);
    if (found == fake->mountPoints.end()) return Fail(ERROR_INVALID_PARAMETER);
    if (found->second.size() + 1 > maxChars) return Fail(ERROR_FILENAME_EXCED_RANGE);
    std::memcpy(volumeName, found->second.c_str(), found->second.size() + 1);
    return TRUE;
}

// No file lies on a scripted volume: the program's own volume stays unknown.
BOOL WINAPI FakeGetVolumePathNameA(LPCSTR, LPSTR, DWORD) {
    return Fail(ERROR_FILE_NOT_FOUND);
}

UINT WINAPI FakeGetDriveTypeA(LPCSTR rootPath) {
    auto found = FakeDevice::current->driveTypes.find(rootPath ? rootPath : "");
    return found == FakeDevice::current->driveTypes.end() ? DRIVE_NO_ROOT_DIR : found->second;
}

BOOL WINAPI FakeCloseHandle(HANDLE handle) {
    FakeDevice::OpenHandle* open = FindHandle(handle);
    if (!open) return Fail(ERROR_INVALID_HANDLE);
    FakeDevice::current->log.push_back("close " + open->path);
    open->open = false;
    return TRUE;
}

}  // namespace

FakeDevice::FakeDevice() {
    current = this;
    Device = {FakeCreateFileA,       FakeDeviceIoControl, FakeQueryDosDeviceA,
              FakeGetVolumeNameForVolumeMountPointA, FakeGetVolumePathNameA,
              FakeGetDriveTypeA,     FakeCloseHandle};
}

FakeDevice::~FakeDevice() {
    Device = SystemDeviceCalls;
    current = nullptr;
}

FakeVolume& FakeDevice::AddVolume(const std::string& devicePath) {
    volumes.emplace_back();
    volumes.back().devicePath = devicePath;
    return volumes.back();
}

std::vector<std::string> FakeDevice::Calls(const std::string& prefix) const {
    std::vector<std::string> matching;
    for (const std::string& call : log)
        if (call.compare(0, prefix.size(), prefix) == 0) matching.push_back(call);
    return matching;
}

int FakeDevice::OpenHandles() const {
    int count = 0;
    for (const OpenHandle& handle : handles) count += handle.open ? 1 : 0;
    return count;
}
