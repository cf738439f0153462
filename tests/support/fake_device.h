// The device seam, scripted: it answers as the system would for the volumes,
// mount points and DOS devices a test describes, notes each open, request and
// lookup in short, checks the requests and handles it is given (a wrong one
// lands in `faults`) and counts handles not closed. The rules of the system live here, once, with
// where they come from; a test scripts only the situation.
#pragma once
#include "base/system_codes.h"
#include "service/command_pipe_client.h"
#include "tests/support/fake_console.h"
#include "volume/device_calls.h"

#include <ntstatus.h>
#include <winioctl.h>
#include <ntddcdrm.h>
#include <ntddmmc.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

// What a drive answers a medium check with, by the words tests name them with:
// the NT status and the Win32 error it becomes (RtlNtStatusToDosError, as
// Wine's ntdll error table has it too); several statuses share one error. The
// last five are no answer: the open for the check fails, as once the drive is
// removed, with the error the system gives (a failed open's status is not read),
// or, for "locked", as while another program holds the volume locked (Microsoft,
// FSCTL_LOCK_VOLUME: only the locking handle reaches it; the published fastfat
// sample refuses other opens with STATUS_ACCESS_DENIED).
struct DriveStatus {
    const char* word;
    LONG status;
    DWORD error;
    bool failsOpen = false;
};
const DriveStatus kDriveStatuses[] = {
    {"ok", STATUS_SUCCESS, ERROR_SUCCESS},
    {"nr", STATUS_DEVICE_NOT_READY, ERROR_NOT_READY},
    {"nomedia", STATUS_NO_MEDIA_IN_DEVICE, ERROR_NOT_READY},
    {"verify", STATUS_VERIFY_REQUIRED, ERROR_MEDIA_CHANGED},
    {"unreadable", STATUS_UNRECOGNIZED_MEDIA, ERROR_UNRECOGNIZED_MEDIA},
    {"crc", STATUS_CRC_ERROR, ERROR_CRC},
    {"denied", STATUS_ACCESS_DENIED, ERROR_ACCESS_DENIED},
    {"invalid", STATUS_INVALID_DEVICE_REQUEST, ERROR_INVALID_FUNCTION},
    {"unsupported", STATUS_NOT_SUPPORTED, ERROR_NOT_SUPPORTED},
    {"cancelled", STATUS_CANCELLED, ERROR_OPERATION_ABORTED},
    {"gone", STATUS_SUCCESS, ERROR_DEV_NOT_EXIST, true},
    {"unlinked", STATUS_SUCCESS, ERROR_FILE_NOT_FOUND, true},
    {"pathless", STATUS_SUCCESS, ERROR_PATH_NOT_FOUND, true},
    {"nodevice", STATUS_SUCCESS, ERROR_NO_SUCH_DEVICE, true},
    {"locked", STATUS_SUCCESS, ERROR_ACCESS_DENIED, true},
};

// One answer of the drive to a medium check, and how long the driver holds
// the request before it gives it.
struct CheckAnswer {
    const DriveStatus* answer;
    DWORD holdMs;
};

struct FakeVolume {
    // The opens that succeed: a(ttributes), r(ead), w(rite and read), '\' (the root folder).
    // An administrator gets all; a standard user only "a\" on a fixed volume.
    std::string opens = "arw";
    DWORD openError = ERROR_ACCESS_DENIED;
    bool hasMedium = false;        // the drive answers the medium check
    ULONGLONG length = 0;          // bytes of the medium, and of its file system when mounted
    std::vector<BYTE> descriptor;  // empty: the property query fails
    // The drive's GET CONFIGURATION answer from feature 0; empty: the drive
    // does not know the command (the cdrom driver's INVALID_DEVICE_REQUEST).
    std::vector<BYTE> configuration;
    std::vector<DWORD> extentDisks = {~0u};      // {~0u}: the extents request fails
    DWORD loadMediaError = ERROR_NOT_SUPPORTED;  // 0: the load requests succeed
    DWORD volumeOnlineError = ERROR_INVALID_FUNCTION;
    // The overlapped checks' answers in turn, the last repeating; after a
    // cancel the driver holds a check cancelHoldMs longer, unless it answers.
    std::vector<CheckAnswer> checkAnswers = {{kDriveStatuses, 0}};
    size_t checksAsked = 0;
    DWORD cancelHoldMs = 0;
    std::vector<DWORD> fileSystemErrors;  // the file system query's errors in turn (0: it answers)
    std::string fileSystem = "CDFS";
    DWORD rootError = 0;  // the root opens, but its size is refused so (ACCESS_DENIED: not ours)
};

struct FakeDevice {
    struct Handle {
        std::string path;
        char access;  // as in FakeVolume::opens
        bool open;
        bool overlapped;
        bool pending;
        bool cancelled;
        DWORD answerAt;        // the tick the pending check is answered at
        LONG status;           // and its status
        DWORD cancelEnd;       // the tick a cancelled check ends at without its answer
        LPOVERLAPPED request;  // the pending check's
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
    // "length ", "extents ", "load ", "load2 ", "online ", "config ", "size ", and for the
    // overlapped checks "poll " (the open), "verify ", "cancel ", "fs " (the file system).
    std::map<std::string, std::string> requests;
    std::string lookups;  // "dos-list CHARS ", "volumepath PATH "
    std::vector<std::string> faults;
    std::vector<Handle> handles;
    LONG lastNtStatus = 0;
    // Windows 2000: no IOCTL_DISK_GET_LENGTH_INFO (Microsoft: "Minimum supported
    // client Windows XP") and no RtlGetLastNtStatus in ntdll.
    bool windows2000 = false;
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

// A failed request sets both the Win32 error and the NT status behind it.
inline BOOL FailWithStatus(LONG status) {
    auto known = std::find_if(std::begin(kDriveStatuses), std::end(kDriveStatuses),
                              [status](auto& entry) { return entry.status == status; });
    Require(status && known != std::end(kDriveStatuses), "a status with no Win32 error");
    Fake().lastNtStatus = status;
    return Fail(known->error);
}

inline std::string Hex(DWORD value) {
    char text[16];
    wsprintfA(text, "0x%lX", value);
    return text;
}

inline const CheckAnswer& NextCheckAnswer(const FakeVolume& volume) {
    return volume.checkAnswers[std::min(volume.checksAsked, volume.checkAnswers.size() - 1)];
}

inline HANDLE WINAPI CreateFileA(LPCSTR path, DWORD access, DWORD, LPSECURITY_ATTRIBUTES, DWORD,
                                 DWORD flags, HANDLE) {
    std::string name = path;
    bool isRoot = name.back() == '\\';
    if (isRoot) name.pop_back();
    bool overlapped = flags == FILE_FLAG_OVERLAPPED;
    Fake().requests[name] += isRoot ? "root " : overlapped ? "poll " : "open(" + Hex(access) + ") ";
    // The check asks with a handle of its own: one still open elsewhere (ours,
    // or the service's, kept until goodbye) keeps the volume as it was mounted.
    Require(!overlapped || (Fake().OpenHandles() == 0 && !ServiceClient), "volume held open");
    char kind = isRoot ? '\\' : access == GENERIC_READ ? 'r' : access ? 'w' : 'a';
    auto found = Fake().volumes.find(name);
    DWORD error = ERROR_FILE_NOT_FOUND;
    if (found != Fake().volumes.end()) {
        FakeVolume& volume = found->second;
        const DriveStatus* check = NextCheckAnswer(volume).answer;
        // CreateFile: a folder opens only with FILE_FLAG_BACKUP_SEMANTICS.
        bool refused = volume.opens.find(kind) == std::string::npos;
        error = refused ? volume.openError : ERROR_ACCESS_DENIED;
        if (!refused && (!isRoot || (flags & FILE_FLAG_BACKUP_SEMANTICS))) error = ERROR_SUCCESS;
        if (overlapped && check->failsOpen) error = check->error;
        if (overlapped && check->failsOpen) volume.checksAsked++;
    }
    if (error) {
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    Fake().handles.push_back({name, kind, true, overlapped, false, false, 0, 0, 0, nullptr});
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
    if ((required & FILE_READ_ACCESS) && access != 'r' && access != 'w') return false;
    return !(required & FILE_WRITE_ACCESS) || access == 'w';
}

// The requests the program may send.
const struct {
    DWORD code;
    const char* name;
} kRequests[] = {
    {IOCTL_STORAGE_CHECK_VERIFY2, "verify "},
    {IOCTL_STORAGE_MEDIA_REMOVAL, "allow "},
    {IOCTL_DISK_GET_LENGTH_INFO, "length "},
    {IOCTL_STORAGE_QUERY_PROPERTY, "query "},
    {IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, "extents "},
    {IOCTL_STORAGE_LOAD_MEDIA, "load "},
    {IOCTL_STORAGE_LOAD_MEDIA2, "load2 "},
    {IOCTL_VOLUME_ONLINE, "online "},
    {IOCTL_CDROM_GET_CONFIGURATION, "config "},
};

// Eight bytes that read as a Removable Medium feature of a tray that is
// pushed in by hand: the fake fills with them what a caller's buffer holds
// past an answer, so a read past the bytes returned shows.
const BYTE kTrayByHandFeature[] = {0x00, FeatureRemovableMedium, 2 << 2, 4, 0x20, 0, 0, 0};

// What a drive sends for each request type (MMC, GET CONFIGURATION's RT
// field), from feature 0: ALL every feature (here the scripted answer as it
// stands, lies and all), CURRENT those whose Current bit is set, ONE the
// starting feature's descriptor alone; DataLength counts what follows it.
inline std::vector<BYTE> ConfigurationOfType(const std::vector<BYTE>& all, ULONG type) {
    if (type == SCSI_GET_CONFIGURATION_REQUEST_TYPE_ALL) return all;
    std::vector<BYTE> answer(all.begin(), all.begin() + std::min<size_t>(all.size(), 8));
    for (size_t at = 8; at + 4 <= all.size(); at += 4 + all[at + 3]) {
        bool one = type == SCSI_GET_CONFIGURATION_REQUEST_TYPE_ONE;
        if (one ? all[at] || all[at + 1] : !(all[at + 2] & 1)) continue;
        answer.insert(answer.end(), all.begin() + at,
                      all.begin() + std::min(all.size(), at + 4 + all[at + 3]));
    }
    for (size_t i = 0; i < 4 && answer.size() >= 8; ++i)
        answer[i] = (BYTE)((answer.size() - 4) >> (24 - 8 * i));
    return answer;
}

// The cdrom driver's checks of the request (the published cdrom sample,
// RequestValidateGetConfiguration): the input's size, an output of at least
// the 8-byte header, a request type it knows and reserved fields zero. An
// emulated drive (QEMU's IDE CD) refuses any starting feature but 0. The
// drive answers with or without a medium.
inline BOOL AnswerConfiguration(const FakeVolume& volume, LPVOID in, DWORD inBytes, LPVOID out,
                                DWORD outBytes, LPDWORD returned) {
    auto* request = (GET_CONFIGURATION_IOCTL_INPUT*)in;
    if (inBytes < sizeof *request) return Fail(ERROR_BAD_LENGTH);
    if (outBytes < sizeof(GET_CONFIGURATION_HEADER)) return Fail(ERROR_INSUFFICIENT_BUFFER);
    if (request->Reserved[0] || request->Reserved[1] ||
        request->RequestType > SCSI_GET_CONFIGURATION_REQUEST_TYPE_ONE)
        return Fail(ERROR_INVALID_PARAMETER);
    if (volume.configuration.empty() || request->Feature) return Fail(ERROR_INVALID_FUNCTION);
    std::vector<BYTE> answer = ConfigurationOfType(volume.configuration, request->RequestType);
    *returned = (DWORD)std::min<size_t>(outBytes, answer.size());
    std::memcpy(out, answer.data(), *returned);
    for (DWORD at = *returned; at < outBytes; ++at)
        ((BYTE*)out)[at] = kTrayByHandFeature[(at - *returned) % sizeof kTrayByHandFeature];
    return TRUE;
}

inline BOOL Answer(const FakeVolume& volume, DWORD code, LPVOID in, DWORD inBytes, LPVOID out,
                   DWORD outBytes, LPDWORD returned) {
    switch (code) {
    case IOCTL_CDROM_GET_CONFIGURATION:
        return AnswerConfiguration(volume, in, inBytes, out, outBytes, returned);
    case IOCTL_STORAGE_CHECK_VERIFY2:
        // Asked at once, the drive gives the first answer it gives the wait.
        if (volume.checkAnswers[0].answer->status)
            return FailWithStatus(volume.checkAnswers[0].answer->status);
        return volume.hasMedium ? TRUE : Fail(ERROR_NOT_READY);
    case IOCTL_STORAGE_MEDIA_REMOVAL:
        Require(!((PREVENT_MEDIA_REMOVAL*)in)->PreventMediaRemoval, "removal locked");
        return TRUE;
    case IOCTL_DISK_GET_LENGTH_INFO:
        if (Fake().windows2000) return FailWithStatus(STATUS_INVALID_DEVICE_REQUEST);
        *returned = 8;
        std::memcpy(out, &volume.length, 8);
        return TRUE;
    case IOCTL_STORAGE_QUERY_PROPERTY:
        if (volume.descriptor.empty()) return Fail(ERROR_NOT_SUPPORTED);
        *returned = (DWORD)std::min<size_t>(outBytes, volume.descriptor.size());
        std::memcpy(out, volume.descriptor.data(), *returned);
        return TRUE;
    case IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS:
        if (volume.extentDisks == std::vector<DWORD>{~0u}) return Fail(ERROR_NOT_SUPPORTED);
        *(DWORD*)out = (DWORD)volume.extentDisks.size();
        for (size_t i = 0; i < volume.extentDisks.size(); ++i)
            std::memcpy((BYTE*)out + 8 + 24 * i, &volume.extentDisks[i], 4);
        *returned = (DWORD)(8 + 24 * volume.extentDisks.size());
        return TRUE;
    case IOCTL_VOLUME_ONLINE:
        return volume.volumeOnlineError ? Fail(volume.volumeOnlineError) : TRUE;
    default:  // the two load requests
        return volume.loadMediaError ? Fail(volume.loadMediaError) : TRUE;
    }
}

// Each request with the buffers the system needs for it; any other code is a
// fault. A request that succeeds leaves the last error as it was
// (DeviceIoControl sets it only on failure).
inline BOOL WINAPI DeviceIoControl(HANDLE handle, DWORD code, LPVOID in, DWORD inBytes, LPVOID out,
                                   DWORD outBytes, LPDWORD returned, LPOVERLAPPED overlapped) {
    FakeDevice::Handle* open = FindHandle(handle);
    auto known = std::find_if(std::begin(kRequests), std::end(kRequests),
                              [code](auto& request) { return request.code == code; });
    // A handle opened for overlapped I/O takes an OVERLAPPED with every request, others none.
    Require(open && known != std::end(kRequests) && returned && !overlapped == !open->overlapped,
            "arguments of " + Hex(code));
    if (!open || known == std::end(kRequests) || !returned) return Fail(ERROR_INVALID_FUNCTION);
    Fake().requests[open->path] += known->name;
    *returned = 0;
    if (!HasAccessFor(code, open->access)) return FailWithStatus(STATUS_ACCESS_DENIED);
    // The I/O manager probes each buffer it is given a length for: a length
    // without its buffer faults, and the request fails (STATUS_ACCESS_VIOLATION).
    if ((inBytes && !in) || (outBytes && !out)) {
        Fake().lastNtStatus = STATUS_ACCESS_VIOLATION;
        return Fail(ERROR_NOACCESS);
    }
    FakeVolume& volume = Fake().volumes[open->path];
    if (!overlapped) return Answer(volume, code, in, inBytes, out, outBytes, returned);
    CheckAnswer answer = NextCheckAnswer(volume);
    volume.checksAsked++;
    // DeviceIoControl marks the OVERLAPPED pending first; a request that fails
    // at once leaves it so (as Wine was seen to), its status in the thread's only.
    overlapped->Internal = STATUS_PENDING;
    if (answer.holdMs == 0) {
        if (answer.answer->status) return FailWithStatus(answer.answer->status);
        overlapped->Internal = STATUS_SUCCESS;
        return TRUE;
    }
    open->pending = true;
    open->answerAt = ConsoleCall.GetTickCount() + answer.holdMs;
    open->status = answer.answer->status;
    open->request = overlapped;
    return Fail(ERROR_IO_PENDING);
}

// An overlapped request ends when the clock reaches its answer; the I/O
// manager writes its status into OVERLAPPED.Internal (Microsoft, "OVERLAPPED").
// CancelIo does not end it at once: the driver may first finish a retry (the
// cdrom driver sleeps up to 10 s between retries), and a request still held
// then ends with STATUS_CANCELLED. Until it ends only a wait gets its result.
inline BOOL WINAPI GetOverlappedResult(HANDLE handle, LPOVERLAPPED overlapped, LPDWORD returned,
                                       BOOL wait) {
    FakeDevice::Handle* open = FindHandle(handle);
    Require(open && open->pending && overlapped == open->request && returned,
            "result of no request");
    if (!open || !open->pending) return Fail(ERROR_INVALID_PARAMETER);
    bool cancelledFirst = open->cancelled && (LONG)(open->cancelEnd - open->answerAt) < 0;
    DWORD endsAt = cancelledFirst ? open->cancelEnd : open->answerAt;
    LONG left = (LONG)(endsAt - ConsoleCall.GetTickCount());
    // A wait here would last as long as the driver holds the request.
    Require(left <= 0 || !wait || open->cancelled, "a wait on a request that runs on");
    if (left > 0 && (!wait || !open->cancelled)) return Fail(ERROR_IO_INCOMPLETE);
    if (left > 0) FakeConsole::current->Advance((DWORD)left);
    open->pending = false;
    overlapped->Internal = (ULONG_PTR)(cancelledFirst ? STATUS_CANCELLED : open->status);
    return overlapped->Internal ? FailWithStatus((LONG)overlapped->Internal) : TRUE;
}

inline BOOL WINAPI CancelIo(HANDLE handle) {
    FakeDevice::Handle* open = FindHandle(handle);
    Require(open, "cancel on a handle not open");
    if (!open) return Fail(ERROR_INVALID_HANDLE);
    Fake().requests[open->path] += "cancel ";
    open->cancelled = true;
    open->cancelEnd = ConsoleCall.GetTickCount() + Fake().volumes[open->path].cancelHoldMs;
    return TRUE;
}

// A failed question may leave part of a name behind.
inline BOOL WINAPI GetVolumeInformationA(LPCSTR root, LPSTR, DWORD, LPDWORD, LPDWORD, LPDWORD,
                                         LPSTR fileSystem, DWORD fileSystemChars) {
    std::string name = root;
    Require(name.back() == '\\', "file system of a path that is no root");
    name.pop_back();
    Fake().requests[name] += "fs ";
    std::vector<DWORD>& errors = Fake().volumes[name].fileSystemErrors;
    DWORD error = errors.empty() ? 0 : errors.front();
    if (errors.size() > 1) errors.erase(errors.begin());
    lstrcpynA(fileSystem, error ? "partial" : Fake().volumes[name].fileSystem.c_str(),
              fileSystemChars);
    return error ? Fail(error) : TRUE;
}

inline LONG WINAPI GetLastNtStatus() {
    return Fake().lastNtStatus;
}
inline LastNtStatusFunction WINAPI FindLastNtStatus() {
    return Fake().windows2000 ? nullptr : GetLastNtStatus;
}

// The system's answer shape: the texts, each with its zero, and the list's
// closing zero, the names in no set order (here, the last first). A failed
// lookup may leave part of a name behind.
inline DWORD WINAPI QueryDosDeviceA(LPCSTR name, LPSTR target, DWORD maxChars) {
    std::string answer;
    if (name && !Fake().dosDevices.count(name)) {
        lstrcpynA(target, "\\Device\\Floppy", maxChars);
        return Fail(ERROR_FILE_NOT_FOUND);
    }
    if (name) answer = Fake().dosDevices[name] + '\0';
    if (!name) {
        Fake().lookups += "dos-list " + std::to_string(maxChars) + " ";
        for (auto entry = Fake().dosDevices.rbegin(); entry != Fake().dosDevices.rend(); ++entry)
            answer += entry->first + '\0';
        if (Fake().listError) return Fail(Fake().listError);
    }
    if (answer.size() + 1 > maxChars || (!name && maxChars < Fake().listNeedsBytes))
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(target, answer.c_str(), answer.size() + 1);
    return (DWORD)answer.size() + 1;
}

// An unknown name leaves part of a text behind, as a failed lookup may.
inline BOOL CopyName(std::map<std::string, std::string>& names, LPCSTR key, LPSTR result,
                     DWORD maxChars) {
    lstrcpynA(result, names.count(key) ? names[key].c_str() : "partial", maxChars);
    if (!names.count(key)) return Fail(ERROR_INVALID_PARAMETER);
    return names[key].size() < maxChars ? TRUE : Fail(ERROR_FILENAME_EXCED_RANGE);
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

// A directory that does not fit is not given: the answer is the size it needs
// (Microsoft, "GetCurrentDirectory"), and the buffer holds nothing to rely on,
// here as much of the directory as fits.
inline DWORD WINAPI GetCurrentDirectoryA(DWORD maxChars, LPSTR directory) {
    const std::string& current = Fake().currentDirectory;
    lstrcpynA(directory, current.c_str(), maxChars);
    return (DWORD)current.size() + (current.size() < maxChars ? 0 : 1);
}

// The size of the file system on a volume whose root folder opens; any user who
// may list the root may ask. The outputs of a call that failed hold nothing to
// rely on.
inline BOOL WINAPI GetDiskFreeSpaceExA(LPCSTR directory, PULARGE_INTEGER freeToCaller,
                                       PULARGE_INTEGER totalBytes, PULARGE_INTEGER freeBytes) {
    std::string name = directory;
    Require(name.back() == '\\', "size of a path that is no folder");
    name.pop_back();
    Fake().requests[name] += "size ";
    const FakeVolume& volume = Fake().volumes[name];
    bool mounted = volume.opens.find('\\') != std::string::npos && !volume.rootError;
    for (PULARGE_INTEGER answer : {freeToCaller, totalBytes, freeBytes})
        if (answer) answer->QuadPart = mounted ? volume.length : 1ull << 40;
    if (mounted) return TRUE;
    return Fail(volume.rootError ? volume.rootError : ERROR_NOT_READY);
}

inline BOOL WINAPI CloseHandle(HANDLE handle) {
    FakeDevice::Handle* open = FindHandle(handle);
    // Its OVERLAPPED may be gone when the request ends (CancelIo, GetOverlappedResult).
    Require(open && !open->pending, "close of a handle not open, or with a request pending");
    if (!open) return Fail(ERROR_INVALID_HANDLE);
    open->open = false;
    return TRUE;
}

}  // namespace fake_device

inline FakeDevice::FakeDevice() {
    namespace f = fake_device;
    current = this;
    Device = {
        f::CreateFileA,           f::DeviceIoControl,
        f::QueryDosDeviceA,       f::GetVolumeNameForVolumeMountPointA,
        f::GetVolumePathNameA,    f::GetDriveTypeA,
        f::GetCurrentDirectoryA,  f::GetDiskFreeSpaceExA,
        f::GetOverlappedResult,   f::CancelIo,
        f::GetVolumeInformationA, f::FindLastNtStatus,
        f::CloseHandle,
    };
}

// A storage device descriptor with the texts after the fixed part; an empty text gets offset 0.
// It opens with its own size and the whole descriptor's (Microsoft, "STORAGE_DEVICE_DESCRIPTOR").
inline std::vector<BYTE> DescriptorBytes(const std::string& vendor, const std::string& product,
                                         DWORD busType) {
    std::string texts = vendor + '\0' + product + '\0';
    STORAGE_DEVICE_DESCRIPTOR head = {sizeof head, (DWORD)(sizeof head + texts.size())};
    head.VendorIdOffset = vendor.empty() ? 0 : sizeof head;
    head.ProductIdOffset = product.empty() ? 0 : sizeof head + vendor.size() + 1;
    head.BusType = (STORAGE_BUS_TYPE)busType;
    std::vector<BYTE> bytes(sizeof head + texts.size());
    std::memcpy(bytes.data(), &head, sizeof head);
    std::memcpy(bytes.data() + sizeof head, texts.data(), texts.size());
    return bytes;
}

// A drive's GET CONFIGURATION answer as drives give it: the header (DataLength
// 40 big-endian, current profile CD-ROM), then the Profile List, Core and
// Morphing features, then Removable Medium of the version given with its
// byte 4 (Load 0x10, mechanism in bits 7..5) (MMC; Microsoft,
// FEATURE_DATA_REMOVABLE_MEDIUM).
inline std::vector<BYTE> ConfigurationBytes(int version, BYTE removableMedium) {
    // clang-format off
    return {0, 0, 0, 40, 0, 0, 0, ProfileCdrom,
            0, FeatureProfileList, 3, 4, 0, ProfileCdrom, 1, 0,
            0, FeatureCore, 2 << 2 | 3, 8, 0, 0, 0, 2, 1, 0, 0, 0,
            0, FeatureMorphing, 1 << 2 | 3, 4, 2, 0, 0, 0,
            0, FeatureRemovableMedium, (BYTE)(version << 2 | 3), 4, removableMedium, 0, 0, 0};
    // clang-format on
}
