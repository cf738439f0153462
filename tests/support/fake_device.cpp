// A scripted stand-in for the device seam: answers as the system would, checks
// every call's arguments and logs every call.
#include "tests/support/fake_device.h"

#include "volume/device_calls.h"

#include <winioctl.h>

#include <algorithm>
#include <cstring>

FakeDevice* FakeDevice::current;

namespace {

const uintptr_t kHandleBase = 0x4000;

FakeDevice& Fake() { return *FakeDevice::current; }
void Require(bool condition, const std::string& what) { if (!condition) Fake().faults.push_back(what); }
BOOL Fail(DWORD error) { return SetLastError(error), FALSE; }

std::string Hex(DWORD value) {
    char text[16];
    wsprintfA(text, "0x%lX", value);
    return text;
}

FakeVolume* FindVolume(const std::string& path) {
    for (FakeVolume& volume : Fake().volumes)
        if (volume.devicePath == path) return &volume;
    return nullptr;
}

FakeDevice::OpenHandle* FindHandle(HANDLE handle) {
    uintptr_t index = (uintptr_t)handle - kHandleBase;
    return index < Fake().handles.size() && Fake().handles[index].open ? &Fake().handles[index] : nullptr;
}

HANDLE WINAPI FakeCreateFileA(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                              DWORD disposition, DWORD flags, HANDLE templateFile) {
    std::string name = path;
    Fake().log.push_back("open " + name + " access=" + Hex(access));
    bool isRoot = name.back() == '\\';
    Require(share == (FILE_SHARE_READ | FILE_SHARE_WRITE) && !security && !templateFile && disposition == OPEN_EXISTING &&
                flags == (isRoot ? FILE_FLAG_BACKUP_SEMANTICS : 0u), "open arguments of " + name);
    FakeVolume* v = FindVolume(isRoot ? name.substr(0, name.size() - 1) : name);
    bool allowed = v && (isRoot ? v->rootOpens
                         : access == 0 ? v->opensForAttributes && (v->attributeOpenLimit < 0 || (v->attributeOpenLimit > 0 && v->attributeOpenLimit--))
                         : access == GENERIC_READ ? v->opensForRead : v->opensForReadWrite);
    if (!allowed) return SetLastError(v ? v->openError : ERROR_FILE_NOT_FOUND), INVALID_HANDLE_VALUE;
    Fake().handles.push_back({name, access, true});
    return (HANDLE)(kHandleBase + Fake().handles.size() - 1);
}

// Each request with the buffers the system needs for it; any other code is a fault.
BOOL WINAPI FakeDeviceIoControl(HANDLE handle, DWORD code, LPVOID in, DWORD inBytes, LPVOID out, DWORD outBytes,
                                LPDWORD returned, LPOVERLAPPED overlapped) {
    FakeDevice::OpenHandle* open = FindHandle(handle);
    if (!open) return Fail(ERROR_INVALID_HANDLE);
    Fake().log.push_back("ioctl " + open->path + " " + Hex(code));
    FakeVolume* v = FindVolume(open->path);
    const std::string request = Hex(code) + " on " + open->path;
    bool takesInput = code == IOCTL_STORAGE_QUERY_PROPERTY || code == IOCTL_STORAGE_MEDIA_REMOVAL;
    Require(returned && !overlapped && (takesInput || (!in && !inBytes)), "arguments of " + request);
    *returned = 0;
    switch (code) {
    case IOCTL_STORAGE_CHECK_VERIFY2:
        Require(out && outBytes == 4, "output of " + request);
        return v->checkVerifyAnswers ? SetLastError(v->checkVerifyLastError), TRUE : Fail(ERROR_NOT_READY);
    case IOCTL_STORAGE_MEDIA_REMOVAL:
        Require(inBytes == 1 && !((PREVENT_MEDIA_REMOVAL*)in)->PreventMediaRemoval && !out && !outBytes,
                "removal must be allowed: " + request);
        return TRUE;
    case IOCTL_DISK_GET_LENGTH_INFO:
        Require(outBytes == 8, "output of " + request);
        if (!(open->access == 0 ? v->lengthOnAttributeHandle : v->lengthOnReadHandle)) return Fail(ERROR_INVALID_FUNCTION);
        std::memcpy(out, &v->lengthBytes, *returned = 8);
        return TRUE;
    case IOCTL_STORAGE_QUERY_PROPERTY: {
        auto* query = (STORAGE_PROPERTY_QUERY*)in;
        Require(inBytes == 12 && query->PropertyId == StorageDeviceProperty && query->QueryType == PropertyStandardQuery &&
                    outBytes == 1024 && ((STORAGE_DEVICE_DESCRIPTOR*)out)->Size == 1024, "query of " + request);
        if (v->descriptor.empty()) return Fail(ERROR_NOT_SUPPORTED);
        std::memcpy(out, v->descriptor.data(), *returned = (DWORD)std::min<size_t>(outBytes, v->descriptor.size()));
        return TRUE;
    }
    case IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS:
        Require(outBytes == 2408, "output of " + request);
        if (!v->extentsAnswer) return Fail(ERROR_NOT_SUPPORTED);
        *(DWORD*)out = (DWORD)v->extentDisks.size();
        for (size_t i = 0; i < v->extentDisks.size(); ++i) std::memcpy((BYTE*)out + 8 + 24 * i, &v->extentDisks[i], 4);
        *returned = (DWORD)(8 + 24 * v->extentDisks.size());
        return TRUE;
    case 0x2D480C:    // load media
    case 0x56C008: {  // volume online
        Require(!out && !outBytes, "output of " + request);
        DWORD error = code == 0x2D480C ? v->loadMediaError : v->volumeOnlineError;
        return error ? Fail(error) : TRUE;
    }
    }
    Require(false, "unknown request " + request);
    return Fail(ERROR_INVALID_FUNCTION);
}

// The system's answer shape: the texts, each with its zero, and the list's closing zero.
DWORD WINAPI FakeQueryDosDeviceA(LPCSTR name, LPSTR target, DWORD maxChars) {
    std::string answer;
    Fake().log.push_back(name ? std::string("dos ") + name : "dos-list " + std::to_string(maxChars));
    if (!name) {
        for (auto& entry : Fake().dosDevices) answer += entry.first + '\0';
        if (maxChars < Fake().listNeedsBytes || Fake().listError)
            return Fail(Fake().listError ? Fake().listError : ERROR_INSUFFICIENT_BUFFER);
    } else if (Fake().dosDevices.count(name)) {
        answer = Fake().dosDevices[name] + '\0';
    } else {
        return Fail(ERROR_FILE_NOT_FOUND);
    }
    if (answer.size() + 1 > maxChars) return Fail(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(target, answer.c_str(), answer.size() + 1);
    return (DWORD)answer.size() + 1;
}

BOOL CopyName(const char* call, std::map<std::string, std::string>& names, LPCSTR key, LPSTR result, DWORD maxChars) {
    Fake().log.push_back(call + std::string(key));
    if (!names.count(key)) return lstrcpynA(result, "partial", maxChars), Fail(ERROR_INVALID_PARAMETER);
    if (names[key].size() + 1 > maxChars) return Fail(ERROR_FILENAME_EXCED_RANGE);
    return lstrcpyA(result, names[key].c_str()) != nullptr;
}

BOOL WINAPI FakeGetVolumeNameForVolumeMountPointA(LPCSTR mountPoint, LPSTR volumeName, DWORD maxChars) {
    return CopyName("mountpoint ", Fake().mountPoints, mountPoint, volumeName, maxChars);
}

BOOL WINAPI FakeGetVolumePathNameA(LPCSTR fileName, LPSTR volumePath, DWORD maxChars) {
    return CopyName("volumepath ", Fake().volumePaths, fileName, volumePath, maxChars);
}

UINT WINAPI FakeGetDriveTypeA(LPCSTR rootPath) {
    return Fake().driveTypes.count(rootPath) ? Fake().driveTypes[rootPath] : DRIVE_NO_ROOT_DIR;
}

// As the system: a directory that does not fit is not written; the answer is the size it needs.
DWORD WINAPI FakeGetCurrentDirectoryA(DWORD maxChars, LPSTR directory) {
    const std::string& current = Fake().currentDirectory;
    if (current.size() + 1 > maxChars) return (DWORD)current.size() + 1;
    return lstrcpyA(directory, current.c_str()), (DWORD)current.size();
}

BOOL WINAPI FakeCloseHandle(HANDLE handle) {
    FakeDevice::OpenHandle* open = FindHandle(handle);
    Require(open, "close of a handle not open");
    if (!open) return Fail(ERROR_INVALID_HANDLE);
    Fake().log.push_back("close " + open->path);
    return open->open = false, TRUE;
}

}  // namespace

FakeDevice::FakeDevice() {
    current = this;
    Device = {FakeCreateFileA, FakeDeviceIoControl, FakeQueryDosDeviceA, FakeGetVolumeNameForVolumeMountPointA,
              FakeGetVolumePathNameA, FakeGetDriveTypeA, FakeGetCurrentDirectoryA, FakeCloseHandle};
}

FakeDevice::~FakeDevice() {
    Device = SystemDeviceCalls;
    current = nullptr;
}

FakeVolume& FakeDevice::AddVolume(const std::string& devicePath) {
    volumes.emplace_back();
    return volumes.back().devicePath = devicePath, volumes.back();
}

std::vector<std::string> FakeDevice::Calls(const std::string& prefix) const {
    std::vector<std::string> matching;
    std::copy_if(log.begin(), log.end(), std::back_inserter(matching),
                 [&](const std::string& call) { return call.compare(0, prefix.size(), prefix) == 0; });
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
    STORAGE_DEVICE_DESCRIPTOR head = {};
    head.VendorIdOffset = place(vendor);
    head.ProductIdOffset = place(product);
    head.Size = (DWORD)bytes.size();
    head.BusType = (STORAGE_BUS_TYPE)busType;
    std::memcpy(bytes.data(), &head, sizeof head);
    return bytes;
}
