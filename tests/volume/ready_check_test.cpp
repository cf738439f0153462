// The system side of the device seam, once, under Wine: a medium check that
// Wine refuses at once (NOT_SUPPORTED), its NT status read as the wait reads it.
#include "app/load_command.h"
#include "base/process_records.h"
#include "volume/ready_check.h"

#include <gtest/gtest.h>

TEST(ReadyCheck, TheSystemsRefusalCarriesItsStatus) {
    typedef ULONG(WINAPI * StatusToError)(LONG);
    auto statusToError = (StatusToError)(void*)GetProcAddress(GetModuleHandleA("ntdll.dll"),
                                                              "RtlNtStatusToDosError");
    char volumeName[kPathChars];
    ASSERT_TRUE(GetVolumeNameForVolumeMountPointA("C:\\", volumeName, kPathChars));
    volumeName[kVolumeDevicePathChars] = 0;
    ReadyCheck check;
    ASSERT_TRUE(StartReadyCheck(volumeName, Device.FindLastNtStatus(), &check));
    DWORD error = ERROR_SUCCESS;
    LONG status = FinishReadyCheck(&check, &error);
    EXPECT_NE(error, (DWORD)ERROR_SUCCESS);
    EXPECT_EQ(statusToError(status), error);
}
