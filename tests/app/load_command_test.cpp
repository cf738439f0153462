// The load command's outcomes through the device seam: what Wine cannot
// produce (a loaded drive, a volume that accepts the requests, one that will
// not open) is scripted, and the exact bytes and exit code are checked.
#include "tests/support/descriptor_bytes.h"
#include "tests/support/fake_device.h"
#include "tests/support/load_command_run.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char kVolume[] = "\\\\?\\Volume{0a1b2c3d-0000-1111-2222-333344445555}";
const std::string kVolumeName = std::string(kVolume) + "\\";
const std::string kBanner =
    "\r\nTraywake V1.6 (Win32) - loads a media into a drive or brings a volume online\r\n"
    "https://traywake.example.org/\r\n";
const char kLoadMedia[] = "0x2D480C";
const char kVolumeOnline[] = "0x56C008";

// Drive E: holding kVolume, of the given type.
FakeVolume& AddDriveE(FakeDevice& fake, UINT driveType) {
    fake.mountPoints["E:\\"] = kVolumeName;
    fake.driveTypes[kVolumeName] = driveType;
    return fake.AddVolume(kVolume);
}

void MakeLoadedAndMounted(FakeVolume& volume) {
    volume.checkVerifyAnswers = true;
    volume.lengthOnAttributeHandle = true;
    volume.lengthBytes = 700ull << 20;
    volume.rootOpens = true;
}

TEST(LoadCommand, OutcomeOfTheTwoRequests) {
    const struct {
        UINT driveType;
        bool loadSucceeds, onlineSucceeds;
        int exitCode;
        std::string ending;
    } rows[] = {
        {DRIVE_CDROM, true, true, 0, "Loading media into E:\\ ()... OK\r\nsuccess\r\n\r\n"},
        {DRIVE_CDROM, true, false, 0, "Loading media into E:\\ ()... OK\r\nsuccess\r\n\r\n"},
        {DRIVE_REMOVABLE, false, true, 0, "Loading media into E:\\ (ACME Card Reader USB Device)... OK\r\nsuccess\r\n\r\n"},
        {DRIVE_FIXED, false, true, 0, "Bring volume E:\\ online (ACME Card Reader USB Device)... OK\r\nsuccess\r\n\r\n"},
        // The name is that of the second request's error.
        {DRIVE_CDROM, false, false, 1, "Loading media into E:\\ ()... err=INVALID_FUNCTION\r\nfailed\r\n\r\n"},
        {DRIVE_FIXED, false, false, 1, "Bring volume E:\\ online (ACME Card Reader USB Device)... err=INVALID_FUNCTION\r\nfailed\r\n\r\n"},
    };
    for (const auto& row : rows) {
        FakeDevice fake;
        FakeVolume& volume = AddDriveE(fake, row.driveType);
        volume.loadMediaSucceeds = row.loadSucceeds;
        volume.volumeOnlineSucceeds = row.onlineSucceeds;
        if (row.driveType != DRIVE_CDROM) volume.descriptor = DescriptorBytes("ACME ", "Card Reader  ", 7);
        LoadCommandOutcome outcome = RunLoadCommandWith({"e:"});
        EXPECT_EQ(outcome.exitCode, row.exitCode);
        EXPECT_EQ(outcome.output, kBanner + row.ending);
        // Both requests, in this order, on the read-write handle, which is closed.
        std::vector<std::string> requests;
        for (const std::string& call : fake.Calls("ioctl"))
            if (call.find(kLoadMedia) != std::string::npos || call.find(kVolumeOnline) != std::string::npos)
                requests.push_back(call);
        EXPECT_EQ(requests, (std::vector<std::string>{"ioctl " + std::string(kVolume) + " " + kLoadMedia,
                                                      "ioctl " + std::string(kVolume) + " " + kVolumeOnline}));
        EXPECT_EQ(fake.OpenHandles(), 0);
    }
}

TEST(LoadCommand, RefusesWhatIsAlreadyDoneUnlessForced) {
    const struct {
        UINT driveType;
        const char* force;
        int exitCode;
        std::string ending;
    } rows[] = {
        {DRIVE_CDROM, nullptr, 2, "Media already loaded - abort\r\n"},
        {DRIVE_REMOVABLE, nullptr, 2, "Media already loaded - abort\r\n"},
        {DRIVE_FIXED, nullptr, 2, "Volume already online - abort\r\n"},
        {DRIVE_REMOTE, nullptr, 2, "Volume already online - abort\r\n"},
        {DRIVE_CDROM, "-F", 0, "Loading media into E:\\ ()... OK\r\nsuccess\r\n\r\n"},
        {DRIVE_FIXED, "/force", 0, "Bring volume E:\\ online ()... OK\r\nsuccess\r\n\r\n"},
    };
    for (const auto& row : rows) {
        FakeDevice fake;
        FakeVolume& volume = AddDriveE(fake, row.driveType);
        MakeLoadedAndMounted(volume);
        volume.loadMediaSucceeds = true;
        std::vector<std::string> arguments = {"E:"};
        if (row.force) arguments.push_back(row.force);
        LoadCommandOutcome outcome = RunLoadCommandWith(arguments);
        EXPECT_EQ(outcome.exitCode, row.exitCode) << row.driveType;
        EXPECT_EQ(outcome.output, kBanner + row.ending);
        for (const char* request : {kLoadMedia, kVolumeOnline})
            EXPECT_EQ(fake.Calls("ioctl " + std::string(kVolume) + " " + request).size(), row.force ? 1u : 0u);
        EXPECT_EQ(fake.OpenHandles(), 0);
    }
}

TEST(LoadCommand, DoesNotRefuseWhenTheMediumOrItsVolumeIsMissing) {
    const struct {
        UINT driveType;
        ULONGLONG length;
        bool checkVerifyAnswers;
        bool rootOpens;
    } rows[] = {
        {DRIVE_FIXED, 0, false, true},                      // online volume of size 0
        {DRIVE_REMOVABLE, (1ull << 20) - 1, false, true},   // less than 1 MiB counts as no medium
        {DRIVE_FIXED, 64ull << 20, false, false},           // root directory does not open
        {DRIVE_CDROM, 0, false, true},                      // no disc
    };
    for (const auto& row : rows) {
        FakeDevice fake;
        FakeVolume& volume = AddDriveE(fake, row.driveType);
        volume.lengthOnAttributeHandle = true;
        volume.lengthBytes = row.length;
        volume.checkVerifyAnswers = row.checkVerifyAnswers;
        volume.rootOpens = row.rootOpens;
        volume.volumeOnlineSucceeds = true;
        LoadCommandOutcome outcome = RunLoadCommandWith({"E:", "-na"});
        EXPECT_EQ(outcome.exitCode, 0) << outcome.output;
        EXPECT_NE(outcome.output.find("... OK\r\nsuccess"), std::string::npos) << outcome.output;
    }
}

TEST(LoadCommand, FailuresToOpen) {
    const struct {
        const char* name;
        bool attributes, read, readWrite;
        int attributeOpenLimit;
        DWORD openError;
        std::string output;
        int exitCode;
    } rows[] = {
        {"no open at all", false, false, false, -1, ERROR_ACCESS_DENIED,
         "\r\ncannot open the drive - abort\r\n", 1},
        {"device gone for read-write, read works", true, true, false, -1, ERROR_DEV_NOT_EXIST,
         "Bring volume E:\\ online ()... OK\r\nsuccess\r\n\r\n", 0},
        {"read-write refused otherwise, read works", true, true, false, -1, ERROR_ACCESS_DENIED,
         "Loading media into E:\\ ()... OK\r\nsuccess\r\n\r\n", 0},
        {"only attributes", true, false, false, -1, ERROR_ACCESS_DENIED,
         "Loading media into E:\\ ()... OK\r\nsuccess\r\n\r\n", 0},
        // Opens for the probe only: the service is asked, and none listens here.
        // (The description's query takes the first attribute open.)
        {"probe only, no service", true, false, false, 2, ERROR_ACCESS_DENIED,
         "\r\nerror opening VORLAN command interface\r\n", 1},
    };
    for (const auto& row : rows) {
        FakeDevice fake;
        FakeVolume& volume = AddDriveE(fake, DRIVE_CDROM);
        volume.opensForAttributes = row.attributes;
        volume.opensForRead = row.read;
        volume.opensForReadWrite = row.readWrite;
        volume.attributeOpenLimit = row.attributeOpenLimit;
        volume.openError = row.openError;
        volume.loadMediaSucceeds = true;
        LoadCommandOutcome outcome = RunLoadCommandWith({"E:", "-na"});
        EXPECT_EQ(outcome.output, row.output) << row.name;
        EXPECT_EQ(outcome.exitCode, row.exitCode) << row.name;
        EXPECT_EQ(fake.OpenHandles(), 0) << row.name;
    }
}

}  // namespace
