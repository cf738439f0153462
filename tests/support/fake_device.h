// The device seam, scripted: it answers as the system would for the volumes,
// mount points and DOS devices a test describes, notes each open, request and
// lookup in short, checks their arguments (a wrong one lands in `faults`) and
// counts handles not closed.
#pragma once
#include "volume/device_calls.h"

#include <winioctl.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

struct FakeVolume {
    std::string opens = "arw";  // the opens that succeed: a(ttributes), r(ead), w(rite), '\' (root)
    int attributeOpens = 1000;  // of which this many attribute opens
    DWORD openError = ERROR_ACCESS_DENIED;
    DWORD checkVerify = ~0u;  // ~0u: fails as with no medium; else succeeds, leaving this last error
    ULONGLONG length = 0;
    std::string lengthOn;                    // the handles the length request answers on: a, r
    std::vector<BYTE> descriptor;            // empty: the property query fails
    std::vector<DWORD> extentDisks = {~0u};  // {~0u}: the extents request fails
    DWORD loadMediaError = ERROR_NOT_SUPPORTED, volumeOnlineError = ERROR_INVALID_FUNCTION;  // 0: succeeds
};

struct FakeDevice {
    FakeDevice();
    ~FakeDevice() { Device = SystemDeviceCalls; }
    int OpenHandles() const { return (int)std::count_if(handles.begin(), handles.end(), [](auto& h) { return h.open; }); }

    std::map<std::string, FakeVolume> volumes;  // by device path, without a trailing backslash
    std::map<std::string, std::string> mountPoints, volumePaths, dosDevices;
    std::map<std::string, UINT> driveTypes;
    DWORD listNeedsBytes = 0, listError = 0;  // the DOS device list: too small below that size; fails so
    std::string currentDirectory = "C:\\";
    // requests[path]: "open(0xACCESS) ", "root ", "query ", "verify ", "allow ", "length ", "extents ",
    // "load ", "online ", in order. lookups: "dos-list CHARS ", "volumepath PATH ".
    std::map<std::string, std::string> requests;
    std::string lookups;
    std::vector<std::string> faults;
    struct Handle { std::string path; char access; bool open; };
    std::vector<Handle> handles;
    static inline FakeDevice* current;
};

namespace fake_device {

inline FakeDevice& Fake() { return *FakeDevice::current; }
inline void Require(bool condition, const std::string& what) { if (!condition) Fake().faults.push_back(what); }
inline BOOL Fail(DWORD error) { return SetLastError(error), FALSE; }

inline HANDLE WINAPI CreateFileA(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                 DWORD disposition, DWORD flags, HANDLE templateFile) {
    std::string name = path;
    bool isRoot = name.back() == '\\';
    if (isRoot) name.pop_back();
    char shown[24], kind = isRoot ? '\\' : access == 0 ? 'a' : access == GENERIC_READ ? 'r' : 'w';
    wsprintfA(shown, "open(0x%lX) ", access);
    Fake().requests[name] += isRoot ? "root " : shown;
    Require(share == (FILE_SHARE_READ | FILE_SHARE_WRITE) && !security && !templateFile && disposition == OPEN_EXISTING &&
                flags == (isRoot ? FILE_FLAG_BACKUP_SEMANTICS : 0u), "open arguments of " + name);
    FakeVolume* v = Fake().volumes.count(name) ? &Fake().volumes[name] : nullptr;
    if (!v || v->opens.find(kind) == std::string::npos || (kind == 'a' && v->attributeOpens-- <= 0))
        return SetLastError(v ? v->openError : ERROR_FILE_NOT_FOUND), INVALID_HANDLE_VALUE;
    Fake().handles.push_back({name, kind, true});
    return (HANDLE)(0x4000 + Fake().handles.size() - 1);
}

inline FakeDevice::Handle* FindHandle(HANDLE handle, uintptr_t i = 0) {
    return (i = (uintptr_t)handle - 0x4000) < Fake().handles.size() && Fake().handles[i].open ? &Fake().handles[i] : nullptr;
}

// Each request with the buffers the system needs for it; any other code is a fault.
inline BOOL WINAPI DeviceIoControl(HANDLE handle, DWORD code, LPVOID in, DWORD inBytes, LPVOID out, DWORD outBytes,
                                   LPDWORD returned, LPOVERLAPPED overlapped) {
    const struct { DWORD code; const char* name; DWORD inBytes, outBytes; } kRequests[] = {
        {IOCTL_STORAGE_CHECK_VERIFY2, "verify ", 0, 4}, {IOCTL_STORAGE_MEDIA_REMOVAL, "allow ", 1, 0},
        {IOCTL_DISK_GET_LENGTH_INFO, "length ", 0, 8}, {IOCTL_STORAGE_QUERY_PROPERTY, "query ", 12, 1024},
        {IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, "extents ", 0, 2408}, {0x2D480C, "load ", 0, 0}, {0x56C008, "online ", 0, 0}};
    FakeDevice::Handle* open = FindHandle(handle);
    if (!open) return Fail(ERROR_INVALID_HANDLE);
    FakeVolume& v = Fake().volumes[open->path];
    auto known = std::find_if(std::begin(kRequests), std::end(kRequests), [code](auto& r) { return r.code == code; });
    Fake().requests[open->path] += known == std::end(kRequests) ? "unknown " : known->name;
    Require(known != std::end(kRequests) && returned && !overlapped && !in == !known->inBytes && inBytes == known->inBytes &&
                !out == !known->outBytes && outBytes == known->outBytes, "arguments of " + std::to_string(code));
    DWORD error = code == 0x2D480C ? v.loadMediaError : code == 0x56C008 ? v.volumeOnlineError : 0;
    *returned = 0;
    switch (code) {
    case IOCTL_STORAGE_CHECK_VERIFY2:
        return v.checkVerify != ~0u ? SetLastError(v.checkVerify), TRUE : Fail(ERROR_NOT_READY);
    case IOCTL_STORAGE_MEDIA_REMOVAL:
        return Require(!((PREVENT_MEDIA_REMOVAL*)in)->PreventMediaRemoval, "removal locked"), TRUE;
    case IOCTL_DISK_GET_LENGTH_INFO:
        if (v.lengthOn.find(open->access) == std::string::npos) return Fail(ERROR_INVALID_FUNCTION);
        std::memcpy(out, &v.length, *returned = 8);
        break;
    case IOCTL_STORAGE_QUERY_PROPERTY:
        Require(((STORAGE_PROPERTY_QUERY*)in)->PropertyId == StorageDeviceProperty &&
                    ((STORAGE_PROPERTY_QUERY*)in)->QueryType == PropertyStandardQuery &&
                    ((STORAGE_DEVICE_DESCRIPTOR*)out)->Size == 1024, "another property asked for");
        if (v.descriptor.empty()) return Fail(ERROR_NOT_SUPPORTED);
        std::memcpy(out, v.descriptor.data(), *returned = (DWORD)std::min<size_t>(outBytes, v.descriptor.size()));
        break;
    case IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS:
        if (v.extentDisks == std::vector<DWORD>{~0u}) return Fail(ERROR_NOT_SUPPORTED);
        *(DWORD*)out = (DWORD)v.extentDisks.size();
        for (size_t i = 0; i < v.extentDisks.size(); ++i) std::memcpy((BYTE*)out + 8 + 24 * i, &v.extentDisks[i], 4);
        *returned = (DWORD)(8 + 24 * v.extentDisks.size());
    }
    return error ? Fail(error) : TRUE;
}

// The system's answer shape: the texts, each with its zero, and the list's closing zero.
inline DWORD WINAPI QueryDosDeviceA(LPCSTR name, LPSTR target, DWORD maxChars) {
    std::string answer;
    if (name && !Fake().dosDevices.count(name)) return Fail(ERROR_FILE_NOT_FOUND);
    if (name) answer = Fake().dosDevices[name] + '\0';
    if (!name) {
        Fake().lookups += "dos-list " + std::to_string(maxChars) + " ";
        for (auto& entry : Fake().dosDevices) answer += entry.first + '\0';
        if (Fake().listError) return Fail(Fake().listError);
    }
    if (answer.size() + 1 > maxChars || (!name && maxChars < Fake().listNeedsBytes)) return Fail(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(target, answer.c_str(), answer.size() + 1);
    return (DWORD)answer.size() + 1;
}

// An unknown name leaves part of a text behind, as a failed lookup may.
inline BOOL CopyName(std::map<std::string, std::string>& names, LPCSTR key, LPSTR result, DWORD maxChars) {
    if (!names.count(key)) return lstrcpynA(result, "partial", maxChars), Fail(ERROR_INVALID_PARAMETER);
    if (names[key].size() + 1 > maxChars) return Fail(ERROR_FILENAME_EXCED_RANGE);
    return lstrcpyA(result, names[key].c_str()) != nullptr;
}
inline BOOL WINAPI GetVolumeNameForVolumeMountPointA(LPCSTR path, LPSTR name, DWORD n) { return CopyName(Fake().mountPoints, path, name, n); }
inline BOOL WINAPI GetVolumePathNameA(LPCSTR fileName, LPSTR volumePath, DWORD maxChars) {
    Fake().lookups += "volumepath " + std::string(fileName) + " ";
    return CopyName(Fake().volumePaths, fileName, volumePath, maxChars);
}

inline UINT WINAPI GetDriveTypeA(LPCSTR root) { return Fake().driveTypes.count(root) ? Fake().driveTypes[root] : DRIVE_NO_ROOT_DIR; }

// As the system: a directory that does not fit is not written; the answer is the size it needs.
inline DWORD WINAPI GetCurrentDirectoryA(DWORD maxChars, LPSTR directory) {
    const std::string& current = Fake().currentDirectory;
    if (current.size() + 1 > maxChars) return (DWORD)current.size() + 1;
    return lstrcpyA(directory, current.c_str()), (DWORD)current.size();
}

inline BOOL WINAPI CloseHandle(HANDLE handle) {
    FakeDevice::Handle* open = FindHandle(handle);
    Require(open, "close of a handle not open");
    return open ? open->open = false, TRUE : Fail(ERROR_INVALID_HANDLE);
}

}  // namespace fake_device

inline FakeDevice::FakeDevice() {
    namespace f = fake_device;
    current = this;
    Device = {f::CreateFileA, f::DeviceIoControl, f::QueryDosDeviceA, f::GetVolumeNameForVolumeMountPointA,
              f::GetVolumePathNameA, f::GetDriveTypeA, f::GetCurrentDirectoryA, f::CloseHandle};
}

// A storage device descriptor with the texts after the fixed part; an empty text gets offset 0.
inline std::vector<BYTE> DescriptorBytes(const std::string& vendor, const std::string& product, DWORD busType) {
    STORAGE_DEVICE_DESCRIPTOR head = {};
    std::string texts = vendor + '\0' + product + '\0';
    head.VendorIdOffset = vendor.empty() ? 0 : sizeof head;
    head.ProductIdOffset = product.empty() ? 0 : sizeof head + vendor.size() + 1;
    head.Size = (DWORD)(sizeof head + texts.size());
    head.BusType = (STORAGE_BUS_TYPE)busType;
    std::vector<BYTE> bytes((BYTE*)&head, (BYTE*)(&head + 1));
    return bytes.insert(bytes.end(), texts.begin(), texts.end()), bytes;
}
