// Naming the device behind a volume: vendor, product and bus.
//
// The volume is asked first. A volume that does not answer (a partition on a
// disk, say) is described by its single physical disk, or labelled "LDM" when
// it spans several extents. Optical drives and floppies are left unnamed: on
// those the disk fallback only wakes the drive and learns nothing. Nothing
// here changes a device.
#include "volume/describe_device.h"
#include "base/memory.h"
#include "console/trace.h"
#include "volume/device_calls.h"
#include "volume/resolve_drive.h"
#include "base/text_edits.h"
#include <shlwapi.h>
#include <winioctl.h>

static const char* const BusNames[] = {
    "Unknown", "SCSI",  "ATAPI", "ATA",  "FireWire", "SSA", "Fibre",   "USB",
    "RAID",    "iSCSI", "SAS",   "SATA", "SD",       "MMC", "Virtual", "FileBackedVirtual",
    "Spaces",  "17",    "18",    "19",   "LDM",
};

BOOL BusTypeName(DWORD busType, char* name) {
    if (busType >= sizeof BusNames / sizeof BusNames[0]) return FALSE;
    lstrcpyA(name, BusNames[busType]);
    return TRUE;
}

char* TrimRight(char* text) {
    if (!text) return text;
    for (int at = lstrlenA(text); at > 0; --at) {
        if (text[at - 1] != ' ' && text[at - 1] != '\t') break;
        text[at - 1] = 0;
    }
    return text;
}

static DWORD ReadDword(const BYTE* data, DWORD returnedBytes, DWORD offset) {
    if (offset > returnedBytes || returnedBytes - offset < 4) return 0;
    DWORD value;
    CopyBytes(&value, data + offset, 4);
    return value;
}

void ReadDescriptorText(const BYTE* data, DWORD returnedBytes, DWORD offset, char* text) {
    DWORD length = 0;
    if (offset != 0 && offset < returnedBytes)
        while (length < kProductNameChars - 1 && offset + length < kDescriptorBytes &&
               data[offset + length] != 0)
            ++length;
    CopyBytes(text, data + offset, length);
    text[length] = 0;
}

void DescribeFromDescriptor(const BYTE* descriptor, DWORD returnedBytes, DWORD* busType,
                            char* description, char* productName) {
    char vendor[kProductNameChars];
    char product[kProductNameChars];
    char joined[512];
    if (returnedBytes > kDescriptorBytes) returnedBytes = kDescriptorBytes;

    ReadDescriptorText(descriptor, returnedBytes,
                       ReadDword(descriptor, returnedBytes,
                                 FIELD_OFFSET(STORAGE_DEVICE_DESCRIPTOR, VendorIdOffset)),
                       vendor);
    StrTrimA(vendor, " \t");
    ReadDescriptorText(descriptor, returnedBytes,
                       ReadDword(descriptor, returnedBytes,
                                 FIELD_OFFSET(STORAGE_DEVICE_DESCRIPTOR, ProductIdOffset)),
                       product);
    TrimRight(product);  // leading blanks of the product stay, as drives report them
    wsprintfA(joined, "%s %s", vendor, product);
    StrTrimA(joined, " \t");

    *busType =
        ReadDword(descriptor, returnedBytes, FIELD_OFFSET(STORAGE_DEVICE_DESCRIPTOR, BusType));
    if (productName) lstrcpynA(productName, joined, kProductNameChars);
    if (description) {
        char busName[20];
        lstrcpynA(description, joined, 112);
        if (BusTypeName(*busType, busName)) {
            if (description[0]) lstrcatA(description, " ");
            lstrcatA(description, busName);
            lstrcatA(description, " Device");
        }
    }
}

static void CopyPathWithoutBackslash(const char* path, char* copy) {
    lstrcpynA(copy, path, kPathChars);
    StripTrailingChar(copy, '\\');
}

static HANDLE OpenForAttributes(const char* path) {
    return Device.CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, 0, OPEN_EXISTING, 0, 0);
}

BOOL DescribeStorageDevice(const char* path, DWORD* busType, char* description, char* productName) {
    *busType = 0;
    if (description) description[0] = 0;
    if (productName) productName[0] = 0;

    char devicePath[kPathChars];
    CopyPathWithoutBackslash(path, devicePath);
    HANDLE device = OpenForAttributes(devicePath);
    if (device == INVALID_HANDLE_VALUE) return FALSE;

    STORAGE_PROPERTY_QUERY query;
    FillBytes(&query, 0, sizeof query);
    query.PropertyId = StorageDeviceProperty;
    query.QueryType = PropertyStandardQuery;
    BYTE answer[kDescriptorBytes];
    FillBytes(answer, 0, sizeof answer);
    ((STORAGE_DEVICE_DESCRIPTOR*)answer)->Size = sizeof answer;
    DWORD returned = 0;
    BOOL answered = Device.DeviceIoControl(device, IOCTL_STORAGE_QUERY_PROPERTY, &query,
                                           sizeof query, answer, sizeof answer, &returned, 0);
    Device.CloseHandle(device);
    if (!answered) return FALSE;

    DescribeFromDescriptor(answer, returned, busType, description, productName);
    return TRUE;
}

void ParseDiskExtents(const BYTE* extents, DWORD returnedBytes, LONG* count, DWORD* diskNumbers,
                      LONG maxNumbers) {
    const DWORD head = FIELD_OFFSET(VOLUME_DISK_EXTENTS, Extents);
    const DWORD record = sizeof(DISK_EXTENT);
    DWORD claimed = ReadDword(extents, returnedBytes, 0);
    DWORD present = returnedBytes < head ? 0 : (returnedBytes - head) / record;
    *count = (LONG)(claimed < present ? claimed : present);
    for (LONG i = 0; i < *count && i < maxNumbers; ++i)
        diskNumbers[i] = ReadDword(extents, returnedBytes, head + (DWORD)i * record);
}

BOOL GetDiskCount(const char* path, LONG* count, DWORD* diskNumbers, LONG maxNumbers) {
    *count = 0;
    BYTE* extents = (BYTE*)AllocZeroed(kDiskExtentsBytes);
    char devicePath[kPathChars];
    CopyPathWithoutBackslash(path, devicePath);
    HANDLE volume = OpenForAttributes(devicePath);
    if (volume != INVALID_HANDLE_VALUE) {
        DWORD returned = 0;
        BOOL answered = Device.DeviceIoControl(volume, IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, 0, 0,
                                               extents, kDiskExtentsBytes, &returned, 0);
        Device.CloseHandle(volume);
        if (answered && returned > 0) {
            Trace(3, "GetDiskCount(%s) res=%u", path, ReadDword(extents, returned, 0));
            ParseDiskExtents(extents, returned, count, diskNumbers, maxNumbers);
        }
    }
    FreeBlock(extents);
    return TRUE;
}

void DescribeVolumeDevice(const char* volumeDevicePath, UINT driveType, DWORD* busType,
                          char* description, char* productName) {
    char devicePath[kPathChars];
    char ntDeviceName[64];
    CopyPathWithoutBackslash(volumeDevicePath, devicePath);
    ntDeviceName[0] = 0;
    // The part after "\\?\" is the DOS device name "Volume{...}".
    if (lstrlenA(devicePath) > 4 &&
        !Device.QueryDosDeviceA(devicePath + 4, ntDeviceName, sizeof ntDeviceName))
        ntDeviceName[0] = 0;

    if (DescribeStorageDevice(volumeDevicePath, busType, description, productName)) return;
    if (driveType == DRIVE_CDROM || StrStrIA(ntDeviceName, "Floppy")) return;

    LONG count = 0;
    DWORD diskNumbers[kMaxDiskNumbers];
    FillBytes(diskNumbers, 0, sizeof diskNumbers);
    GetDiskCount(volumeDevicePath, &count, diskNumbers, kMaxDiskNumbers);
    if (count == 1) {
        char diskPath[64];
        wsprintfA(diskPath, "\\\\.\\PhysicalDrive%u", diskNumbers[0]);
        DescribeStorageDevice(diskPath, busType, description, productName);
    } else if (count > 1) {
        lstrcpyA(description, "LDM");
        lstrcpyA(productName, "LDM");
    }
}
