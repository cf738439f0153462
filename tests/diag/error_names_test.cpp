// Error and drive-type names: the tables, the formatting of unnamed values
// and the separate buffers of the two formatting operations.
#include "diag/error_names.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ErrorName, NamedAndUnnamedCodes) {
    const struct {
        DWORD code;
        const char* name;
    } rows[] = {
        {0, "ok"},
        {5, "ACCESS_DENIED"},
        {21, "NOT_READY"},
        {50, "NOT_SUPPORTED"},
        {121, "SEM_TIMEOUT"},
        {231, "ERROR_PIPE_BUSY"},
        {234, "ERROR_MORE_DATA"},
        {1314, "ERROR_PRIVILEGE_NOT_HELD"},
        {6002, "FILE_ENCRYPTED"},
        {0x80310000, "FVE_E_LOCKED_VOLUME"},
        {0x80310017, "FVE_E_VOLUME_NOT_BOUND"},
        {4, "4"},
        {268435455, "268435455"},
        {0x10000000, "0x10000000"},
        {0x80310001, "0x80310001"},
        {0xFFFFFFFF, "0xFFFFFFFF"},
    };
    for (const auto& row : rows) EXPECT_STREQ(ErrorName(row.code), row.name) << row.code;
}

TEST(ErrorName, UnnamedCodesShareOneBufferThatDriveTypesDoNotTouch) {
    const char* first = ErrorName(4);
    const char* drive = DriveTypeName(9);
    const char* second = ErrorName(0xABCDEF12);
    EXPECT_EQ(first, second);
    EXPECT_STREQ(first, "0xABCDEF12");
    EXPECT_STREQ(drive, "DRIVE_9");
    SetLastError(1117);
    EXPECT_STREQ(LastErrorName(), "IO_DEVICE");
}

TEST(DriveTypeName, NamedAndUnnamedTypes) {
    const char* names[] = {"DRIVE_UNKNOWN", "DRIVE_NO_ROOT_DIR", "DRIVE_REMOVABLE", "DRIVE_FIXED",
                           "DRIVE_REMOTE",  "DRIVE_CDROM",       "DRIVE_RAMDISK"};
    for (DWORD type = 0; type < 7; ++type) EXPECT_STREQ(DriveTypeName(type), names[type]);
    EXPECT_STREQ(DriveTypeName(7), "DRIVE_7");
    EXPECT_STREQ(DriveTypeName(4294967295u), "DRIVE_4294967295");
}

}  // namespace
