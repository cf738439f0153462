// Resolving every DriveSpec form: for real against the test prefix's drives
// (C: and Z: are volumes, D: an optical drive), and through the device seam
// for what the prefix cannot show.
#include "volume/resolve_drive.h"
#include "app/memory.h"
#include "tests/support/fake_device.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

namespace {

const std::string kC = "\\\\?\\Volume{00000000-0000-0000-0000-000000000043}\\";
const std::string kD = "\\\\?\\Volume{00000000-0000-0000-0000-000000000044}\\";
const std::string kZ = "\\\\?\\Volume{00000000-0000-0000-0000-00000000005a}\\";
const std::string kGuidUpper = "00000000-0000-0000-0000-00000000005A";

struct Resolved {
    std::string volumeName, displayName;
    bool operator==(const Resolved& other) const {
        return volumeName == other.volumeName && displayName == other.displayName;
    }
};

std::ostream& operator<<(std::ostream& out, const Resolved& resolved) {
    return out << "[" << resolved.volumeName << "] [" << resolved.displayName << "]";
}

// As the load command calls it: upper-cased, outputs empty.
Resolved Resolve(const std::string& typed) {
    char driveSpec[kPathChars];
    lstrcpynA(driveSpec, typed.c_str(), kPathChars);
    CharUpperA(driveSpec);
    char volumeName[kPathChars] = {};
    char displayName[kPathChars] = {};
    ResolveDriveSpec(driveSpec, volumeName, displayName);
    return {volumeName, displayName};
}

TEST(ResolveDriveSpec, FormsAgainstTheTestPrefix) {
    lstrcpyA(OwnVolumeName, kZ.c_str());
    char directory[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, directory);
    const struct {
        std::string typed;
        Resolved expected;
    } rows[] = {
        {"c:", {kC, "C:\\"}},
        {"C:\\", {kC, "C:\\"}},
        {"z:", {kZ, "Z:\\"}},
        {"d:", {kD, "D:\\"}},
        // No mount point at a plain folder: the letter's device is matched instead.
        {"C:\\windows", {kC, "C:"}},
        {"C:\\no\\such\\folder", {kC, "C:"}},
        {"q:", {"", "Q:"}},
        {"\\\\?\\Volume{" + kGuidUpper + "}", {kZ, ""}},
        {"Volume{" + kGuidUpper + "}", {kZ, ""}},
        {"\\\\?\\VOLUME{" + kGuidUpper + "}\\", {kZ, ""}},
        {"Volume{" + kGuidUpper + "}XY", {kZ.substr(0, kZ.size() - 1) + "xy\\", ""}},
        {"\\\\?\\Volume{" + kGuidUpper, {"", ""}},
        {"\\\\?\\Volume{" + kGuidUpper.substr(1) + "}", {"", ""}},
        {"\\", {kZ, ""}},
        {"\\X", {"", ""}},
        {"\\\\", {"", ""}},
        {".", {kZ, ""}},  // the tests run on Z:
        {"..", {"", ""}},
        {"1:", {"", ""}},
        {"AB", {"", ""}},
        {"", {"", ""}},
    };
    for (const auto& row : rows) EXPECT_EQ(Resolve(row.typed), row.expected) << row.typed;
    OwnVolumeName[0] = 0;
    EXPECT_EQ(Resolve("\\"), (Resolved{"", ""}));
    SetCurrentDirectoryA("C:\\");
    EXPECT_EQ(Resolve("."), (Resolved{kC, ""}));
    SetCurrentDirectoryA(directory);
}

TEST(ResolveDriveSpec, MountedFolderAndLookupFailuresThroughTheSeam) {
    const std::string card = "\\\\?\\Volume{11111111-2222-3333-4444-555555555555}\\";
    const struct {
        const char* typed;
        Resolved expected;
        size_t listScans;
    } rows[] = {
        {"c:\\mnt\\card", {card, "C:\\MNT\\CARD\\"}, 0},
        {"e:", {card, "E:"}, 1},             // lookup fails, E: points at the card's device
        {"E:\\anything", {card, "E:"}, 1},
        {"f:", {"", "F:"}, 1},               // a device no volume has
        {"g:", {"", "G:"}, 0},               // no DOS device at all: no scan
    };
    for (const auto& row : rows) {
        FakeDevice fake;
        fake.mountPoints["C:\\MNT\\CARD\\"] = card;
        fake.dosDevices["E:"] = "\\Device\\Harddisk9\\DP(1)0-0+1b";
        fake.dosDevices["F:"] = "\\Device\\Elsewhere";
        fake.dosDevices["Volume{00000000-0000-0000-0000-000000000001}"] = "\\Device\\Other";
        fake.dosDevices["Volume{11111111-2222-3333-4444-555555555555}"] = "\\Device\\Harddisk9\\DP(1)0-0+1b";
        fake.dosDevices["VolumeLike"] = "\\Device\\Harddisk9\\DP(1)0-0+1b";
        EXPECT_EQ(Resolve(row.typed), row.expected) << row.typed;
        EXPECT_EQ(fake.Calls("dos-list").size(), row.listScans) << row.typed;
    }
}

TEST(FindVolumeByDosTarget, GrowsTheListBufferAndKeepsTheGrownSize) {
    DosDeviceListSize = kDosDeviceListStart;
    FakeDevice fake;
    fake.dosDevices["Volume{11111111-2222-3333-4444-555555555555}"] = "\\Device\\CdRom3";
    fake.listNeedsBytes = kDosDeviceListStart + 2 * kDosDeviceListGrowth - 1;  // two growths
    char volumeName[kPathChars] = {};
    EXPECT_TRUE(FindVolumeByDosTarget("\\Device\\CdRom3", volumeName));
    EXPECT_STREQ(volumeName, "\\\\?\\Volume{11111111-2222-3333-4444-555555555555}\\");
    EXPECT_EQ(fake.Calls("dos-list"),
              (std::vector<std::string>{"dos-list 16383", "dos-list 20479", "dos-list 24575"}));
    EXPECT_EQ(DosDeviceListSize, 24576u);

    fake.log.clear();
    volumeName[0] = 0;
    EXPECT_FALSE(FindVolumeByDosTarget("\\Device\\CdRom4", volumeName));
    EXPECT_STREQ(volumeName, "");
    EXPECT_EQ(fake.Calls("dos-list"), (std::vector<std::string>{"dos-list 24575"}));
    DosDeviceListSize = kDosDeviceListStart;
}

TEST(ResolveDriveSpec, RandomDriveSpecsStayInsideTheirBuffers) {
    std::mt19937 random(3031);
    const std::string pieces[] = {"\\\\?\\Volume{", "Volume{", "}", "\\", ".", ":", "C", "Q", "x", kGuidUpper};
    const int kGuard = 64;
    lstrcpyA(OwnVolumeName, kZ.c_str());
    FakeDevice fake;  // answers nothing: every path through the forms, no real lookups
    fake.dosDevices["Q:"] = "\\Device\\Q";
    for (int round = 0; round < 5000; ++round) {
        std::string typed;
        while (typed.size() < (size_t)(random() % 260)) {
            if (random() % 3) typed += pieces[random() % (sizeof pieces / sizeof pieces[0])];
            else typed += (char)(1 + random() % 255);
        }
        typed = typed.substr(0, 259);
        std::vector<char> volumeName(kPathChars + 2 * kGuard, '\x5A');
        std::vector<char> displayName(kPathChars + 2 * kGuard, '\x5A');
        volumeName[kGuard] = 0;
        displayName[kGuard] = 0;
        ResolveDriveSpec(typed.c_str(), &volumeName[kGuard], &displayName[kGuard]);
        for (int i = 0; i < kGuard; ++i) {
            ASSERT_EQ(volumeName[i], '\x5A') << typed;
            ASSERT_EQ(volumeName[kGuard + kPathChars + i], '\x5A') << typed;
            ASSERT_EQ(displayName[i], '\x5A') << typed;
            ASSERT_EQ(displayName[kGuard + kPathChars + i], '\x5A') << typed;
        }
        ASSERT_LT(std::strlen(&volumeName[kGuard]), (size_t)kPathChars);
        ASSERT_LT(std::strlen(&displayName[kGuard]), (size_t)kPathChars);
    }
    // Too long for the name with its backslash: no volume, never a cut name.
    std::string longGuidPath = "\\\\?\\VOLUME{" + kGuidUpper + "}" + std::string(259 - 48, 'A');
    ASSERT_EQ(longGuidPath.size(), 259u);
    EXPECT_EQ(Resolve(longGuidPath), (Resolved{"", ""}));
    EXPECT_EQ(Resolve(longGuidPath.substr(0, 258)).volumeName.size(), 259u);
    EXPECT_EQ(Resolve(longGuidPath.substr(4, 254)).volumeName.size(), 259u);
    EXPECT_EQ(Resolve(longGuidPath.substr(4, 255)), (Resolved{"", ""}));
    OwnVolumeName[0] = 0;
}

}  // namespace
