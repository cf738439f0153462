// The load command from arguments to exit code, through the device and
// console seams: one table whose rows script the drive and the console and
// pin the bytes with their colours, the exit code, every pause taken and
// every request that reached the drive.
#include "app/load_command.h"
#include "diag/windows_version.h"
#include "tests/support/fake_console.h"
#include "tests/support/fake_device.h"
#include "tests/support/harness.h"
#include "traywake_identity.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

const char kVolume[] = "\\\\?\\Volume{0a1b2c3d-0000-1111-2222-333344445555}";
const std::string kBanner = "\r\nTraywake V" + std::to_string(TRAYWAKE_VERSION_MS >> 16) + "." +
                            std::to_string(TRAYWAKE_VERSION_MS & 0xFFFF) +
                            " (Win32) - loads a media into a drive or brings a volume online\r\n"
                            TRAYWAKE_HOME_URL_TEXT "\r\n";
const std::string kUsage =
    "\r\nUsage:\r\nTraywake DriveSpec [-na][-w:nnnn]\r\n\r\nDriveSpec is the drive whose media to "
    "load, e.g. D:\r\n-na  no about info\r\n-w:nnnn  wait nnnn milliseconds before close\r\n\r\n";
const std::string kOk = "... OK\r\n{A}success{7}{7}\r\n\r\n";
const std::string kFailed = "... err=INVALID_FUNCTION\r\n{C}failed{7}{7}\r\n\r\n";

BOOL WINAPI Windows98(LPOSVERSIONINFOA answer) {
    answer->dwMajorVersion = 4;
    answer->dwMinorVersion = 10;
    answer->dwPlatformId = VER_PLATFORM_WIN32_WINDOWS;
    return TRUE;
}

struct Drive {
    FakeDevice& fake;
    FakeVolume& volume;
    FakeConsole& console;
};

// Loaded and mounted by every probe's measure.
void Loaded(Drive d) {
    d.volume.checkVerifyAnswers = d.volume.rootOpens = d.volume.lengthOnAttributeHandle = true;
    d.volume.lengthBytes = 700ull << 20;
}

const std::string kCdProbe = "open(0x0) query open(0x80000000) verify allow ";
const std::string kOpenRw = "open(0x0) open(0xC0000000) ";

TEST(LoadCommand, Outcomes) {
    const struct Row {
        const char* name;
        std::vector<std::string> arguments;
        UINT driveType;
        std::function<void(Drive)> script;
        std::string output;
        DWORD exitCode;
        std::string requests;
        std::string consoleCalls;  // sleeps, flushes and peeks, in order
        DWORD elapsedMs;
    } rows[] = {
        {"optical, load taken, shared visible console", {"e:", "-na"}, DRIVE_CDROM,
         [](Drive d) { d.volume.loadMediaError = 0, d.console.visible = true; },
         "Loading media into E:\\ ()" + kOk, 0, kCdProbe + kOpenRw + "load online ", "", 0},
        {"both refused: the second error is named", {"E:", "-na"}, DRIVE_CDROM, nullptr,
         "Loading media into E:\\ ()" + kFailed, 1, kCdProbe + kOpenRw + "load online ", "", 0},
        {"banner, card reader online", {"E:"}, DRIVE_REMOVABLE,
         [](Drive d) {
             d.volume.volumeOnlineError = 0;
             d.volume.descriptor = DescriptorBytes("ACME ", "Card Reader  ", 7);
         },
         kBanner + "Loading media into E:\\ (ACME Card Reader USB Device)" + kOk, 0,
         "open(0x0) query open(0x0) length open(0x80000000) length " + kOpenRw + "load online ", "", 0},
        {"fixed: volume wording, single disk described", {"E:\\", "-na"}, DRIVE_FIXED,
         [](Drive d) {
             d.volume.volumeOnlineError = 0;
             d.volume.extentsAnswer = true;
             d.volume.extentDisks = {3};
             d.fake.volumes["\\\\.\\PhysicalDrive3"].descriptor = DescriptorBytes("", "Disk", 11);
         },
         "Bring volume E:\\ online (Disk SATA Device)" + kOk, 0,
         "open(0x0) query open(0x0) extents open(0x0) length open(0x80000000) length " + kOpenRw +
             "load online ", "", 0},
        {"optical loaded and mounted", {"E:", "-na"}, DRIVE_CDROM, Loaded,
         "{E}Media already loaded - abort\r\n{7}", 2, kCdProbe + "root ", "", 0},
        {"fixed online", {"E:", "-na"}, DRIVE_FIXED, Loaded,
         "{E}Volume already online - abort\r\n{7}", 2, "open(0x0) query open(0x0) extents open(0x0) length root ", "", 0},
        {"forced", {"E:", "/force", "-na"}, DRIVE_CDROM, Loaded,
         "Loading media into E:\\ ()" + kFailed, 1, kCdProbe + "root " + kOpenRw + "load online ", "", 0},
        {"disc in, root will not open: not refused", {"E:", "-na"}, DRIVE_CDROM,
         [](Drive d) { Loaded(d), d.volume.rootOpens = false; },
         "Loading media into E:\\ ()" + kFailed, 1, kCdProbe + "root " + kOpenRw + "load online ", "", 0},
        {"disc check says not ready", {"E:", "-na"}, DRIVE_CDROM,
         [](Drive d) { Loaded(d), d.volume.checkVerifyLastError = ERROR_NOT_READY; },
         "Loading media into E:\\ ()" + kFailed, 1, kCdProbe + kOpenRw + "load online ", "", 0},
        {"under 1 MiB is no medium", {"E:", "-na"}, DRIVE_REMOVABLE,
         [](Drive d) { Loaded(d), d.volume.lengthBytes = (1 << 20) - 1; },
         "Loading media into E:\\ ()" + kFailed, 1,
         "open(0x0) query open(0x0) extents open(0x0) length " + kOpenRw + "load online ", "", 0},
        {"no open at all, own console", {"E:", "-na"}, DRIVE_CDROM,
         [](Drive d) {
             d.volume.opensForAttributes = d.volume.opensForRead = d.volume.opensForReadWrite = false;
             d.console.visible = d.console.ownedByUs = true;
             d.console.Type(2500, true, 'A', 'a');
         },
         "\r\n{E}cannot open the drive - abort\r\n{7}Press any key to close", 1, "open(0x0) open(0x80000000) open(0x0) ",
         "sleep 100 sleep 2000 sleep 100 flush sleep 100 peek sleep 100 peek sleep 100 peek sleep 100 ", 2600},
        {"device gone for writing: volume wording", {"E:", "-na"}, DRIVE_CDROM,
         [](Drive d) {
             d.volume.opensForReadWrite = false;
             d.volume.openError = ERROR_DEV_NOT_EXIST;
             d.volume.volumeOnlineError = 0;
         },
         "Bring volume E:\\ online ()" + kOk, 0, kCdProbe + kOpenRw + "open(0x80000000) load online ", "", 0},
        {"only attribute access", {"E:", "-na"}, DRIVE_CDROM,
         [](Drive d) { d.volume.opensForRead = d.volume.opensForReadWrite = false, d.volume.loadMediaError = 0; },
         "Loading media into E:\\ ()" + kOk, 0,
         "open(0x0) query open(0x80000000) " + kOpenRw + "open(0x80000000) open(0x0) load online ", "", 0},
        {"invalid drive, shared visible console, wait given", {"Q:", "-na", "-w:700"}, DRIVE_CDROM,
         [](Drive d) { d.console.visible = true; },
         "{E}invalid drive Q: - abort\r\n\r\n{7}", 1, "", "sleep 700 ", 700},
        {"invalid drive, own console, no wait", {"Q:", "-na", "-w:0"}, DRIVE_CDROM,
         [](Drive d) { d.console.visible = d.console.ownedByUs = true; },
         "{E}invalid drive Q: - abort\r\n\r\n{7}", 1, "", "sleep 100 sleep 500 ", 600},
        {"own volume, own console: wait for a key", {"\\", "-na"}, DRIVE_CDROM,
         [](Drive d) {
             char module[MAX_PATH];
             GetModuleFileNameA(nullptr, module, MAX_PATH);
             d.fake.volumePaths[module] = "C:\\";
             d.fake.mountPoints["C:\\"] = d.fake.mountPoints["E:\\"];
             d.volume.loadMediaError = 0;
             d.console.visible = d.console.ownedByUs = true;
             d.console.Type(1000, true, VK_RETURN), d.console.Type(1100, false, VK_RETURN);
         },
         "Loading media into  ()" + kOk, 0, kCdProbe + kOpenRw + "load online ", "sleep 100 flush flush ", 1100},
        {"wait clamped, visible console", {"E:", "-w:20000", "-na"}, DRIVE_CDROM,
         [](Drive d) { d.volume.loadMediaError = 0, d.console.visible = true; },
         "Loading media into E:\\ ()" + kOk, 0, kCdProbe + kOpenRw + "load online ", "flush ", 10000},
        {"refusal in an own console waits for a key", {"E:", "-na", "-n:0"}, DRIVE_FIXED,
         [](Drive d) {
             Loaded(d);
             d.console.visible = d.console.ownedByUs = true;
             d.console.Type(300, false, 'B', 'b');
         },
         "{E}Volume already online - abort\r\n{7}Press any key to close", 2,
         "open(0x0) query open(0x0) extents open(0x0) length root ",
         "sleep 100 sleep 100 flush sleep 100 peek sleep 100 ", 400},
        {"not the NT family", {"E:"}, DRIVE_CDROM, [](Drive) { GetVersionAnswer = Windows98; },
         "Traywake - works under Windows NT4, 2000, XP, Server 2003, Vista and higher only - abort\r\n\r\n",
         2, "", "", 0},
        {"no DriveSpec", {}, DRIVE_CDROM, nullptr, kBanner + kUsage, 2, "", "", 0},
        {"eight arguments", {"E:", "-na", "-na", "-na", "-na", "-na", "-na"}, DRIVE_CDROM, nullptr,
         kBanner + kUsage, 2, "", "", 0},
        {"an option first, -na later", {"/na", "-na"}, DRIVE_CDROM, nullptr, kBanner + kUsage, 2, "", "", 0},
        {"an option first", {"-F"}, DRIVE_CDROM, nullptr, kBanner + kUsage, 2, "", "", 0},
        {"-? after the drive", {"E:", "-?"}, DRIVE_CDROM, nullptr, kBanner + kUsage, 2, "", "", 0},
        {"option without a dash", {"E:", "-na", "na"}, DRIVE_CDROM, nullptr, kBanner + kUsage, 2, "", "", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakeDevice fake;
        FakeConsole console(false, false);
        fake.mountPoints["E:\\"] = std::string(kVolume) + "\\";
        fake.driveTypes[std::string(kVolume) + "\\"] = row.driveType;
        FakeVolume& volume = fake.volumes[kVolume];
        if (row.script) row.script({fake, volume, console});
        SetErrorMode(0);
        Outcome outcome = RunLoadCommandWith(row.arguments);
        GetVersionAnswer = SystemGetVersionAnswer;
        EXPECT_EQ(outcome.output, row.output);
        EXPECT_EQ(outcome.exitCode, row.exitCode);
        EXPECT_EQ(fake.requests[kVolume], row.requests);
        EXPECT_EQ(console.calls, row.consoleCalls);
        EXPECT_EQ(console.now - console.start, row.elapsedMs);
        EXPECT_EQ(fake.faults, std::vector<std::string>());
        EXPECT_EQ(fake.OpenHandles(), 0);
        UINT mode = SetErrorMode(0);
        if (row.exitCode != 2) {
            EXPECT_EQ(mode, (UINT)(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX));
        }
    }
}

}  // namespace
