// A scripted stand-in for the device seam: volumes, mount points and DOS
// devices as a test describes them, a check of every call's arguments and a
// log of every call.
#include "tests/support/fake_device.h"

#include "volume/device_calls.h"

#include <winioctl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

FakeDevice* FakeDevice::current;

namespace {

const uintptr_t kHandleBase = 0x4000;

std::string Hex(DWORD value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%lX", (unsigned long)value);
    return text;
}

void Require(bool condition, const std::string& what) {
    if (!condition) FakeDevice::current->faults.push_back(what);
}

FakeVolume* FindVolume(const std::string& path) {
    for (FakeVolume& volume : FakeDevice::current->volumes)
        if (volume.devicePath == path) return &volume;
    return nullptr;
}

FakeDevice::OpenHandle* FindHandle(HANDLE handle) {
    auto& handles = FakeDevice::current->handles;
    uintptr_t index = (uintptr_t)handle - kHandleBase;
    if ((uintptr_t)handle < kHandleBase || index >= handles.size() || !handles[index].open)
        return nullptr;
    return &handles[index];
}

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

HANDLE WINAPI FakeCreateFileA(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                              DWORD disposition, DWORD flags, HANDLE templateFile) {
    FakeDevice* fake = FakeDevice::current;
    std::string name = path;
    fake->log.push_back("open " + name + " access=" + Hex(access));
    bool isRoot = !name.empty() && name.back() == '\\';
    Require(share == (FILE_SHARE_READ | FILE_SHARE_WRITE) && !security && !templateFile &&
                disposition == OPEN_EXISTING && flags == (isRoot ? FILE_FLAG_BACKUP_SEMANTICS : 0u),
            "open arguments of " + name);
    FakeVolume* volume = FindVolume(isRoot ? name.substr(0, name.size() - 1) : name);
    bool allowed = false;
    if (volume && isRoot) {
        allowed = volume->rootOpens;
    } else if (volume && access == 0) {
        allowed = volume->opensForAttributes && volume->attributeOpenLimit != 0;
        if (allowed && volume->attributeOpenLimit > 0) --volume->attributeOpenLimit;
    } else if (volume) {
        allowed = access == GENERIC_READ ? volume->opensForRead : volume->opensForReadWrite;
    }
    if (!allowed) {
        SetLastError(volume ? volume->openError : ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    fake->handles.push_back({name, access, true});
    return (HANDLE)(kHandleBase + fake->handles.size() - 1);
}

BOOL WINAPI FakeDeviceIoControl(HANDLE handle, DWORD code, LPVOID in, DWORD inBytes, LPVOID out,
                                DWORD outBytes, LPDWORD returned, LPOVERLAPPED overlapped) {
    FakeDevice::OpenHandle* open = FindHandle(handle);
    if (!open) return Fail(ERROR_INVALID_HANDLE);
    FakeDevice::current->log.push_back("ioctl " + open->path + " " + Hex(code));
    FakeVolume* volume = FindVolume(open->path);
    const std::string request = Hex(code) + " on " + open->path;
    Require(returned && !overlapped, "returned-bytes word or overlapped of " + request);
    // No request but two takes input.
    bool takesInput = code == IOCTL_STORAGE_QUERY_PROPERTY || code == IOCTL_STORAGE_MEDIA_REMOVAL;
    Require(takesInput || (!in && !inBytes), "input of " + request);
    *returned = 0;
    switch (code) {
    case IOCTL_STORAGE_CHECK_VERIFY2:
        Require(out && outBytes == 4, "output of " + request);
        if (!volume->checkVerifyAnswers) return Fail(ERROR_NOT_READY);
        SetLastError(volume->checkVerifyLastError);
        return TRUE;
    case IOCTL_STORAGE_MEDIA_REMOVAL:
        Require(inBytes == sizeof(PREVENT_MEDIA_REMOVAL) && !((PREVENT_MEDIA_REMOVAL*)in)->PreventMediaRemoval &&
                    !out && !outBytes,
                "removal must be allowed: " + request);
        return TRUE;
    case IOCTL_DISK_GET_LENGTH_INFO: {
        Require(outBytes == sizeof(GET_LENGTH_INFORMATION), "output of " + request);
        bool answers = open->access == 0 ? volume->lengthOnAttributeHandle : volume->lengthOnReadHandle;
        if (!answers) return Fail(ERROR_INVALID_FUNCTION);
        ((GET_LENGTH_INFORMATION*)out)->Length.QuadPart = (LONGLONG)volume->lengthBytes;
        *returned = sizeof(GET_LENGTH_INFORMATION);
        return TRUE;
    }
    case IOCTL_STORAGE_QUERY_PROPERTY: {
        auto* query = (STORAGE_PROPERTY_QUERY*)in;
        Require(inBytes == 12 && query->PropertyId == StorageDeviceProperty &&
                    query->QueryType == PropertyStandardQuery && outBytes == 1024 &&
                    ((STORAGE_DEVICE_DESCRIPTOR*)out)->Size == 1024,
                "query of " + request);
        if (volume->descriptor.empty()) return Fail(ERROR_NOT_SUPPORTED);
        *returned = (DWORD)std::min<size_t>(outBytes, volume->descriptor.size());
        std::memcpy(out, volume->descriptor.data(), *returned);
        return TRUE;
    }
    case IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS: {
        Require(outBytes == 2408, "output of " + request);
        if (!volume->extentsAnswer) return Fail(ERROR_NOT_SUPPORTED);
        DWORD needed = (DWORD)(8 + 24 * volume->extentDisks.size());
        if (outBytes < needed) return Fail(ERROR_MORE_DATA);
        *(DWORD*)out = (DWORD)volume->extentDisks.size();
        for (size_t i = 0; i < volume->extentDisks.size(); ++i)
            std::memcpy((BYTE*)out + 8 + 24 * i, &volume->extentDisks[i], 4);
        *returned = needed;
        return TRUE;
    }
    case 0x2D480C:  // load media
    case 0x56C008:  // volume online
        Require(!out && !outBytes, "output of " + request);
        {
            DWORD error = code == 0x2D480C ? volume->loadMediaError : volume->volumeOnlineError;
            return error ? Fail(error) : TRUE;
        }
    default:
        Require(false, "unknown request " + request);
        return Fail(ERROR_INVALID_FUNCTION);
    }
}

// The system's answer shape: the text, its zero and the list's closing zero.
DWORD WINAPI FakeQueryDosDeviceA(LPCSTR name, LPSTR target, DWORD maxChars) {
    FakeDevice* fake = FakeDevice::current;
    std::string answer;
    if (name == nullptr) {
        fake->log.push_back("dos-list " + std::to_string(maxChars));
        for (auto& entry : fake->dosDevices) answer += entry.first + '\0';
        if (maxChars < fake->listNeedsBytes) return Fail(ERROR_INSUFFICIENT_BUFFER);
    } else {
        fake->log.push_back(std::string("dos ") + name);
        auto found = fake->dosDevices.find(name);
        if (found == fake->dosDevices.end()) return Fail(ERROR_FILE_NOT_FOUND);
        answer = found->second + '\0';
    }
    if (answer.size() + 1 > maxChars) return Fail(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(target, answer.data(), answer.size());
    target[answer.size()] = 0;
    return (DWORD)answer.size() + 1;
}

BOOL CopyName(const std::map<std::string, std::string>& names, LPCSTR key, LPSTR result, DWORD maxChars) {
    auto found = names.find(key);
    if (found == names.end()) return Fail(ERROR_INVALID_PARAMETER);
    if (found->second.size() + 1 > maxChars) return Fail(ERROR_FILENAME_EXCED_RANGE);
    std::memcpy(result, found->second.c_str(), found->second.size() + 1);
    return TRUE;
}

BOOL WINAPI FakeGetVolumeNameForVolumeMountPointA(LPCSTR mountPoint, LPSTR volumeName, DWORD maxChars) {
    FakeDevice::current->log.push_back(std::string("mountpoint ") + mountPoint);
    return CopyName(FakeDevice::current->mountPoints, mountPoint, volumeName, maxChars);
}

BOOL WINAPI FakeGetVolumePathNameA(LPCSTR fileName, LPSTR volumePath, DWORD maxChars) {
    FakeDevice::current->log.push_back(std::string("volumepath ") + fileName);
    return CopyName(FakeDevice::current->volumePaths, fileName, volumePath, maxChars);
}

UINT WINAPI FakeGetDriveTypeA(LPCSTR rootPath) {
    auto found = FakeDevice::current->driveTypes.find(rootPath);
    return found == FakeDevice::current->driveTypes.end() ? DRIVE_NO_ROOT_DIR : found->second;
}

// As the system: a directory that does not fit is not written, and the
// answer is the size it needs.
DWORD WINAPI FakeGetCurrentDirectoryA(DWORD maxChars, LPSTR directory) {
    const std::string& current = FakeDevice::current->currentDirectory;
    if (current.size() + 1 > maxChars) return (DWORD)current.size() + 1;
    std::memcpy(directory, current.c_str(), current.size() + 1);
    return (DWORD)current.size();
}

BOOL WINAPI FakeCloseHandle(HANDLE handle) {
    FakeDevice::OpenHandle* open = FindHandle(handle);
    if (!open) {
        FakeDevice::current->faults.push_back("close of a handle not open");
        return Fail(ERROR_INVALID_HANDLE);
    }
    FakeDevice::current->log.push_back("close " + open->path);
    open->open = false;
    return TRUE;
}

}  // namespace

FakeDevice::FakeDevice() {
    current = this;
    Device = {FakeCreateFileA, FakeDeviceIoControl, FakeQueryDosDeviceA,
              FakeGetVolumeNameForVolumeMountPointA, FakeGetVolumePathNameA, FakeGetDriveTypeA,
              FakeGetCurrentDirectoryA, FakeCloseHandle};
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
    return (int)std::count_if(handles.begin(), handles.end(), [](const OpenHandle& h) { return h.open; });
}

std::vector<BYTE> DescriptorBytes(const std::string& vendor, const std::string& product, DWORD busType) {
    std::vector<BYTE> bytes(sizeof(STORAGE_DEVICE_DESCRIPTOR), 0);
    auto place = [&bytes](const std::string& text) -> DWORD {
        if (text.empty()) return 0;
        size_t offset = bytes.size();
        bytes.resize(offset + text.size() + 1, 0);
        std::memcpy(&bytes[offset], text.data(), text.size());
        return (DWORD)offset;
    };
    DWORD vendorOffset = place(vendor);
    DWORD productOffset = place(product);
    auto* head = (STORAGE_DEVICE_DESCRIPTOR*)bytes.data();
    head->Size = (DWORD)bytes.size();
    head->VendorIdOffset = vendorOffset;
    head->ProductIdOffset = productOffset;
    head->BusType = (STORAGE_BUS_TYPE)busType;
    return bytes;
}
