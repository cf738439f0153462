// What an optical drive says of its own loader.
//
// Most slim laptop drives and nearly every external USB drive cannot pull
// their tray in: they refuse the load request, and only the drive can say
// why. MMC's GET CONFIGURATION answers with feature descriptors; the
// Removable Medium feature (0003h) carries, from its version 2 on, a Load bit
// (0: START STOP UNIT cannot load the medium) and the loading mechanism (0 a
// caddy or slot, 1 a tray, 2 a pop-up, 4 and 5 changers, the rest reserved).
// Only a tray, a pop-up and a slot are taken in by hand; of the others we
// cannot say what the user should do. The whole list is asked from feature
// 0, since emulated drives refuse any other starting feature; the cdrom
// driver passes the drive's answer on as it came, except for drives it knows
// to mishandle a request of one feature, where it keeps only the first
// descriptor. The list is walked as the driver walks it, and the answer is
// outside input: every read is bounded by the bytes returned.
#include "volume/load_capability.h"
#include "base/memory.h"
#include "base/system_codes.h"
#include "volume/device_calls.h"
#include <winioctl.h>
#include <ntddcdrm.h>
#include <ntddmmc.h>

// Byte 4 of the Removable Medium feature (Microsoft, FEATURE_DATA_REMOVABLE_MEDIUM;
// the MinGW-w64 headers still call the Load bit Reserved2).
static const BYTE kLoadBit = 0x10;
static const int kLoadingMechanismShift = 5;
// The version field is bits 5..2 of a descriptor's third byte (FEATURE_HEADER).
static const BYTE kVersionMask = 0x3C;
static const int kVersionShift = 2;
// Before version 2 the Load bit was reserved, and reads 0 on drives that load.
static const int kLoadBitVersion = 2;

static const DWORD kHeaderBytes = sizeof(GET_CONFIGURATION_HEADER);
static const DWORD kFeatureHeaderBytes = sizeof(FEATURE_HEADER);
static const DWORD kRemovableMediumDataBytes =
    sizeof(FEATURE_DATA_REMOVABLE_MEDIUM) - sizeof(FEATURE_HEADER);

static DWORD BigEndian32(const BYTE* bytes) {
    return (DWORD)bytes[0] << 24 | (DWORD)bytes[1] << 16 | (DWORD)bytes[2] << 8 | bytes[3];
}

static LoadCapability ReadRemovableMedium(const BYTE* feature) {
    int version = (feature[2] & kVersionMask) >> kVersionShift;
    if (feature[3] < kRemovableMediumDataBytes || version < kLoadBitVersion) return kLoadUnknown;
    BYTE flags = feature[kFeatureHeaderBytes];
    if (flags & kLoadBit) return kLoadsItself;
    int mechanism = flags >> kLoadingMechanismShift;
    if (mechanism == LOADING_MECHANISM_CADDY) return kCannotLoadSlot;
    if (mechanism == LOADING_MECHANISM_TRAY || mechanism == LOADING_MECHANISM_POPUP)
        return kCannotLoadTray;
    return kLoadUnknown;
}

LoadCapability ParseLoadCapability(const BYTE* answer, DWORD returnedBytes) {
    if (returnedBytes < kHeaderBytes) return kLoadUnknown;
    // DataLength counts the bytes after its own four; the drive may claim more
    // than it sent.
    DWORD claimed = BigEndian32(answer);
    DWORD end = returnedBytes;
    if (claimed < returnedBytes - 4) end = 4 + claimed;
    DWORD at = kHeaderBytes;
    while (at + kFeatureHeaderBytes <= end) {
        const BYTE* feature = answer + at;
        DWORD featureBytes = kFeatureHeaderBytes + feature[3];
        // A descriptor cut by the end is no descriptor, nor is any after it.
        if (featureBytes > end - at) break;
        if ((feature[0] << 8 | feature[1]) == FeatureRemovableMedium)
            return ReadRemovableMedium(feature);
        // MMC makes every length a multiple of 4: past one that is not, the
        // driver's own search gives the list up, and so do we.
        if (feature[3] % 4) break;
        at += featureBytes;
    }
    return kLoadUnknown;
}

LoadCapability ReadLoadCapability(const char* volumeDevicePath) {
    HANDLE drive = Device.CreateFileA(volumeDevicePath, GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, 0, OPEN_EXISTING, 0, 0);
    if (drive == INVALID_HANDLE_VALUE) return kLoadUnknown;
    // From feature 0, every feature; the reserved fields must be zero.
    GET_CONFIGURATION_IOCTL_INPUT request;
    FillBytes(&request, 0, sizeof request);
    request.Feature = FeatureProfileList;
    request.RequestType = SCSI_GET_CONFIGURATION_REQUEST_TYPE_ALL;
    BYTE answer[kConfigurationAnswerBytes];
    DWORD returned = 0;
    BOOL answered = Device.DeviceIoControl(drive, IOCTL_CDROM_GET_CONFIGURATION, &request,
                                           sizeof request, answer, sizeof answer, &returned, 0);
    Device.CloseHandle(drive);
    if (!answered) return kLoadUnknown;
    return ParseLoadCapability(answer, returned);
}
