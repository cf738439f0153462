// Turning a DriveSpec into a volume GUID path and a display name, through
// the device seam: one table of the forms, and the growth of the DOS device
// list.
#include "volume/resolve_drive.h"
#include "tests/support/fake_device.h"
#include "tests/support/harness.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

const std::string G = "0A1B2C3D-0000-1111-2222-333344445555";
const std::string kVolumeName = "\\\\?\\Volume{" + std::string("0a1b2c3d-0000-1111-2222-333344445555") + "}\\";
const std::string kCardVolume = "\\\\?\\Volume{99999999-0000-1111-2222-333344445555}\\";

// E:'s NT device is also the target of the DOS device of kVolumeName.
void LetterOnlyByTarget(FakeDevice& fake) {
    fake.dosDevices["E:"] = "\\Device\\HarddiskVolume7";
    fake.dosDevices["Volume{12345678-0000-1111-2222-333344445555}"] = "\\Device\\HarddiskVolume6";
    fake.dosDevices["Volume{0a1b2c3d-0000-1111-2222-333344445555}"] = "\\Device\\HarddiskVolume7";
}

TEST(ResolveDriveSpec, Forms) {
    const struct {
        std::string driveSpec;  // as the load command passes it: upper-cased
        std::function<void(FakeDevice&)> script;
        std::string volumeName, displayName;
        std::string lookups;  // of the DOS device list and volume paths
    } rows[] = {
        {"E:", nullptr, kVolumeName, "E:\\", ""},
        {"E:\\", nullptr, kVolumeName, "E:\\", ""},
        {"C:\\MNT\\CARD", nullptr, kCardVolume, "C:\\MNT\\CARD\\", ""},
        {"F:\\ANYTHING", LetterOnlyByTarget, "", "F:", ""},
        {"E:\\ANYTHING", [](FakeDevice& f) { LetterOnlyByTarget(f), f.mountPoints.clear(); }, kVolumeName, "E:", "dos-list 16383 "},
        {"E:", [](FakeDevice& f) { LetterOnlyByTarget(f), f.mountPoints.clear(), f.dosDevices["E:"] = "\\Device\\Cd0"; },
         "", "E:", "dos-list 16383 "},
        {"\\\\?\\VOLUME{" + G + "}", nullptr, kVolumeName, "", ""},
        {"\\\\?\\VOLUME{" + G + "}\\", nullptr, kVolumeName, "", ""},
        {"VOLUME{" + G + "}XY", nullptr, kVolumeName.substr(0, 48) + "xy\\", "", ""},
        {"\\\\?\\VOLUME{" + G, nullptr, "", "", ""},
        {"VOLUME{" + G + "X}", nullptr, "", "", ""},
        {"\\\\?\\VOLUME{" + G + "}" + std::string(211, 'X'), nullptr, "", "", ""},  // 259: no room for "\"
        {"VOLUME{" + G + "}" + std::string(211, 'X'), nullptr, "", "", ""},
        {"\\", nullptr, kCardVolume, "", ""},
        {"\\X", nullptr, "", "", ""},
        {".", [](FakeDevice& f) { f.currentDirectory = "C:\\MNT\\CARD\\DCIM"; }, kCardVolume, "", "volumepath C:\\MNT\\CARD\\DCIM "},
        {".", [](FakeDevice& f) { f.currentDirectory = "C:\\MNT\\CARD\\" + std::string(250, 'D'); }, "", "", ""},
        {"..", nullptr, "", "", ""},
        {"1:", nullptr, "", "", ""},
        {"", nullptr, "", "", ""},
    };
    for (const auto& row : rows) {
        FakeDevice fake;
        fake.mountPoints["E:\\"] = kVolumeName;
        fake.mountPoints["C:\\MNT\\CARD\\"] = kCardVolume;
        fake.volumePaths["C:\\MNT\\CARD\\DCIM"] = "C:\\MNT\\CARD\\";
        lstrcpyA(OwnVolumeName, kCardVolume.c_str());
        if (row.script) row.script(fake);
        ScopedHeap heap;
        char volumeName[kPathChars] = "", displayName[kPathChars] = "";
        ResolveDriveSpec(row.driveSpec.c_str(), volumeName, displayName);
        EXPECT_EQ(volumeName, row.volumeName) << row.driveSpec;
        EXPECT_EQ(displayName, row.displayName) << row.driveSpec;
        EXPECT_EQ(fake.lookups, row.lookups) << row.driveSpec;
        EXPECT_EQ(heap.BusyBlocks(), 0) << row.driveSpec;
    }
}

TEST(FindVolumeByDosTarget, TheListGrowsAndStaysGrown) {
    FakeDevice fake;
    LetterOnlyByTarget(fake);
    fake.listNeedsBytes = 20000;
    char volumeName[kPathChars] = "";
    ScopedHeap heap;
    EXPECT_TRUE(FindVolumeByDosTarget("\\Device\\HarddiskVolume7", volumeName));
    EXPECT_EQ(volumeName, kVolumeName);
    EXPECT_FALSE(FindVolumeByDosTarget("\\Device\\Nothing", volumeName));
    fake.listError = ERROR_ACCESS_DENIED;  // only a list too small for its buffer is asked for again
    EXPECT_FALSE(FindVolumeByDosTarget("\\Device\\HarddiskVolume7", volumeName));
    EXPECT_EQ(fake.lookups, "dos-list 16383 dos-list 20479 dos-list 20479 dos-list 20479 ");
    EXPECT_EQ(heap.BusyBlocks(), 0);
}

}  // namespace
