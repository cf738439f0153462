// Turning a DriveSpec into a volume GUID path and a display name.
//
// Five forms are accepted, tried in a fixed order: a volume GUID path with or
// without "\\?\", a drive letter with a colon (optionally a path below it, such
// as a mounted folder), "\" for the program's own volume and "." for the
// current directory's. When the mount-point lookup of a letter fails (a drive
// without medium, say), the letter's NT device is matched against the
// "Volume{...}" DOS devices instead.
#include "volume/resolve_drive.h"
#include "base/memory.h"
#include "volume/device_calls.h"
#include "base/text_edits.h"
#include <shlwapi.h>

DWORD DosDeviceListSize = kDosDeviceListStart;

static const char kVolumePrefix[] = "\\\\?\\Volume{";  // 11 characters
static const int kPrefixChars = 11;

static BOOL StartsWithIgnoringCase(const char* text, const char* prefix) {
    return StrStrIA(text, prefix) == text;
}

// A volume GUID path whose brace sits where it should. The case of the prefix
// is put back and the rest lower-cased, which is how the system spells them.
// A DriveSpec too long for volumeName with its backslash names nothing.
static void ResolveVolumeGuidPath(const char* driveSpec, BOOL hasPrefix, char* volumeName) {
    int extra = hasPrefix ? 0 : 4;
    int length = lstrlenA(driveSpec);
    BOOL needsBackslash = length == 0 || driveSpec[length - 1] != '\\';
    if (extra + length + (needsBackslash ? 1 : 0) > kPathChars - 1) return;

    if (hasPrefix) {
        lstrcpyA(volumeName, driveSpec);
    } else {
        lstrcpyA(volumeName, "\\\\?\\");
        lstrcatA(volumeName, driveSpec);
    }
    CopyBytes(volumeName, kVolumePrefix, kPrefixChars);
    CharLowerA(volumeName + kPrefixChars);
    AppendCharIfMissing(volumeName, '\\');
}

static void ResolveDriveLetter(const char* driveSpec, char* volumeName, char* displayName) {
    lstrcpynA(displayName, driveSpec, kPathChars - 2);
    AppendCharIfMissing(displayName, '\\');
    if (!Device.GetVolumeNameForVolumeMountPointA(displayName, volumeName, kPathChars)) {
        volumeName[0] = 0;  // a failed lookup may have written part of a name
        displayName[2] = 0;
        char target[kPathChars];
        if (Device.QueryDosDeviceA(displayName, target, kPathChars))
            FindVolumeByDosTarget(target, volumeName);
    }
}

static void ResolveCurrentDirectory(char* volumeName) {
    char directory[kPathChars];
    char volumePath[kPathChars];
    // A directory that does not fit is not written: the call answers the
    // size it needs, and the buffer holds nothing to look up.
    DWORD length = Device.GetCurrentDirectoryA(kPathChars, directory);
    if (length == 0 || length >= kPathChars) return;
    if (!Device.GetVolumePathNameA(directory, volumePath, kPathChars)) return;
    if (!Device.GetVolumeNameForVolumeMountPointA(volumePath, volumeName, kPathChars))
        volumeName[0] = 0;
}

void ResolveDriveSpec(const char* driveSpec, char* volumeName, char* displayName) {
    if (StartsWithIgnoringCase(driveSpec, kVolumePrefix) && lstrlenA(driveSpec) > 47 &&
        driveSpec[47] == '}') {
        ResolveVolumeGuidPath(driveSpec, TRUE, volumeName);
    } else if (StartsWithIgnoringCase(driveSpec, "Volume{") && lstrlenA(driveSpec) > 43 &&
               driveSpec[43] == '}') {
        ResolveVolumeGuidPath(driveSpec, FALSE, volumeName);
    } else if (driveSpec[0] >= 'A' && driveSpec[0] <= 'Z' && driveSpec[1] == ':') {
        ResolveDriveLetter(driveSpec, volumeName, displayName);
    } else if (lstrcmpA(driveSpec, "\\") == 0) {
        lstrcpyA(volumeName, OwnVolumeName);
    } else if (lstrcmpA(driveSpec, ".") == 0) {
        ResolveCurrentDirectory(volumeName);
    }
}

// Walks the zero-separated device names, stopping at an empty name or at the
// number of characters the system said it stored.
static void MatchVolumeDevice(const char* names, DWORD stored, const char* ntTarget,
                              char* volumeName) {
    char target[kPathChars];
    for (DWORD at = 0; at < stored && names[at] != 0;) {
        const char* name = names + at;
        int length = lstrlenA(name);
        // "\\?\" + name + "\" must fit volumeName; real volume names have 44.
        if (StrStrA(name, "Volume{") == name && length <= kPathChars - 6 &&
            Device.QueryDosDeviceA(name, target, kPathChars) && lstrcmpA(target, ntTarget) == 0) {
            wsprintfA(volumeName, "\\\\?\\%s\\", name);
            return;
        }
        at += (DWORD)length + 1;
    }
}

void FindVolumeByDosTarget(const char* ntTarget, char* volumeName) {
    char* names = (char*)AllocZeroed(DosDeviceListSize);
    DWORD stored;
    // The last byte is never offered to the system, so the list always ends in a zero.
    while ((stored = Device.QueryDosDeviceA(0, names, DosDeviceListSize - 1)) == 0) {
        DWORD error = GetLastError();
        FreeBlock(names);
        if (error != ERROR_INSUFFICIENT_BUFFER || DosDeviceListSize >= kDosDeviceListLimit) return;
        DosDeviceListSize += kDosDeviceListGrowth;
        names = (char*)AllocZeroed(DosDeviceListSize);
    }
    MatchVolumeDevice(names, stored, ntTarget, volumeName);
    FreeBlock(names);
}
