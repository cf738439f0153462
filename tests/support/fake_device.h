// The device seam, scripted: it answers as the system would for the volumes,
// mount points and DOS devices a test describes, notes each open, request and
// lookup in short, checks their arguments (a wrong one lands in `faults`) and
// counts handles not closed. The rules of the system live here, once, with
// where they come from; a test scripts only the situation.
#pragma once
#include "volume/device_calls.h"

#include <winioctl.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

struct FakeVolume {
    // The opens that succeed: a(ttributes), r(ead), w(rite and read), '\' (the root folder).
    // An administrator gets all; a standard user only "a\" on a fixed volume.
    std::string opens = "arw";
    DWORD openError = ERROR_ACCESS_DENIED;
    bool hasMedium = false;  // the drive answers the medium check
    ULONGLONG length = 0;    // bytes of the medium, and of its file system when mounted
    std::vector<BYTE> descriptor;            // empty: the property query fails
    std::vector<DWORD> extentDisks = {~0u};  // {~0u}: the extents request fails
    DWORD loadMediaError = ERROR_NOT_SUPPORTED;  // 0: the load requests succeed
    DWORD volumeOnlineError = ERROR_INVALID_FUNCTION;
};

struct FakeDevice {
    struct Handle {
        std::string path;
        char access;  // as in FakeVolume::opens
        bool open;
    };

    FakeDevice();
    ~FakeDevice() {
        Device = SystemDeviceCalls;
    }
    int OpenHandles() const {
        return (int)std::count_if(handles.begin(), handles.end(), [](auto& h) { return h.open; });
    }

    std::map<std::string, FakeVolume> volumes;  // by device path, without a trailing backslash
    std::map<std::string, std::string> mountPoints;
    std::map<std::string, std::string> volumePaths;
    std::map<std::string, std::string> dosDevices;
    std::map<std::string, UINT> driveTypes;
    DWORD listNeedsBytes = 0;  // the DOS device list fails as too small below this size
    DWORD listError = 0;       // or fails with this error
    std::string currentDirectory = "C:\\";
    // requests[path], in order: "open(0xACCESS) ", "root ", "query ", "verify ", "allow ",
    // "length ", "extents ", "load ", "load2 ", "online ", "size ".
    std::map<std::string, std::string> requests;
    std::string lookups;  // "dos-list CHARS ", "volumepath PATH "
    std::vector<std::string> faults;
    std::vector<Handle> handles;
    static inline FakeDevice* current;
};

namespace fake_device {

inline FakeDevice& Fake() {
    return *FakeDevice::current;
}

inline void Require(bool condition, const std::string& what) {
    if (!condition) Fake().faults.push_back(what);
}

inline BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

inline std::string Hex(DWORD value) {
    char text[16];
    wsprintfA(text, "0x%lX", value);
    return text;
}

inline HANDLE WINAPI CreateFileA(LPCSTR path, DWORD access, DWORD share,
                                 LPSECURITY_ATTRIBUTES security, DWORD disposition, DWORD flags,
                                 HANDLE templateFile) {
    std::string name = path;
    bool isRoot = name.back() == '\\';
    if (isRoot) name.pop_back();
    Fake().requests[name] += isRoot ? "root " : "open(" + Hex(access) + ") ";
    Require(share == (FILE_SHARE_READ | FILE_SHARE_WRITE) && !security && !templateFile &&
                disposition == OPEN_EXISTING && (flags & ~FILE_FLAG_BACKUP_SEMANTICS) == 0,
            "open arguments of " + name);
    char kind = 'a';
    if (isRoot) kind = '\\';
    if (access == GENERIC_READ) kind = 'r';
    if (access == (GENERIC_READ | GENERIC_WRITE)) kind = 'w';
    FakeVolume* volume = Fake().volumes.count(name) ? &Fake().volumes[name] : nullptr;
    if (!volume) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    // CreateFile: a folder opens only with FILE_FLAG_BACKUP_SEMANTICS.
    bool refused = volume->opens.find(kind) == std::string::npos;
    if (refused || (isRoot && !(flags & FILE_FLAG_BACKUP_SEMANTICS))) {
        SetLastError(refused ? volume->openError : ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    Fake().handles.push_back({name, kind, true});
    // CreateFileW clears the last error when it opens with OPEN_EXISTING.
    SetLastError(ERROR_SUCCESS);
    return (HANDLE)(0x4000 + Fake().handles.size() - 1);
}

inline FakeDevice::Handle* FindHandle(HANDLE handle) {
    uintptr_t index = (uintptr_t)handle - 0x4000;
    if (index >= Fake().handles.size() || !Fake().handles[index].open) return nullptr;
    return &Fake().handles[index];
}

// Bits 14 and 15 of a control code name the access the handle must have
// (Microsoft, "Defining I/O Control Codes": RequiredAccess); the I/O manager
// refuses any other handle before a driver sees the request.
inline bool HasAccessFor(DWORD code, char access) {
    DWORD required = (code >> 14) & 3;
    bool reads = access == 'r' || access == 'w';
    bool writes = access == 'w';
    if ((required & FILE_READ_ACCESS) && !reads) return false;
    return !(required & FILE_WRITE_ACCESS) || writes;
}

struct KnownRequest {
    DWORD code;
    const char* name;
    DWORD inBytes;
    DWORD outBytes;
};

const KnownRequest kRequests[] = {
    {IOCTL_STORAGE_CHECK_VERIFY2, "verify ", 0, 4},
    {IOCTL_STORAGE_MEDIA_REMOVAL, "allow ", 1, 0},
    {IOCTL_DISK_GET_LENGTH_INFO, "length ", 0, 8},
    {IOCTL_STORAGE_QUERY_PROPERTY, "query ", 12, 1024},
    {IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, "extents ", 0, 2408},
    {IOCTL_STORAGE_LOAD_MEDIA, "load ", 0, 0},
    {IOCTL_STORAGE_LOAD_MEDIA2, "load2 ", 0, 0},
    {0x56C008, "online ", 0, 0},
};

inline BOOL Answer(const FakeVolume& volume, DWORD code, LPVOID in, LPVOID out, DWORD outBytes,
                   LPDWORD returned) {
    switch (code) {
    case IOCTL_STORAGE_CHECK_VERIFY2:
        return volume.hasMedium ? TRUE : Fail(ERROR_NOT_READY);
    case IOCTL_STORAGE_MEDIA_REMOVAL:
        Require(!((PREVENT_MEDIA_REMOVAL*)in)->PreventMediaRemoval, "removal locked");
        return TRUE;
    case IOCTL_DISK_GET_LENGTH_INFO:
        std::memcpy(out, &volume.length, 8);
        *returned = 8;
        return TRUE;
    case IOCTL_STORAGE_QUERY_PROPERTY: {
        auto* query = (STORAGE_PROPERTY_QUERY*)in;
        Require(query->PropertyId == StorageDeviceProperty &&
                    query->QueryType == PropertyStandardQuery &&
                    ((STORAGE_DEVICE_DESCRIPTOR*)out)->Size == 1024,
                "another property asked for");
        if (volume.descriptor.empty()) return Fail(ERROR_NOT_SUPPORTED);
        *returned = (DWORD)std::min<size_t>(outBytes, volume.descriptor.size());
        std::memcpy(out, volume.descriptor.data(), *returned);
        return TRUE;
    }
    case IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS:
        if (volume.extentDisks == std::vector<DWORD>{~0u}) return Fail(ERROR_NOT_SUPPORTED);
        *(DWORD*)out = (DWORD)volume.extentDisks.size();
        for (size_t i = 0; i < volume.extentDisks.size(); ++i)
            std::memcpy((BYTE*)out + 8 + 24 * i, &volume.extentDisks[i], 4);
        *returned = (DWORD)(8 + 24 * volume.extentDisks.size());
        return TRUE;
    case IOCTL_STORAGE_LOAD_MEDIA:
    case IOCTL_STORAGE_LOAD_MEDIA2:
        return volume.loadMediaError ? Fail(volume.loadMediaError) : TRUE;
    default:
        return volume.volumeOnlineError ? Fail(volume.volumeOnlineError) : TRUE;
    }
}

// Each request with the buffers the system needs for it; any other code is a
// fault. A request that succeeds leaves the last error as it was
// (DeviceIoControl sets it only on failure).
inline BOOL WINAPI DeviceIoControl(HANDLE handle, DWORD code, LPVOID in, DWORD inBytes, LPVOID out,
                                   DWORD outBytes, LPDWORD returned, LPOVERLAPPED overlapped) {
    FakeDevice::Handle* open = FindHandle(handle);
    if (!open) return Fail(ERROR_INVALID_HANDLE);
    auto known = std::find_if(std::begin(kRequests), std::end(kRequests),
                              [code](const KnownRequest& r) { return r.code == code; });
    bool isKnown = known != std::end(kRequests);
    Fake().requests[open->path] += isKnown ? known->name : "unknown ";
    Require(isKnown && returned && !overlapped && !in == !known->inBytes &&
                inBytes == known->inBytes && !out == !known->outBytes &&
                outBytes == known->outBytes,
            "arguments of " + Hex(code));
    if (!isKnown || !returned) return Fail(ERROR_INVALID_FUNCTION);
    *returned = 0;
    if (!HasAccessFor(code, open->access)) return Fail(ERROR_ACCESS_DENIED);
    return Answer(Fake().volumes[open->path], code, in, out, outBytes, returned);
}

// The system's answer shape: the texts, each with its zero, and the list's closing zero.
inline DWORD WINAPI QueryDosDeviceA(LPCSTR name, LPSTR target, DWORD maxChars) {
    std::string answer;
    if (name) {
        if (!Fake().dosDevices.count(name)) return Fail(ERROR_FILE_NOT_FOUND);
        answer = Fake().dosDevices[name] + '\0';
    } else {
        Fake().lookups += "dos-list " + std::to_string(maxChars) + " ";
        for (auto& entry : Fake().dosDevices) answer += entry.first + '\0';
        if (Fake().listError) return Fail(Fake().listError);
        if (maxChars < Fake().listNeedsBytes) return Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    if (answer.size() + 1 > maxChars) return Fail(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(target, answer.c_str(), answer.size() + 1);
    return (DWORD)answer.size() + 1;
}

// An unknown name leaves part of a text behind, as a failed lookup may.
inline BOOL CopyName(std::map<std::string, std::string>& names, LPCSTR key, LPSTR result,
                     DWORD maxChars) {
    if (!names.count(key)) {
        lstrcpynA(result, "partial", maxChars);
        return Fail(ERROR_INVALID_PARAMETER);
    }
    if (names[key].size() + 1 > maxChars) return Fail(ERROR_FILENAME_EXCED_RANGE);
    lstrcpyA(result, names[key].c_str());
    return TRUE;
}

inline BOOL WINAPI GetVolumeNameForVolumeMountPointA(LPCSTR path, LPSTR name, DWORD maxChars) {
    return CopyName(Fake().mountPoints, path, name, maxChars);
}

inline BOOL WINAPI GetVolumePathNameA(LPCSTR fileName, LPSTR volumePath, DWORD maxChars) {
    Fake().lookups += "volumepath " + std::string(fileName) + " ";
    return CopyName(Fake().volumePaths, fileName, volumePath, maxChars);
}

inline UINT WINAPI GetDriveTypeA(LPCSTR root) {
    return Fake().driveTypes.count(root) ? Fake().driveTypes[root] : DRIVE_NO_ROOT_DIR;
}

// As the system: a directory that does not fit is not written; the answer is the size it needs.
inline DWORD WINAPI GetCurrentDirectoryA(DWORD maxChars, LPSTR directory) {
    const std::string& current = Fake().currentDirectory;
    if (current.size() + 1 > maxChars) return (DWORD)current.size() + 1;
    lstrcpyA(directory, current.c_str());
    return (DWORD)current.size();
}

// The size of the file system on a volume whose root folder opens; any user who
// may list the root may ask.
inline BOOL WINAPI GetDiskFreeSpaceExA(LPCSTR directory, PULARGE_INTEGER freeToCaller,
                                       PULARGE_INTEGER totalBytes, PULARGE_INTEGER freeBytes) {
    std::string name = directory;
    Require(name.back() == '\\', "size of a path that is no folder");
    name.pop_back();
    Fake().requests[name] += "size ";
    if (!Fake().volumes.count(name)) return Fail(ERROR_PATH_NOT_FOUND);
    const FakeVolume& volume = Fake().volumes[name];
    if (volume.opens.find('\\') == std::string::npos) return Fail(ERROR_NOT_READY);
    for (PULARGE_INTEGER answer : {freeToCaller, totalBytes, freeBytes})
        if (answer) answer->QuadPart = volume.length;
    return TRUE;
}

inline BOOL WINAPI CloseHandle(HANDLE handle) {
    FakeDevice::Handle* open = FindHandle(handle);
    Require(open, "close of a handle not open");
    if (!open) return Fail(ERROR_INVALID_HANDLE);
    open->open = false;
    return TRUE;
}

}  // namespace fake_device

inline FakeDevice::FakeDevice() {
    namespace f = fake_device;
    current = this;
    Device = {f::CreateFileA,
              f::DeviceIoControl,
              f::QueryDosDeviceA,
              f::GetVolumeNameForVolumeMountPointA,
              f::GetVolumePathNameA,
              f::GetDriveTypeA,
              f::GetCurrentDirectoryA,
              f::GetDiskFreeSpaceExA,
              f::CloseHandle};
}

// A storage device descriptor with the texts after the fixed part; an empty text gets offset 0.
inline std::vector<BYTE> DescriptorBytes(const std::string& vendor, const std::string& product,
                                         DWORD busType) {
    STORAGE_DEVICE_DESCRIPTOR head = {};
    std::string texts = vendor + '\0' + product + '\0';
    head.VendorIdOffset = vendor.empty() ? 0 : sizeof head;
    head.ProductIdOffset = product.empty() ? 0 : sizeof head + vendor.size() + 1;
    head.Size = (DWORD)(sizeof head + texts.size());
    head.BusType = (STORAGE_BUS_TYPE)busType;
    std::vector<BYTE> bytes(sizeof head + texts.size());
    std::memcpy(bytes.data(), &head, sizeof head);
    std::memcpy(bytes.data() + sizeof head, texts.data(), texts.size());
    return bytes;
}
