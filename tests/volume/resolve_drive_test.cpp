// Turning a DriveSpec into a volume GUID path and a display name, through
// the device seam: one table of the forms and of the DOS device list's growth.
#include "volume/resolve_drive.h"
#include "tests/support/fake_device.h"
#include "tests/support/harness.h"

const std::string G = "0A1B2C3D-0000-1111-2222-333344445555";
const std::string kVolumeName = "\\\\?\\Volume{0a1b2c3d-0000-1111-2222-333344445555}\\";
const std::string kCardVolume = "\\\\?\\Volume{99999999-0000-1111-2222-333344445555}\\";
const std::string kList = "dos-list 16383 ";
const std::string kLongMount = "C:\\" + std::string(254, 'X') + "\\";

// The DOS device list asked for in buffers of 16 KiB, grown by 4 KiB up to 1 MiB.
std::string ListsUpTo1MiB(DWORD bytes = 16384) {
    std::string ask = "dos-list " + std::to_string(bytes - 1) + " ";
    return bytes < (1 << 20) ? ask + ListsUpTo1MiB(bytes + 4096) : ask;
}

TEST(ResolveDriveSpec, Forms) {
    const struct {
        std::string driveSpec;  // upper-cased, as the load command passes it
        // by-target: E: has no mount point, only a DOS device (cd-target: a CD's); in-card: the
        // current directory is in the card's folder (on-share: in a network share, deep: too long
        // for a path); long-name: F:'s volume has a DOS device name of 255 characters, listed first
        std::string script;
        std::string volumeName, displayName, lookups;
    } rows[] = {
        {"E:", "", kVolumeName, "E:\\", ""},
        {"E:\\", "", kVolumeName, "E:\\", ""},
        {"A:", "", kCardVolume, "A:\\", ""},
        {"Z:\\", "", kCardVolume, "Z:\\", ""},
        {"C:\\MNT\\CARD", "", kCardVolume, "C:\\MNT\\CARD\\", ""},
        {"C:\\" + std::string(255, 'X'), "", kCardVolume, kLongMount, ""},  // cut for its "\\"
        {"F:\\ANYTHING", "by-target", "", "F:", ""},
        {"E:\\ANYTHING", "by-target", kVolumeName, "E:", kList},
        {"E:\\ANYTHING", "by-target big-list", kVolumeName,
         "E:", kList + "dos-list 20479 "},  // grown by 4 KiB
        {"E:\\ANYTHING", "by-target list-denied", "",
         "E:", kList},  // asked again only when too small
        {"E:", "by-target endless-list", "", "E:", ListsUpTo1MiB()},  // always too small
        {"E:", "cd-target", "", "E:", kList},
        {"\\\\?\\VOLUME{" + G + "}", "", kVolumeName, "", ""},
        {"\\\\?\\VOLUME{" + G + "}\\", "", kVolumeName, "", ""},
        {"VOLUME{" + G + "}", "", kVolumeName, "", ""},
        {"VOLUME{" + G + "}XY", "", kVolumeName.substr(0, 48) + "xy\\", "", ""},
        {"\\\\?\\VOLUME{" + G, "", "", "", ""},
        {"VOLUME{" + G + "X}", "", "", "", ""},
        {"\\\\?\\VOLUME{" + G + "}" + std::string(211, 'X'), "", "", "",
         ""},  // 259: no room for "\"
        {"VOLUME{" + G + "}" + std::string(211, 'X'), "", "", "", ""},
        {"VOLUME{" + G + "}" + std::string(210, 'X'), "",
         kVolumeName.substr(0, 48) + std::string(210, 'x') + "\\", "", ""},  // fills it
        {"\\\\?\\VOLUME{" + G + "}" + std::string(210, 'X') + "\\", "",
         kVolumeName.substr(0, 48) + std::string(210, 'x') + "\\", "", ""},  // 259 with its "\\"
        {"\\", "", kCardVolume, "", ""},
        {"\\X", "", "", "", ""},
        {".", "in-card", kCardVolume, "", "volumepath C:\\MNT\\CARD\\DCIM "},
        {".", "on-share", "", "", "volumepath \\\\SERVER\\SHARE "},  // no volume name
        {".", "deep", "", "", ""},
        {"F:", "long-name", "\\\\?\\Volume{00000000-0000-1111-2222-333344445555}\\",
         "F:", kList},  // "\\?\" + name + "\" would not fit: passed over
        {"..", "", "", "", ""},
        {"1:", "", "", "", ""},
        {"", "", "", "", ""},
    };
    for (const auto& row : rows) {
        FakeDevice fake;
        fake.mountPoints["E:\\"] = kVolumeName;
        fake.mountPoints["C:\\MNT\\CARD\\"] = kCardVolume;
        fake.mountPoints["A:\\"] = kCardVolume;
        fake.mountPoints["Z:\\"] = kCardVolume;
        fake.mountPoints[kLongMount] = kCardVolume;
        fake.volumePaths["C:\\MNT\\CARD\\DCIM"] = "C:\\MNT\\CARD\\";
        fake.volumePaths["\\\\SERVER\\SHARE"] = "\\\\SERVER\\SHARE\\";
        lstrcpyA(OwnVolumeName, kCardVolume.c_str());
        DosDeviceListSize = kDosDeviceListStart;
        fake.listNeedsBytes = row.script == "by-target big-list" ? 20000 : 0;
        if (row.script == "by-target endless-list") fake.listNeedsBytes = MAXDWORD;
        fake.listError = row.script == "by-target list-denied" ? ERROR_ACCESS_DENIED : 0;
        fake.dosDevices = {
            {"E:", row.script == "cd-target" ? "\\Device\\Cd0" : "\\Device\\HarddiskVolume7"},
            {"Volume{00000000-0000-1111-2222-333344445555}", "\\Device\\HarddiskVolume6"},
            {"Volume{0a1b2c3d-0000-1111-2222-333344445555}", "\\Device\\HarddiskVolume7"}};
        if (row.script.find("target") != std::string::npos) fake.mountPoints.erase("E:\\");
        if (row.script == "in-card") fake.currentDirectory = "C:\\MNT\\CARD\\DCIM";
        if (row.script == "on-share") fake.currentDirectory = "\\\\SERVER\\SHARE";
        if (row.script == "deep") {  // what the failed call leaves would resolve
            fake.currentDirectory = "C:\\MNT\\CARD\\" + std::string(250, 'D');
            fake.volumePaths[fake.currentDirectory.substr(0, kPathChars - 1)] = "C:\\MNT\\CARD\\";
        }
        if (row.script == "long-name") {
            fake.dosDevices["F:"] = "\\Device\\HarddiskVolume6";
            fake.dosDevices["Volume{" + std::string(248, 'x')] = "\\Device\\HarddiskVolume6";
        }
        ScopedHeap heap;
        // Outputs that end at a no-access page: a byte written past either name faults.
        GuardedBuffer volumeName(kPathChars);
        GuardedBuffer displayName(kPathChars);
        ResolveDriveSpec(row.driveSpec.c_str(), (char*)volumeName.data(),
                         (char*)displayName.data());
        EXPECT_EQ((char*)volumeName.data(), row.volumeName) << row.driveSpec;
        EXPECT_EQ((char*)displayName.data(), row.displayName) << row.driveSpec;
        EXPECT_EQ(fake.lookups, row.lookups) << row.driveSpec;
        EXPECT_EQ(heap.BusyBlocks(), 0) << row.driveSpec;
    }
}
