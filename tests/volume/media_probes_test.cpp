// Medium and volume probes through the device seam: what each drive is
// asked, what counts as a medium, and that no handle is left open.
#include "volume/media_probes.h"
#include "tests/support/fake_device.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string kPath = "\\\\?\\Volume{0a1b2c3d-0000-1111-2222-333344445555}";

TEST(IsMediaPresent, OpticalDriveIsAskedAndRemovalIsAlwaysAllowedAgain) {
    const struct {
        const char* name;
        bool opensForRead;
        bool checkVerifyAnswers;
        DWORD lastErrorAfterCheck;
        bool present;
        std::vector<std::string> requests;
    } rows[] = {
        {"disc", true, true, ERROR_SUCCESS, true, {"0x2D0800", "0x2D4804"}},
        {"no disc", true, false, ERROR_SUCCESS, false, {"0x2D0800", "0x2D4804"}},
        {"answer, but not ready", true, true, ERROR_NOT_READY, false, {"0x2D0800", "0x2D4804"}},
        {"cannot be opened", false, true, ERROR_SUCCESS, false, {}},
    };
    for (const auto& row : rows) {
        FakeDevice fake;
        FakeVolume& volume = fake.AddVolume(kPath);
        volume.opensForRead = row.opensForRead;
        volume.checkVerifyAnswers = row.checkVerifyAnswers;
        volume.checkVerifyLastError = row.lastErrorAfterCheck;
        EXPECT_EQ(IsMediaPresent(kPath.c_str(), DRIVE_CDROM) != 0, row.present) << row.name;
        std::vector<std::string> requests;
        for (const std::string& call : fake.Calls("ioctl")) requests.push_back(call.substr(call.rfind(' ') + 1));
        EXPECT_EQ(requests, row.requests) << row.name;
        // One open, for reading, whether or not it succeeds.
        EXPECT_EQ(fake.Calls("open"), (std::vector<std::string>{"open " + kPath + " access=0x80000000"}));
        EXPECT_EQ(fake.OpenHandles(), 0) << row.name;
    }
}

TEST(IsMediaPresent, OtherDrivesCountAMediumFromOneMebibyte) {
    const struct {
        UINT driveType;
        ULONGLONG length;
        bool onAttributeHandle, onReadHandle;
        bool present;
        DWORD sizeMB;
        size_t opens;
    } rows[] = {
        {DRIVE_REMOVABLE, 1048575, true, false, false, 0, 1},
        {DRIVE_REMOVABLE, 1048576, true, false, true, 1, 1},
        {DRIVE_FIXED, 0, true, false, false, 0, 1},
        {DRIVE_FIXED, 5ull << 40, true, false, true, 5u << 20, 1},
        {DRIVE_REMOVABLE, 64ull << 20, false, true, true, 64, 2},  // answered on the read handle only
        {DRIVE_REMOVABLE, 64ull << 20, false, false, false, 0, 2},
        {DRIVE_REMOTE, 0x100000000ull << 20, true, false, false, 0, 1},  // low 32 bits of the quotient
        {DRIVE_RAMDISK, 0x80000000ull << 20, true, false, false, 0x80000000u, 1},  // negative as signed
    };
    for (const auto& row : rows) {
        FakeDevice fake;
        FakeVolume& volume = fake.AddVolume(kPath);
        volume.lengthBytes = row.length;
        volume.lengthOnAttributeHandle = row.onAttributeHandle;
        volume.lengthOnReadHandle = row.onReadHandle;
        EXPECT_EQ(IsMediaPresent(kPath.c_str(), row.driveType) != 0, row.present) << row.length;
        EXPECT_EQ(fake.Calls("open").size(), row.opens);
        EXPECT_EQ(GetDiskSizeMB((kPath + "\\").c_str()), row.sizeMB) << row.length;
        EXPECT_EQ(fake.Calls("ioctl " + kPath + " 0x2D0800").size(), 0u);  // never a check request
        EXPECT_EQ(fake.OpenHandles(), 0);
    }
}

TEST(GetDiskSizeMB, NoAnswerWithoutAHandleOrForALongPath) {
    FakeDevice fake;
    FakeVolume& volume = fake.AddVolume(kPath);
    volume.lengthOnAttributeHandle = true;
    volume.lengthOnReadHandle = true;
    volume.lengthBytes = 10 << 20;
    volume.opensForAttributes = false;
    EXPECT_EQ(GetDiskSizeMB(kPath.c_str()), 0u);
    EXPECT_EQ(fake.Calls("open").size(), 1u);  // no second try after a failed open

    std::string longPath(64, 'x');
    fake.AddVolume(longPath).lengthOnAttributeHandle = true;
    EXPECT_EQ(GetDiskSizeMB(longPath.c_str()), 0u);
    EXPECT_EQ(fake.Calls("open " + longPath.substr(0, 10)).size(), 0u);
}

TEST(IsVolumeMounted, OpensTheRootWithBackupSemantics) {
    for (bool rootOpens : {true, false}) {
        FakeDevice fake;
        fake.AddVolume(kPath).rootOpens = rootOpens;
        EXPECT_EQ(IsVolumeMounted(kPath.c_str()) != 0, rootOpens);
        EXPECT_EQ(fake.Calls("open"), (std::vector<std::string>{"open " + kPath + "\\ access=0x0"}));
        EXPECT_EQ(fake.OpenHandles(), 0);
    }
}

}  // namespace
