// The load command from arguments to exit code, through the device, console and
// pipe seams: one table whose rows script the drive, the console and the service
// in words and pin the bytes with their colours, the exit code, the pauses, and
// what reached the drive and the service.
#include "app/load_command.h"
#include "base/process_records.h"
#include "diag/windows_version.h"
#include "tests/support/fake_console.h"
#include "tests/support/fake_device.h"
#include "tests/support/harness.h"
#include "tools/vorlan_standin.h"
#include "traywake_identity.h"

#include <map>
#include <memory>
#include <sstream>

const char kVolume[] = "\\\\?\\Volume{0a1b2c3d-0000-1111-2222-333344445555}";
const std::string kBanner =
    "\r\nTraywake V" + std::to_string(TRAYWAKE_VERSION_MS >> 16) + "." +
    std::to_string(TRAYWAKE_VERSION_MS & 0xFFFF) +
    " (Win32) - loads a media into a drive or brings a volume online\r\n" TRAYWAKE_HOME_URL_TEXT
    "\r\n";
const std::string kUsage =
    "\r\nUsage:\r\nTraywake DriveSpec [-na][-w:nnnn]\r\n\r\nDriveSpec is the drive whose media to "
    "load, e.g. D:\r\n-na  no about info\r\n-w:nnnn  wait nnnn milliseconds before close\r\n\r\n";
const std::string kOnline = "{E}Volume already online - abort\r\n{7}",
                  kPress = "Press any key to close";
const std::string kLoaded = "{E}Media already loaded - abort\r\n{7}";
const std::string kOk = "... OK\r\n{A}success{7}{7}\r\n\r\n";
std::string Failed(const std::string& error) {
    return "... err=" + error + "\r\n{C}failed{7}{7}\r\n\r\n";
}
const std::string kFailed = Failed("INVALID_FUNCTION"), kCdFailed = Failed("NOT_SUPPORTED");
// After " OK", the waiting line for E:\ (up to 60 s unless said), its ending and the outcome word.
std::string Waited(const std::string& ending, const std::string& word, int seconds = 60) {
    return "... OK\r\nWaiting until E:\\ is ready (up to " + std::to_string(seconds) + " s)..." +
           ending + "\r\n" + word + "{7}{7}\r\n\r\n";
}
const std::string kReady = "{A}success", kNotReady = "{E}not ready";

BOOL WINAPI Windows98(LPOSVERSIONINFOA answer) {
    answer->dwMajorVersion = 4;
    answer->dwMinorVersion = 10;
    answer->dwPlatformId = VER_PLATFORM_WIN32_WINDOWS;
    return TRUE;
}

// Keys by tick; of the special keys none ends the press-any-key wait, D does.
const std::map<std::string, std::vector<Key>> kKeys = {
    {"key-a", {{2500, true, 'A', 'a'}}},
    {"released-b", {{300, false, 'B', 'b'}}},
    {"enter", {{1000, true, VK_RETURN}, {1100, false, VK_RETURN}}},
    {"a-then-b", {{100, true, 'A'}, {200, false, 'B'}}},
    {"shift-a", {{100, true, 'A', 'A', SHIFT_PRESSED}, {200, false, 'A', 'A', SHIFT_PRESSED}}},
    {"code-0", {{100, true, 0, 0, NUMLOCK_ON}, {300, false, 0}}},
    {"typed-before", {{0, true, 'A', 'a'}, {500, true, 'B', 'b'}}},
    {"special-keys",
     {{300, true, VK_SHIFT, 'x'},
      {300, true, VK_CAPITAL, 'x'},
      {300, true, VK_PAUSE, 'x'},
      {300, true, VK_F1},
      {400, true, 'C', 'c', LEFT_CTRL_PRESSED},
      {500, true, 'D', 'd'}}}};

const std::string kCutModulePath = "C:\\" + std::string(256, 'x');
DWORD WINAPI CutModulePath(HMODULE, LPSTR path, DWORD maxChars) {
    lstrcpynA(path, kCutModulePath.c_str(), maxChars);
    return maxChars;
}

// "nr/2000": a drive not ready that holds the request 2 s before it says so.
std::vector<CheckAnswer> CheckAnswers(const std::string& list) {
    const std::map<std::string, LONG> statuses = {{"ok", 0},
                                                  {"nr", kDeviceNotReady},
                                                  {"nomedia", kNoMedia},
                                                  {"verify", kVerifyRequired},
                                                  {"unreadable", kUnrecognizedMedia},
                                                  {"denied", kAccessDenied},
                                                  {"unsupported", kInvalidDeviceRequest},
                                                  {"gone", kDeviceGone}};
    std::vector<CheckAnswer> answers;
    std::istringstream in(list);
    for (std::string item; std::getline(in, item, ',');) {
        size_t slash = item.find('/');
        DWORD holdMs = slash == std::string::npos ? 0 : std::stoul(item.substr(slash + 1));
        answers.push_back({statuses.at(item.substr(0, slash)), holdMs});
    }
    return answers;
}

std::vector<DWORD> Numbers(const std::string& list) {
    std::vector<DWORD> numbers;
    std::istringstream in(list);
    for (std::string item; std::getline(in, item, ',');) numbers.push_back(std::stoul(item));
    return numbers;
}

std::string Repeat(const std::string& text, int count) {
    return count ? text + Repeat(text, count - 1) : "";
}

void Script(const std::string& words, FakeDevice& fake, FakeVolume& v, FakeConsole& console,
            std::unique_ptr<StandinService>& service) {
    StandinBehaviour behaviour;
    bool runs = false;
    std::istringstream in(words);
    for (std::string word; in >> word;) {
        if (word == "cd" || word == "removable" || word == "fixed")
            fake.driveTypes[std::string(kVolume) + "\\"] = word == "cd"      ? DRIVE_CDROM
                                                           : word == "fixed" ? DRIVE_FIXED
                                                                             : DRIVE_REMOVABLE;
        if (word == "loaded") {
            v.hasMedium = true;
            v.opens += "\\";
            v.length = 700 << 20;
        }
        if (word == "unmounted") v.opens.pop_back();
        if (word == "tiny" || word == "huge")
            v.length = word == "tiny" ? (1 << 20) - 1 : (1ull << 52) + (7 << 20);
        if (word == "one-mib") v.length = 1 << 20;
        if (word == "load-ok") v.loadMediaError = 0;
        if (word == "online-ok") v.volumeOnlineError = 0;
        if (word.rfind("load-error=", 0) == 0)
            v.loadMediaError = std::stoul(word.substr(11), nullptr, 0);
        if (word == "no-open" || word == "standard-user") v.opens = word == "no-open" ? "" : "a";
        if (word == "gone-for-writing") {
            v.opens = "ar";
            v.openError = ERROR_DEV_NOT_EXIST;
        }
        if (word == "card") v.descriptor = DescriptorBytes("ACME ", "Card Reader  ", 7);
        if (word == "disk3" || word == "disk3twice" || word == "floppy") v.extentDisks = {3};
        if (word == "disk3twice" || word == "extents-empty")
            v.extentDisks = std::vector<DWORD>(word == "disk3twice" ? 2 : 0, 3);
        if (word == "floppy") fake.dosDevices[kVolume + 4] = "\\Device\\Floppy0";
        if (word == "visible" || word == "own") console.visible = true;
        if (word == "own") console.ownedByUs = true;
        if (word == "pseudo") console.pseudoConsole = true;
        if (word == "alone") console.attachedProcesses = 1;
        if (kKeys.count(word)) console.Type(kKeys.at(word));
        if (word == "held-shift") {
            console.Type(std::vector<Key>(1500, {300, true, VK_SHIFT}));
            console.Type({{300, true, 'E', 'e'}});
        }
        if (word == "input-not-console") console.inputIsConsole = false;
        if (word.rfind("screen=", 0) == 0)
            console.attributes = (WORD)std::stoul(word.substr(7), nullptr, 0);
        if (word == "win98") GetVersionAnswer = Windows98;
        if (word == "service" || word == "no-service") v.opens = "a";  // a standard user's
        if (word == "service") runs = true;
        if (word == "refuse") behaviour.refuse = true;
        if (word == "slow") behaviour.slow = true;
        if (word == "fail-open") behaviour.failOpen = ERROR_ACCESS_DENIED;
        if (word == "fail-control") behaviour.failControl = ERROR_NOT_READY;
        if (word == "short" || word == "long") behaviour.replyBytes = word == "short" ? 100 : 1064;
        if (word == "busy") standin::openErrors.resize(2, ERROR_PIPE_BUSY);
        if (word == "instance-late" || word == "instance-denied")
            standin::openErrors = {0, word == "instance-late" ? 2u : 5u};
        if (word.rfind("checks=", 0) == 0) v.checkAnswers = CheckAnswers(word.substr(7));
        if (word.rfind("fs-errors=", 0) == 0) v.fileSystemErrors = Numbers(word.substr(10));
        if (word.rfind("fs=", 0) == 0) v.fileSystem = word.substr(3);
        if (word.rfind("ctrl-c=", 0) == 0) console.ctrlCAt = std::stoul(word.substr(7));
        if (word == "module-path-cut") {  // 259 characters and the zero: it filled the buffer
            ModuleFileNameCall = CutModulePath;
            fake.volumePaths[kCutModulePath] = "C:\\";
            fake.mountPoints["C:\\"] = fake.mountPoints["E:\\"];
        }
        if (word == "own-volume") {
            char module[MAX_PATH];
            GetModuleFileNameA(nullptr, module, MAX_PATH);
            fake.volumePaths[module] = "C:\\";
            fake.mountPoints["C:\\"] = fake.mountPoints["E:\\"];
        }
    }
    if (runs) service.reset(new StandinService(behaviour));
}

const std::string kCdProbe = "open(0x0) query open(0x80000000) verify allow ",
                  kOpenRw = "open(0x0) open(0xC0000000) ";
const std::string kAttributeLength = "open(0x0) query open(0x0) extents open(0x0) length ";
const std::string kDiskProbe = kAttributeLength + "open(0x80000000) length ";
const std::string kRequests = kOpenRw + "load online ", kLoading = "Loading media into E:\\ (",
                  kVolumeE = "Bring volume E:\\ online (";

TEST(LoadCommand, Outcomes) {
    const std::string conversation =
        "hello\nopen " + std::string(kVolume) + "\ncontrol 0x2D480C\ncontrol 0x56C008\ngoodbye\n";
    const std::string cut =
        "hello\nopen " + std::string(kVolume) + "\ncontrol 0x2D480C\n";  // ended without goodbye
    const std::string base = "open VorlanCmdIfV2=0 sleep 50 open VorlanCmdIfV21=0 ",
                      busy = "open VorlanCmdIfV2=231 sleep 20 ";
    const std::string probes =
        "open(0x0) query open(0x80000000) " + kOpenRw + "open(0x80000000) ";  // no requests yet
    // consoleCalls: sleeps, flushes and peeks, in order; received: what the service received, a
    // line each
    const struct Row {
        std::string arguments, script, output;
        DWORD exitCode;
        std::string requests, consoleCalls;
        DWORD elapsedMs;
        std::string pipeCalls = "", received = "";
    } rows[] = {
        {"e: -na", "cd load-ok visible", kLoading + ")" + kOk, 0, kCdProbe + kRequests, "", 0},
        {"E: -na -r", "cd online-ok", kLoading + ")" + kCdFailed, 1, kCdProbe + kRequests, "",
         0},  // the load request decides
        {"E: -na", "removable", kLoading + ")" + kFailed, 1, kDiskProbe + kRequests, "",
         0},  // the second error is named
        {"E: -na", "cd load-error=0x80310000", kLoading + ")" + Failed("FVE_E_LOCKED_VOLUME"), 1,
         kCdProbe + kRequests, "", 0},
        {"E: -na", "cd load-error=0x0FFFFFFF", kLoading + ")" + Failed("268435455"), 1,
         kCdProbe + kRequests, "", 0},
        {"E: -na", "cd load-error=0x10000000", kLoading + ")" + Failed("0x10000000"), 1,
         kCdProbe + kRequests, "", 0},
        {"E:", "removable online-ok card one-mib",
         kBanner + kLoading + "ACME Card Reader USB Device)" + kOk, 0,
         "open(0x0) query open(0x0) length open(0x80000000) length root " + kRequests, "", 0},
        {"E:\\ -na", "fixed online-ok disk3", kVolumeE + "Disk SATA Device)" + kOk, 0,
         kDiskProbe + kRequests, "", 0},
        {"E: -na", "fixed online-ok disk3twice", kVolumeE + "LDM)" + kOk, 0, kDiskProbe + kRequests,
         "", 0},
        {"E: -na", "fixed online-ok extents-empty", kVolumeE + ")" + kOk, 0, kDiskProbe + kRequests,
         "", 0},
        {"E: -na", "removable floppy", kLoading + ")" + kFailed, 1,
         "open(0x0) query open(0x0) length open(0x80000000) length " + kRequests, "", 0},
        {"E: -na -r:5", "cd loaded", kLoaded, 2, kCdProbe + "root ", "", 0},
        {"E: -na", "fixed loaded", kOnline, 2, kDiskProbe + "root ", "", 0},
        {"E: -na", "removable loaded huge", kLoaded, 2, kDiskProbe + "root ", "", 0},
        {"E: /force -na", "cd loaded", kLoading + ")" + kCdFailed, 1,
         kCdProbe + "root " + kRequests, "", 0},
        {"E: -na", "cd loaded unmounted", kLoading + ")" + kCdFailed, 1,
         kCdProbe + "root " + kRequests, "", 0},
        {"E: -na", "fixed standard-user loaded", kOnline, 2,
         kAttributeLength + "open(0x80000000) size root ", "", 0},
        {"E: -na", "fixed standard-user", kVolumeE + ")" + Failed("ACCESS_DENIED"), 1,
         kAttributeLength + "open(0x80000000) size " + kOpenRw + "open(0x80000000) load2 online ",
         "", 0, Repeat("open VorlanCmdIfV2=2 ", 11)},  // no service: the attribute handle
        {"E: -na", "removable loaded tiny", kLoading + ")" + kFailed, 1, kDiskProbe + kRequests, "",
         0},
        {"E: -na -r", "cd load-ok", kLoading + ")" + Waited(" ready after 0 s (CDFS)", kReady), 0,
         kCdProbe + kRequests + "poll verify fs ", "", 0},
        {"E: -na -r", "cd load-ok checks=nr/2000,nr/2000,ok",
         kLoading + ")" + Waited(" ready after 5 s (CDFS)", kReady), 0,
         kCdProbe + kRequests + Repeat("poll verify ", 3) + "fs ", "sleep 10*500 ", 5000},
        {"E: -na -r", "cd load-ok checks=nomedia", kLoading + ")" + Waited(" no medium", kNotReady),
         3, kCdProbe + kRequests + Repeat("poll verify ", 11), "sleep 10*500 ",
         5000},  // none after 5 s
        {"E: -na -r", "cd load-ok checks=nomedia,nr,ok",
         kLoading + ")" + Waited(" ready after 1 s (CDFS)", kReady), 0,
         kCdProbe + kRequests + Repeat("poll verify ", 3) + "fs ", "sleep 10*100 ", 1000},
        {"E: -na -r", "cd load-ok checks=denied,verify,ok",
         kLoading + ")" + Waited(" ready after 0 s (CDFS)", kReady), 0,
         kCdProbe + kRequests + Repeat("poll verify ", 3) + "fs ", "sleep 10*50 ",
         500},  // a lock, then at once
        {"E: -na -r", "cd load-ok checks=unreadable",
         kLoading + ")" + Waited(" unreadable medium err=UNRECOGNIZED_MEDIA", kNotReady), 3,
         kCdProbe + kRequests + "poll verify ", "", 0},
        {"E: -na -r", "cd load-ok checks=unsupported fs-errors=1005",
         kLoading + ")" + Waited(" ready after 0 s (no file system)", kReady), 0,
         kCdProbe + kRequests + "poll verify fs ", "", 0},  // blank
        {"E: -na -r:2", "cd load-ok checks=nr/60000",
         kLoading + ")" + Waited(" not ready after 2 s err=NOT_READY", kNotReady, 2), 3,
         kCdProbe + kRequests + "poll verify cancel ", "sleep 10*200 ", 2000},
        {"E: -na -r", "cd load-ok checks=nr,gone",
         kLoading + ")" + Waited(" drive gone err=DEV_NOT_EXIST", "{C}failed"), 1,
         kCdProbe + kRequests + "poll verify poll poll ", "sleep 10*100 ", 1000},
        {"E: -na -r", "cd load-ok checks=nr/60000 visible enter",
         kLoading + ")" + Waited(" stopped after 1 s", kNotReady), 3,
         kCdProbe + kRequests + "poll verify cancel ", "flush*2 ", 1100},
        {"E: -na -r", "cd load-ok checks=nr/60000 ctrl-c=1500",
         kLoading + ")" + Waited(" stopped after 1 s", kNotReady), 3,
         kCdProbe + kRequests + "poll verify cancel ", "sleep 10*150 ", 1500},
        {"E: -na -r", "fixed online-ok fs-errors=21,21,0 fs=NTFS",
         kVolumeE + ")" + Waited(" ready after 1 s (NTFS)", kReady), 0,
         kDiskProbe + kRequests + "fs fs fs ", "sleep 10*100 ", 1000},
        {"E: -na -r:1", "fixed online-ok fs-errors=1005",
         kVolumeE + ")" + Waited(" no file system", kNotReady, 1), 3,
         kDiskProbe + kRequests + "fs fs ", "sleep 10*100 ", 1000},
        {"E: -na", "cd no-open own key-a", "\r\n{E}cannot open the drive - abort\r\n{7}" + kPress,
         1, "open(0x0) open(0x80000000) open(0x0) ",
         "sleep 100 sleep 2000 sleep 100 flush sleep 100 peek sleep 100 peek sleep 100 peek sleep "
         "100 ",
         2600},
        {"E: -na", "cd gone-for-writing load-ok", kVolumeE + ")" + kOk, 0,
         kCdProbe + kOpenRw + "open(0x80000000) load online ", "", 0},
        {"\\ -na", "cd module-path-cut", "{E}invalid drive  - abort\r\n\r\n{7}", 1, "", "", 0},
        {"E: -na", "cd load-ok pseudo alone", kLoading + ")" + kOk, 0, kCdProbe + kRequests,
         "sleep 100 flush ", 2100},
        {"E: -na", "cd load-ok pseudo", kLoading + ")" + kOk, 0, kCdProbe + kRequests, "",
         0},  // shared with a shell
        {"Q: /NA /N:700", "cd visible", "{E}invalid drive Q: - abort\r\n\r\n{7}", 1, "",
         "sleep 700 ", 700},
        {"Q: -na -w:-1", "cd own", "{E}invalid drive Q: - abort\r\n\r\n{7}", 1, "",
         "sleep 100 sleep 500 ", 600},
        {"\\ -na", "cd own-volume load-ok own enter", "Loading media into  ()" + kOk, 0,
         kCdProbe + kRequests, "sleep 100 flush*2 ", 1100},
        {"E: -w:5 -w:20000 -NAx", "cd load-ok visible", kLoading + ")" + kOk, 0,
         kCdProbe + kRequests, "flush ", 10000},
        {"E: -w:2000 -na", "cd load-ok visible shift-a", kLoading + ")" + kOk, 0,
         kCdProbe + kRequests, "flush ", 2000},
        {"E: -w:2000 -na", "cd load-ok visible a-then-b", kLoading + ")" + kOk, 0,
         kCdProbe + kRequests, "flush ", 2000},
        {"E: -w:2000 -na", "cd load-ok visible code-0", kLoading + ")" + kOk, 0,
         kCdProbe + kRequests, "flush*2 ", 300},
        {"E: -w:300 -na", "cd load-ok visible input-not-console", kLoading + ")" + kOk, 0,
         kCdProbe + kRequests, "flush sleep 10*30 ", 300},
        {"E: -na", "cd load-ok screen=0xF0", kLoading + ")... OK\r\n{F2}success{F0}{F0}\r\n\r\n", 0,
         kCdProbe + kRequests, "", 0},
        {"E: -na", "cd loaded screen=0x1F", "{1E}Media already loaded - abort\r\n{1F}", 2,
         kCdProbe + "root ", "", 0},
        {"E: -na", "cd screen=0x2E",
         kLoading + ")... err=NOT_SUPPORTED\r\n{2C}failed{2E}{2E}\r\n\r\n", 1, kCdProbe + kRequests,
         "", 0},
        {"E: -na", "cd screen=0", kLoading + ")... err=NOT_SUPPORTED\r\nfailed\r\n\r\n", 1,
         kCdProbe + kRequests, "", 0},  // not a console: no colour call
        {"E: -w:1 -na -w500 " + std::string(300, '-'), "cd load-ok visible", kLoading + ")" + kOk,
         0, kCdProbe + kRequests, "flush ", 10},  // one poll
        {"E: -n -n:0", "fixed loaded own released-b", kBanner + kOnline + kPress, 2,
         kDiskProbe + "root ", "sleep 100*2 flush sleep 100 peek sleep 100 ", 400},
        {"E: -na -n:0", "fixed loaded visible", kOnline, 2, kDiskProbe + "root ", "sleep 100 ",
         100},  // not our console
        {"E: -na -n:0", "fixed loaded own typed-before", kOnline + kPress, 2, kDiskProbe + "root ",
         "sleep 100*2 flush " + Repeat("sleep 100 peek ", 3) + "sleep 100 ", 600},
        {"E: -na -n:0", "fixed loaded own special-keys", kOnline + kPress, 2, kDiskProbe + "root ",
         "sleep 100*2 flush " + Repeat("sleep 100 peek ", 3) + "sleep 100 ", 600},
        {"E: -na -n:0", "fixed loaded own held-shift", kOnline + kPress, 2, kDiskProbe + "root ",
         "sleep 100*2 flush " + Repeat("sleep 100 peek ", 2) + "sleep 100 ", 500},
        {"E: -na -n:0", "fixed loaded own input-not-console", kOnline + kPress, 2,
         kDiskProbe + "root ", "sleep 100*2 flush sleep 100 peek sleep 2000 sleep 100 ", 2400},
        {"E:", "cd win98",
         "Traywake - works under Windows NT4, 2000, XP, Server 2003, Vista and higher only - "
         "abort\r\n\r\n",
         2, "", "", 0},
        {"", "", kBanner + kUsage, 2, "", "", 0},
        {"E: -na -na -na -na -na -na", "", kBanner + kUsage, 2, "", "", 0},  // eight arguments
        {"/na -na", "", kBanner + kUsage, 2, "", "", 0},  // an option as the DriveSpec
        {"-F", "", kBanner + kUsage, 2, "", "", 0},
        {"E: -?", "", kBanner + kUsage, 2, "", "", 0},
        {"E: -na na", "", kBanner + kUsage, 2, "", "", 0},  // an option without a dash
        {"E: -na -w:300", "cd no-service load-ok", kLoading + ")" + kOk, 0,
         probes + "load2 online ", "", 0, Repeat("open VorlanCmdIfV2=2 ", 11)},
        {"E: -na -w:300", "fixed service online-ok", kVolumeE + ")" + kOk, 0,
         kAttributeLength + "open(0x80000000) size " + kOpenRw + "open(0x80000000) ", "", 0, base,
         conversation},
        {"E: -na -w:300", "cd service busy", kLoading + ")" + kOk, 0, probes, "", 0,
         Repeat(busy, 2) + base, conversation},
        {"E: -na -w:300", "cd service refuse", kLoading + ")" + kCdFailed, 1,
         probes + "load2 online ", "", 0, "open VorlanCmdIfV2=0 ", "hello\n"},
        {"E: -na -w:300", "cd service instance-late", kLoading + ")" + kOk, 0, probes, "", 0,
         "open VorlanCmdIfV2=0 sleep 50 open VorlanCmdIfV21=2 sleep 500 open VorlanCmdIfV21=0 ",
         conversation},
        {"E: -na -w:300", "cd service instance-denied",
         " error 5 opening VORLAN pipe\r\n" + kLoading + ")" + kCdFailed, 1,
         probes + "load2 online ", "", 0, "open VorlanCmdIfV2=0 sleep 50 open VorlanCmdIfV21=5 ",
         "hello\n"},
        {"E: -na -w:300", "cd service fail-open",
         "\r\nerror opening " + std::string(kVolume) + "\r\n", 1, probes, "sleep 300 ", 300, base,
         "hello\nopen " + std::string(kVolume) + "\n"},
        {"E: -na -w:300 -r", "cd service",
         kLoading + ")" + Waited(" ready after 0 s (CDFS)", kReady), 0, probes + "poll verify fs ",
         "", 0, base, conversation},  // the service is done with first
        {"E: -na -w:300", "cd service fail-control", kLoading + ")" + Failed("NOT_READY"), 1,
         probes, "", 0, base, conversation},
        {"E: -na -w:300", "cd service slow", kLoading + ")" + Failed("SEM_TIMEOUT"), 1, probes, "",
         0, base, cut},
        {"E: -na -w:300", "cd service short", kLoading + ")" + Failed("INVALID_DATA"), 1, probes,
         "", 0, base, cut},
        {"E: -na -w:300", "cd service long", kLoading + ")" + Failed("INVALID_DATA"), 1, probes, "",
         0, base, cut},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments + " / " + row.script);
        FakeDevice fake;
        FakeConsole console(false, false);
        fake.mountPoints["E:\\"] = std::string(kVolume) + "\\";
        fake.volumes["\\\\.\\PhysicalDrive3"].descriptor = DescriptorBytes("", "Disk", 11);
        bool viaService = !row.pipeCalls.empty();  // the pipe handle count is slow to take
        std::vector<ULONG_PTR> pipesBefore =
            viaService ? standin::OpenPipeHandles() : std::vector<ULONG_PTR>();
        std::unique_ptr<StandinService> service;
        standin::openErrors.clear(), standin::pipeCalls.clear();
        Script(row.script, fake, fake.volumes[kVolume], console, service);
        SetErrorMode(0);
        Pipe = {standin::LoggedOpen, standin::LoggedSleep}, PipeIoLimitMs = 300;
        Outcome outcome = RunLoadCommandWith(row.arguments);
        Pipe = SystemPipeCalls, PipeIoLimitMs = kPipeReplyLimitMs,
        GetVersionAnswer = SystemGetVersionAnswer;
        ModuleFileNameCall = SystemModuleFileName;
        EXPECT_EQ(service ? service->Stop() : "", row.received);
        if (viaService) {
            EXPECT_EQ(standin::OpenPipeHandles(), pipesBefore);
        }
        EXPECT_EQ(standin::pipeCalls, row.pipeCalls);
        EXPECT_EQ(ServiceClient, nullptr);
        EXPECT_EQ(outcome.output, row.output);
        EXPECT_EQ(outcome.exitCode, row.exitCode);
        EXPECT_EQ(fake.requests[kVolume], row.requests);
        EXPECT_EQ(console.Calls(), row.consoleCalls);
        EXPECT_EQ(console.now - console.start, row.elapsedMs);
        EXPECT_EQ(fake.faults, std::vector<std::string>());
        EXPECT_EQ(fake.OpenHandles(), 0);
        EXPECT_TRUE(row.exitCode == 2 ||
                    SetErrorMode(0) == (SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX));
    }
}
