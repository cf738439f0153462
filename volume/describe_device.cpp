// Naming the device behind a volume: vendor, product and bus.
//
// The volume is asked first. A volume that does not answer (a partition on a
// disk, say) is described by its single physical disk, or labelled "LDM" when
// it spans several extents. Optical drives and floppies are left unnamed: on
// those the disk fallback only wakes the drive and learns nothing. Nothing
// here changes a device.
#include "volume/describe_device.h"
#include "base/memory.h"
#include "base/system_codes.h"
#include "volume/device_calls.h"
#include "volume/resolve_drive.h"
#include <shlwapi.h>
#include <winioctl.h>

// By STORAGE_BUS_TYPE value; a bus the table does not reach has no name.
static const char* const BusNames[] = {
    "Unknown", "SCSI",  "ATAPI", "ATA",  "FireWire", "SSA", "Fibre",   "USB",
    "RAID",    "iSCSI", "SAS",   "SATA", "SD",       "MMC", "Virtual", "FileBackedVirtual",
    "Spaces",  "NVMe",  "SCM",   "UFS",  "NVMeoF",
};
static_assert(sizeof BusNames / sizeof BusNames[0] == BusTypeNvmeof + 1, "a name per bus type");

static DWORD ReadDword(const BYTE* data, DWORD returnedBytes, DWORD offset) {
    if (offset > returnedBytes || returnedBytes - offset < 4) return 0;
    DWORD value;
    CopyBytes(&value, data + offset, 4);
    return value;
}

void ReadDescriptorText(const BYTE* data, DWORD returnedBytes, DWORD offset, char* text) {
    DWORD length = 0;
    if (offset != 0 && offset < returnedBytes)
        while (length < kTextChars - 1 && offset + length < returnedBytes &&
               data[offset + length] != 0)
            ++length;
    CopyBytes(text, data + offset, length);
    text[length] = 0;
}

void DescribeFromDescriptor(const BYTE* descriptor, DWORD returnedBytes, char* description) {
    char vendor[kTextChars];
    char product[kTextChars];
    char joined[2 * kTextChars];
    ReadDescriptorText(descriptor, returnedBytes,
                       ReadDword(descriptor, returnedBytes,
                                 FIELD_OFFSET(STORAGE_DEVICE_DESCRIPTOR, VendorIdOffset)),
                       vendor);
    StrTrimA(vendor, " \t");
    ReadDescriptorText(descriptor, returnedBytes,
                       ReadDword(descriptor, returnedBytes,
                                 FIELD_OFFSET(STORAGE_DEVICE_DESCRIPTOR, ProductIdOffset)),
                       product);
    // Leading blanks of the product stay between the two, as drives report them.
    wsprintfA(joined, "%s %s", vendor, product);
    StrTrimA(joined, " \t");

    DWORD busType =
        ReadDword(descriptor, returnedBytes, FIELD_OFFSET(STORAGE_DEVICE_DESCRIPTOR, BusType));
    lstrcpynA(description, joined, 112);
    if (busType >= sizeof BusNames / sizeof BusNames[0]) return;
    if (description[0]) lstrcatA(description, " ");
    lstrcatA(description, BusNames[busType]);
    lstrcatA(description, " Device");
}

static HANDLE OpenForAttributes(const char* path) {
    return Device.CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, 0, OPEN_EXISTING, 0, 0);
}

// The device's description into description; FALSE, with it empty, when the
// device does not answer.
static BOOL DescribeStorageDevice(const char* path, char* description) {
    description[0] = 0;
    HANDLE device = OpenForAttributes(path);
    if (device == INVALID_HANDLE_VALUE) return FALSE;

    STORAGE_PROPERTY_QUERY query = {StorageDeviceProperty, PropertyStandardQuery, {0}};
    BYTE answer[kDescriptorBytes];
    DWORD returned = 0;
    BOOL answered = Device.DeviceIoControl(device, IOCTL_STORAGE_QUERY_PROPERTY, &query,
                                           sizeof query, answer, sizeof answer, &returned, 0);
    Device.CloseHandle(device);
    if (!answered) return FALSE;

    DescribeFromDescriptor(answer, returned, description);
    return TRUE;
}

LONG ParseDiskExtents(const BYTE* extents, DWORD returnedBytes, DWORD* firstDisk) {
    const DWORD head = FIELD_OFFSET(VOLUME_DISK_EXTENTS, Extents);
    DWORD claimed = ReadDword(extents, returnedBytes, 0);
    DWORD present = returnedBytes < head ? 0 : (returnedBytes - head) / sizeof(DISK_EXTENT);
    *firstDisk = ReadDword(extents, returnedBytes, head);
    return (LONG)(claimed < present ? claimed : present);
}

// The number of disk extents of the volume (0 when it cannot be learned) and
// the disk of the first.
static LONG ReadDiskExtents(const char* path, DWORD* firstDisk) {
    LONG count = 0;
    BYTE* extents = (BYTE*)AllocZeroed(kDiskExtentsBytes);
    HANDLE volume = OpenForAttributes(path);
    if (volume != INVALID_HANDLE_VALUE) {
        DWORD returned = 0;
        BOOL answered = Device.DeviceIoControl(volume, IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, 0, 0,
                                               extents, kDiskExtentsBytes, &returned, 0);
        Device.CloseHandle(volume);
        if (answered) count = ParseDiskExtents(extents, returned, firstDisk);
    }
    FreeBlock(extents);
    return count;
}

void DescribeVolumeDevice(const char* volumeDevicePath, UINT driveType, char* description) {
    char ntDeviceName[64];
    // The part after "\\?\" is the DOS device name "Volume{...}". A failed
    // lookup may leave part of a name behind.
    if (!Device.QueryDosDeviceA(volumeDevicePath + 4, ntDeviceName, sizeof ntDeviceName))
        ntDeviceName[0] = 0;

    if (DescribeStorageDevice(volumeDevicePath, description)) return;
    if (driveType == DRIVE_CDROM || StrStrIA(ntDeviceName, "Floppy")) return;

    DWORD firstDisk = 0;
    LONG count = ReadDiskExtents(volumeDevicePath, &firstDisk);
    if (count == 1) {
        char diskPath[64];
        wsprintfA(diskPath, "\\\\.\\PhysicalDrive%u", firstDisk);
        DescribeStorageDevice(diskPath, description);
    } else if (count > 1) {
        lstrcpyA(description, "LDM");
    }
}
