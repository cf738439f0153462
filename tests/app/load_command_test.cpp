// The load command from arguments to exit code, through the device, console
// and pipe seams. Each table scripts the drive, the console and the service in
// words and pins what its behaviour shows; every run is also held to what no
// run may leave behind: heap blocks, handles, pipes, wrong call arguments.
#include "app/load_command.h"
#include "base/process_records.h"
#include "diag/version_stamp.h"
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
std::string Banner(const std::string& version) {
    return "\r\nTraywake V" + version +
           " (Win32) - loads a media into a drive or brings a volume online\r\n" +
           TRAYWAKE_HOME_URL_TEXT + "\r\n";
}
const std::string kBanner = Banner(std::to_string(TRAYWAKE_VERSION_MS >> 16) + "." +
                                   std::to_string(TRAYWAKE_VERSION_MS & 0xFFFF));
const std::string kUsage =
    "\r\nUsage:\r\nTraywake DriveSpec [-na][-w:nnnn]\r\n\r\nDriveSpec is the drive whose media to "
    "load, e.g. D:\r\n-na  no about info\r\n-w:nnnn  wait nnnn milliseconds before close\r\n\r\n";
const std::string kOnline = "{E}Volume already online - abort\r\n{7}";
const std::string kLoaded = "{E}Media already loaded - abort\r\n{7}";
const std::string kPress = "Press any key to close";
const std::string kNt4 =
    "Traywake - works under Windows NT4, 2000, XP, Server 2003, Vista and higher only - "
    "abort\r\n\r\n";
const std::string kLoading = "Loading media into E:\\ (";
const std::string kVolumeE = "Bring volume E:\\ online (";
const std::string kOk = "... OK\r\n{A}success{7}{7}\r\n\r\n";

std::string Failed(const std::string& error) {
    return "... err=" + error + "\r\n{C}failed{7}{7}\r\n\r\n";
}

// What reached the volume: the description and medium probes, the opens, the requests.
const std::string kCdProbe = "open(0x0) query open(0x80000000) verify allow ";
const std::string kAttributeLength = "open(0x0) query open(0x0) extents open(0x0) length ";
const std::string kDiskProbe = kAttributeLength + "open(0x80000000) length ";
const std::string kOpenRw = "open(0x0) open(0xC0000000) ";
const std::string kRequests = kOpenRw + "load online ";

BOOL WINAPI Windows98(LPOSVERSIONINFOA answer) {
    answer->dwMajorVersion = 4;
    answer->dwMinorVersion = 10;
    answer->dwPlatformId = VER_PLATFORM_WIN32_WINDOWS;
    return TRUE;
}

const std::string kCutModulePath = "C:\\" + std::string(256, 'x');

// As Windows Vista and later: cut to the buffer, with its zero, and the buffer's size answered.
DWORD WINAPI CutModulePath(HMODULE, LPSTR path, DWORD maxChars) {
    lstrcpynA(path, kCutModulePath.c_str(), maxChars);
    return maxChars;
}
// As Windows XP: cut to the buffer without its zero.
DWORD WINAPI CutModulePathW(HMODULE, LPWSTR path, DWORD maxChars) {
    std::fill(path, path + maxChars, L'x');
    return maxChars;
}

// Keys by tick; of the special keys none ends the press-any-key wait, D does.
const std::map<std::string, std::vector<Key>> kKeys = {
    {"key-a", {{2500, true, 'A', 'a'}}},
    {"released-b", {{300, false, 'B', 'b'}}},
    {"stray-z", {{1005, false, 'Z'}}},  // a key-up of a key nobody pressed down
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

// "nr/2000": a drive not ready that holds the request 2 s before it says so.
std::vector<CheckAnswer> CheckAnswers(const std::string& list) {
    std::vector<CheckAnswer> answers;
    std::istringstream in(list);
    for (std::string item; std::getline(in, item, ',');) {
        size_t slash = item.find('/');
        DWORD holdMs = slash == std::string::npos ? 0 : std::stoul(item.substr(slash + 1));
        std::string word = item.substr(0, slash);
        auto named = [&](const DriveStatus& entry) {
            return word == entry.word;
        };
        auto status = std::find_if(std::begin(kDriveStatuses), std::end(kDriveStatuses), named);
        if (status == std::end(kDriveStatuses)) {
            ADD_FAILURE() << "no drive status " << word;
            continue;
        }
        answers.push_back({&*status, holdMs});
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

// The value of a word "name=value", or "" when the word is another.
std::string ValueOf(const std::string& word, const std::string& name) {
    return word.rfind(name + "=", 0) == 0 ? word.substr(name.size() + 1) : "";
}

// The volume E: and its drive, the console and the service, as the words say.
void Script(const std::string& words, FakeDevice& fake, FakeConsole& console,
            std::unique_ptr<StandinService>& service) {
    FakeVolume& v = fake.volumes[kVolume];
    StandinBehaviour behaviour;
    bool runs = false;
    std::istringstream in(words);
    for (std::string word; in >> word;) {
        const std::string root = std::string(kVolume) + "\\";
        if (word == "cd") fake.driveTypes[root] = DRIVE_CDROM;
        if (word == "removable") fake.driveTypes[root] = DRIVE_REMOVABLE;
        if (word == "fixed") fake.driveTypes[root] = DRIVE_FIXED;
        if (word == "loaded") {
            v.hasMedium = true;
            v.opens += "\\";
            v.length = 700 << 20;
        }
        if (word == "unmounted") v.opens.pop_back();
        if (word == "tiny") v.length = (1 << 20) - 1;
        if (word == "huge") v.length = (1ull << 52) + (7 << 20);
        if (word == "one-mib") v.length = 1 << 20;
        if (word == "load-ok") v.loadMediaError = 0;
        if (word == "online-ok") v.volumeOnlineError = 0;
        if (!ValueOf(word, "load-error").empty())
            v.loadMediaError = std::stoul(ValueOf(word, "load-error"), nullptr, 0);
        if (word == "no-open") v.opens = "";
        if (word == "root-denied") v.rootError = ERROR_ACCESS_DENIED;
        if (word == "win2000") fake.windows2000 = true;
        if (!ValueOf(word, "cancel-hold").empty())
            v.cancelHoldMs = std::stoul(ValueOf(word, "cancel-hold"));
        // A standard user gets the attributes only, whether the service runs or not.
        if (word == "standard-user" || word == "service" || word == "no-service") v.opens = "a";
        if (word == "gone-for-writing") {
            v.opens = "ar";
            v.openError = ERROR_DEV_NOT_EXIST;
        }
        if (word == "card") v.descriptor = DescriptorBytes("ACME ", "Card Reader  ", 7);
        if (word == "disk3" || word == "floppy") v.extentDisks = {3};
        if (word == "disk3twice") v.extentDisks = {3, 3};
        if (word == "extents-empty") v.extentDisks = {};
        if (word == "floppy") fake.dosDevices[kVolume + 4] = "\\Device\\Floppy0";
        if (!ValueOf(word, "checks").empty())
            v.checkAnswers = CheckAnswers(ValueOf(word, "checks"));
        if (!ValueOf(word, "fs-errors").empty())
            v.fileSystemErrors = Numbers(ValueOf(word, "fs-errors"));
        if (!ValueOf(word, "fs").empty()) v.fileSystem = ValueOf(word, "fs");
        if (word == "visible" || word == "own") console.visible = true;
        if (word == "own") console.ownedByUs = true;
        if (word == "pseudo") console.pseudoConsole = true;
        if (word == "alone") console.attachedProcesses = 1;
        if (word == "headless") console.terminalShown = false;
        if (kKeys.count(word)) console.Type(kKeys.at(word));
        if (word == "held-shift") {
            console.Type(std::vector<Key>(1500, {300, true, VK_SHIFT}));
            console.Type({{300, true, 'E', 'e'}});
        }
        if (word == "input-not-console") console.inputIsConsole = false;
        if (!ValueOf(word, "screen").empty())
            console.attributes = (WORD)std::stoul(ValueOf(word, "screen"), nullptr, 0);
        if (!ValueOf(word, "ctrl-c").empty()) console.ctrlCAt = std::stoul(ValueOf(word, "ctrl-c"));
        if (word == "win98") GetVersionAnswer = Windows98;
        if (word == "service") runs = true;
        if (word == "refuse") behaviour.refuse = true;
        if (word == "slow") behaviour.slow = true;
        if (word == "fail-open") behaviour.failOpen = ERROR_ACCESS_DENIED;
        if (word == "fail-control") behaviour.failControl = ERROR_NOT_READY;
        if (word == "short") behaviour.replyBytes = 100;
        if (word == "long") behaviour.replyBytes = 1064;
        if (word == "busy") standin::openErrors.resize(2, ERROR_PIPE_BUSY);
        if (word == "instance-late") standin::openErrors = {0, ERROR_FILE_NOT_FOUND};
        if (word == "instance-denied") standin::openErrors = {0, ERROR_ACCESS_DENIED};
        std::string module(MAX_PATH, 0);
        if (word == "module-path-cut") {  // it filled the buffer
            ModuleFileNameCall = CutModulePath;
            ModuleFileNameWCall = CutModulePathW;
            module = kCutModulePath;
        }
        if (word == "own-volume") GetModuleFileNameA(nullptr, &module[0], MAX_PATH);
        if (word == "module-path-cut" || word == "own-volume") {
            fake.volumePaths[module.c_str()] = "C:\\";
            fake.mountPoints["C:\\"] = fake.mountPoints["E:\\"];
        }
    }
    if (runs) service.reset(new StandinService(behaviour));
}

// What one run showed.
struct Shown {
    DWORD exitCode;
    std::string output;        // with each colour set as {X}
    std::string requests;      // what reached the volume of E:
    std::string consoleCalls;  // sleeps, flushes and peeks
    DWORD elapsedMs;
    std::string pipeCalls;  // the client's pipe opens and sleeps
    std::string received;   // what the service received, a line each
};

// Runs the load command on the scripted scene and checks what no run may leave behind.
Shown RunWith(const std::string& arguments, const std::string& script) {
    SCOPED_TRACE(arguments + " / " + script);
    FakeDevice fake;
    FakeConsole console;
    fake.mountPoints["E:\\"] = std::string(kVolume) + "\\";
    fake.volumes["\\\\.\\PhysicalDrive3"].descriptor = DescriptorBytes("", "Disk", 11);
    // Counting pipe handles is slow: only where the service may be asked.
    bool asksService = script.find("service") != std::string::npos;
    std::vector<ULONG_PTR> pipesBefore;
    if (asksService) pipesBefore = standin::OpenPipeHandles();
    standin::openErrors.clear();
    standin::pipeCalls.clear();
    std::unique_ptr<StandinService> service;
    Script(script, fake, console, service);
    SetErrorMode(0);
    Pipe = {standin::LoggedOpen, standin::LoggedSleep, standin::LoggedCancelIo,
            standin::LoggedGetOverlappedResult};
    PipeIoLimitMs = 300;
    OwnVersion = VersionStamp();  // as a new process has it
    Outcome outcome = RunLoadCommandWith(arguments);
    Pipe = SystemPipeCalls;
    PipeIoLimitMs = kPipeReplyLimitMs;
    GetVersionAnswer = SystemGetVersionAnswer;
    ModuleFileNameCall = SystemModuleFileName;
    ModuleFileNameWCall = SystemModuleFileNameW;
    Shown run = {outcome.exitCode,
                 outcome.output,
                 fake.requests[kVolume],
                 console.Calls(),
                 console.now - console.start,
                 standin::pipeCalls,
                 service ? service->Stop() : ""};
    if (asksService) {
        EXPECT_EQ(standin::OpenPipeHandles(), pipesBefore);
    }
    EXPECT_EQ(ServiceClient, nullptr);
    EXPECT_EQ(fake.faults, std::vector<std::string>());
    EXPECT_EQ(fake.OpenHandles(), 0);
    DWORD errorMode = SetErrorMode(0);
    EXPECT_TRUE(run.exitCode == 2 ||
                errorMode == (SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX));
    return run;
}

// Runs that neither wait nor ask the service.
TEST(LoadCommand, RequestsAndRefusals) {
    const std::string kCdFailed = Failed("NOT_SUPPORTED");
    const struct {
        std::string arguments, script, output;
        DWORD exitCode;
        std::string requests;
    } rows[] = {
        {"e: -na", "cd load-ok visible", kLoading + ")" + kOk, 0, kCdProbe + kRequests},
        // An optical drive's load request decides, and its error is named; -r waits for nothing.
        {"E: -na -r", "cd online-ok", kLoading + ")" + kCdFailed, 1, kCdProbe + kRequests},
        {"E: -na", "removable", kLoading + ")" + Failed("INVALID_FUNCTION"), 1,
         kDiskProbe + kRequests},  // the second error is named
        {"E: -na", "cd load-error=0x80310000", kLoading + ")" + Failed("FVE_E_LOCKED_VOLUME"), 1,
         kCdProbe + kRequests},
        {"E: -na", "cd load-error=0x0FFFFFFF", kLoading + ")" + Failed("268435455"), 1,
         kCdProbe + kRequests},
        {"E: -na", "cd load-error=0x10000000", kLoading + ")" + Failed("0x10000000"), 1,
         kCdProbe + kRequests},
        {"E:", "removable online-ok card one-mib",
         kBanner + kLoading + "ACME Card Reader USB Device)" + kOk, 0,
         "open(0x0) query open(0x0) length open(0x80000000) length root " + kRequests},
        {"E:\\ -na", "fixed online-ok disk3", kVolumeE + "Disk SATA Device)" + kOk, 0,
         kDiskProbe + kRequests},
        {"E: -na", "fixed online-ok disk3twice", kVolumeE + "LDM)" + kOk, 0,
         kDiskProbe + kRequests},
        {"E: -na", "fixed online-ok extents-empty", kVolumeE + ")" + kOk, 0,
         kDiskProbe + kRequests},
        {"E: -na", "removable floppy", kLoading + ")" + Failed("INVALID_FUNCTION"), 1,
         "open(0x0) query open(0x0) length open(0x80000000) length " + kRequests},
        {"E: -na -r:5", "cd loaded", kLoaded, 2, kCdProbe + "root "},
        {"E: -na", "fixed loaded", kOnline, 2, kDiskProbe + "root "},
        {"E: -na", "removable loaded huge", kLoaded, 2, kDiskProbe + "root "},
        {"E: /force -na -na -na -na", "cd loaded", kLoading + ")" + kCdFailed, 1,
         kCdProbe + "root " + kRequests},
        {"E: -na", "cd loaded unmounted", kLoading + ")" + kCdFailed, 1,
         kCdProbe + "root " + kRequests},
        {"E: -na", "removable loaded tiny", kLoading + ")" + Failed("INVALID_FUNCTION"), 1,
         kDiskProbe + kRequests},
        // A standard user's online volume: its root answers where the length request cannot, and
        // any answer (or a refusal to this user) means a file system, whatever a quota makes of it.
        {"E: -na", "fixed standard-user loaded tiny", kOnline, 2,
         kAttributeLength + "open(0x80000000) size root "},
        {"E: -na", "fixed standard-user loaded root-denied", kOnline, 2,
         kAttributeLength + "open(0x80000000) size root "},
        {"E: -na", "fixed loaded win2000", kOnline, 2, kDiskProbe + "size root "},
        // A volume named by its GUID path is waited for under that name.
        {std::string(kVolume) + " -na -r", "cd load-ok",
         "Loading media into  ()... OK\r\nWaiting until " + std::string(kVolume) +
             "\\ is ready (up to 60 s)... ready after 0 s (CDFS)\r\n{A}success{7}{7}\r\n\r\n",
         0, kCdProbe + kRequests + "poll verify fs "},
        {"E: -na", "cd gone-for-writing load-ok", kVolumeE + ")" + kOk, 0,
         kCdProbe + kOpenRw + "open(0x80000000) load online "},
        {"\\", "cd module-path-cut", Banner("0.0") + "{E}invalid drive  - abort\r\n\r\n{7}", 1, ""},
        {"E: -na", "cd load-ok screen=0xF0", kLoading + ")... OK\r\n{F2}success{F0}{F0}\r\n\r\n", 0,
         kCdProbe + kRequests},
        {"E: -na", "cd loaded screen=0x1F", "{1E}Media already loaded - abort\r\n{1F}", 2,
         kCdProbe + "root "},
        {"E: -na", "cd screen=0x2E",
         kLoading + ")... err=NOT_SUPPORTED\r\n{2C}failed{2E}{2E}\r\n\r\n", 1,
         kCdProbe + kRequests},
        {"E: -na", "cd screen=0", kLoading + ")... err=NOT_SUPPORTED\r\nfailed\r\n\r\n", 1,
         kCdProbe + kRequests},  // not a console: no colour call
        {"E: -na -na -na -na -na -na", "", kBanner + kUsage, 2, ""},  // eight arguments
        {"/na -na", "", kBanner + kUsage, 2, ""},                     // an option as the DriveSpec
        {"-F", "", kBanner + kUsage, 2, ""},
        {"E: -?", "", kBanner + kUsage, 2, ""},
        {"E: -na na", "", kBanner + kUsage, 2, ""},  // an option without a dash
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.arguments + " / " + row.script);
        Shown run = RunWith(row.arguments, row.script);
        EXPECT_EQ(run.output, row.output);
        EXPECT_EQ(run.exitCode, row.exitCode);
        EXPECT_EQ(run.requests, row.requests);
        EXPECT_EQ(run.consoleCalls, "");
        EXPECT_EQ(run.pipeCalls, "");
    }
}

// The pauses and key waits, in the classic console and in a pseudo console.
TEST(LoadCommand, WaitsAndKeys) {
    const std::string kInvalidQ = "{E}invalid drive Q: - abort\r\n\r\n{7}";
    const std::string kLoaded = kLoading + ")" + kOk;
    const std::string kPressAnyKey = "sleep 100*2 flush ";  // then peeks until a key ends it
    const std::string kUntilKeyA =
        "sleep 100 flush " + Repeat("sleep 100 peek ", 24) + "sleep 100 ";
    const struct {
        std::string arguments, script, output;
        DWORD exitCode;
        std::string consoleCalls;
        DWORD elapsedMs;
    } rows[] = {
        {"E: -na", "cd no-open own key-a", "\r\n{E}cannot open the drive - abort\r\n{7}" + kPress,
         1, "sleep 100 sleep 2000 sleep 100 flush " + Repeat("sleep 100 peek ", 3) + "sleep 100 ",
         2600},
        {"E: -na", "cd load-ok pseudo alone", kLoaded, 0, "sleep 100 flush ", 2100},
        {"E: -na", "cd load-ok pseudo", kLoaded, 0, "", 0},  // shared with a shell
        {"E: -na", "cd load-ok pseudo alone headless", kLoaded, 0, "sleep 100 ", 100},
        {"Q: /NA /N:700", "cd visible", kInvalidQ, 1, "sleep 700 ", 700},
        {"Q: -na -w:-1", "cd own", kInvalidQ, 1, "sleep 100 sleep 500 ", 600},
        {"\\ -na", "cd own-volume load-ok own enter", "Loading media into  ()" + kOk, 0,
         "sleep 100 flush*2 ", 1100},
        {"E: -w:5 -w:20000 -NAx", "cd load-ok visible", kLoaded, 0, "flush ", 10000},
        {"E: -w:2000 -na", "cd load-ok visible shift-a", kLoaded, 0, "flush ", 2000},
        {"E: -w:2000 -na", "cd load-ok", kLoaded, 0, "", 0},  // nobody sees it: no pause
        {"E: -w:2000 -na", "cd load-ok visible a-then-b", kLoaded, 0, "flush ", 2000},
        {"E: -w:2000 -na", "cd load-ok visible code-0", kLoaded, 0, "flush*2 ", 300},
        {"E: -w:300 -na", "cd load-ok visible input-not-console", kLoaded, 0, "flush sleep 10*30 ",
         300},
        {"E: -w:1 -na -w500 " + std::string(300, '-'), "cd load-ok visible", kLoaded, 0, "flush ",
         10},                                                               // one poll
        {"", "own key-a", kBanner + kUsage + kPress, 2, kUntilKeyA, 2600},  // a double-click
        {"E:", "cd win98 own key-a", kNt4 + kPress, 2, kUntilKeyA, 2600},
        {"E: -n -n:0", "fixed loaded own released-b", kBanner + kOnline + kPress, 2,
         kPressAnyKey + "sleep 100 peek sleep 100 ", 400},
        {"E: -na -n:0", "fixed loaded visible", kOnline, 2, "sleep 100 ", 100},  // not our console
        {"E: -na -n:0", "fixed loaded own typed-before", kOnline + kPress, 2,
         kPressAnyKey + Repeat("sleep 100 peek ", 3) + "sleep 100 ", 600},
        {"E: -na -n:0", "fixed loaded own special-keys", kOnline + kPress, 2,
         kPressAnyKey + Repeat("sleep 100 peek ", 3) + "sleep 100 ", 600},
        {"E: -na -n:0", "fixed loaded own held-shift", kOnline + kPress, 2,
         kPressAnyKey + Repeat("sleep 100 peek ", 2) + "sleep 100 ", 500},
        {"E: -na -n:0", "fixed loaded own input-not-console", kOnline + kPress, 2,
         kPressAnyKey + "sleep 100 peek sleep 2000 sleep 100 ", 2400},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.arguments + " / " + row.script);
        Shown run = RunWith(row.arguments, row.script);
        EXPECT_EQ(run.output, row.output);
        EXPECT_EQ(run.exitCode, row.exitCode);
        EXPECT_EQ(run.consoleCalls, row.consoleCalls);
        EXPECT_EQ(run.elapsedMs, row.elapsedMs);
    }
}

// The wait until the medium is ready (-r:seconds) on E:, after its load or online request.
TEST(LoadCommand, ReadyWait) {
    const std::string kReady = "{A}success";
    const std::string kNotReady = "{E}not ready";
    const struct {
        DWORD seconds;
        std::string script, ending, word;
        DWORD exitCode;
        std::string polls;  // what reached the volume after the requests
        std::string consoleCalls;
        DWORD elapsedMs;
    } rows[] = {
        {60, "cd load-ok", " ready after 0 s (CDFS)", kReady, 0, "poll verify fs ", "", 0},
        {60, "cd load-ok checks=nr/2000,nr/2000,ok", " ready after 5 s (CDFS)", kReady, 0,
         Repeat("poll verify ", 3) + "fs ", "sleep 10*500 ", 5000},
        {60, "cd load-ok checks=nomedia", " no medium", kNotReady, 3, Repeat("poll verify ", 11),
         "sleep 10*500 ", 5000},  // "no medium" for 5 s
        {60, "cd load-ok checks=nomedia,nr,ok", " ready after 1 s (CDFS)", kReady, 0,
         Repeat("poll verify ", 3) + "fs ", "sleep 10*100 ", 1000},
        {60, "cd load-ok checks=denied,verify,ok", " ready after 0 s (CDFS)", kReady, 0,
         Repeat("poll verify ", 3) + "fs ", "sleep 10*50 ", 500},  // a lock, then at once
        {60, "cd load-ok checks=unreadable", " unreadable medium err=UNRECOGNIZED_MEDIA", kNotReady,
         3, "poll verify ", "", 0},
        {60, "cd load-ok checks=crc", " unreadable medium err=CRC", kNotReady, 3, "poll verify ",
         "", 0},
        // A drive that cannot be asked, at first without a volume, then with a blank disc.
        {60, "cd load-ok checks=unsupported,invalid fs-errors=21,1005",
         " ready after 0 s (no file system)", kReady, 0, "poll verify fs poll verify fs ",
         "sleep 10*50 ", 500},
        {60, "removable online-ok", " ready after 0 s (CDFS)", kReady, 0, "poll verify fs ", "", 0},
        {2, "cd load-ok checks=nr/60000", " not ready after 2 s err=NOT_READY", kNotReady, 3,
         "poll verify cancel ", "sleep 10*200 ", 2000},
        {60, "cd load-ok checks=nr,gone,unlinked", " drive gone err=FILE_NOT_FOUND", "{C}failed", 1,
         "poll verify poll poll ", "sleep 10*100 ", 1000},
        {60, "cd load-ok checks=pathless,nodevice", " drive gone err=NO_SUCH_DEVICE", "{C}failed",
         1, "poll poll ", "sleep 10*50 ", 500},
        // Without RtlGetLastNtStatus an empty tray reads as not ready, unless the check pended.
        {2, "cd load-ok win2000 checks=nomedia", " not ready after 2 s err=NOT_READY", kNotReady, 3,
         Repeat("poll verify ", 4), "sleep 10*200 ", 2000},
        {60, "cd load-ok win2000 checks=nomedia/6000", " no medium", kNotReady, 3, "poll verify ",
         "sleep 10*600 ", 6000},
        {60, "cd load-ok checks=nomedia/2000,nr/5000,ok", " ready after 8 s (CDFS)", kReady, 0,
         Repeat("poll verify ", 3) + "fs ", "sleep 10*800 ", 8000},
        // A driver that finishes a retry before its cancel takes: the time reported stops at the
        // limit, and an answer that comes meanwhile counts.
        {2, "cd load-ok checks=nr/60000 cancel-hold=3000", " not ready after 2 s err=NOT_READY",
         kNotReady, 3, "poll verify cancel ", "sleep 10*200 ", 5000},
        {2, "cd load-ok checks=ok/3000 cancel-hold=5000", " ready after 2 s (CDFS)", kReady, 0,
         "poll verify cancel fs ", "sleep 10*200 ", 3000},
        {2, "cd load-ok checks=nr visible stray-z", " not ready after 2 s err=NOT_READY", kNotReady,
         3, Repeat("poll verify ", 4), "flush ", 2000},  // the last slice ends at the deadline
        // A blank disc held mounted as RAW: ready, once the drive said so.
        {60, "cd load-ok fs-errors=87", " ready after 0 s (no file system)", kReady, 0,
         "poll verify fs ", "", 0},
        {1, "cd load-ok checks=unsupported fs-errors=87",
         " not ready after 1 s err=INVALID_PARAMETER", kNotReady, 3,
         "poll verify fs poll verify fs ", "sleep 10*100 ", 1000},
        {60, "cd load-ok checks=gone,nr,gone,ok", " ready after 1 s (CDFS)", kReady, 0,
         "poll poll verify poll poll verify fs ", "sleep 10*150 ", 1500},  // never twice in a row
        {60, "cd load-ok checks=nr/60000 visible enter", " stopped after 1 s", kNotReady, 3,
         "poll verify cancel ", "flush*2 ", 1100},
        {60, "cd load-ok checks=nr/60000 ctrl-c=1550", " stopped after 1 s", kNotReady, 3,
         "poll verify cancel ", "sleep 10*155 ", 1550},
        {60, "fixed online-ok fs-errors=21,21,0 fs=NTFS", " ready after 1 s (NTFS)", kReady, 0,
         "fs fs fs ", "sleep 10*100 ", 1000},
        {1, "fixed online-ok fs-errors=1005", " no file system", kNotReady, 3, "fs fs ",
         "sleep 10*100 ", 1000},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.script);
        bool fixed = row.script.rfind("fixed", 0) == 0;
        bool cd = row.script.rfind("cd", 0) == 0;
        Shown run = RunWith("E: -na -r:" + std::to_string(row.seconds), row.script);
        EXPECT_EQ(run.output, (fixed ? kVolumeE : kLoading) + ")... OK\r\nWaiting until E:\\ is " +
                                  "ready (up to " + std::to_string(row.seconds) + " s)..." +
                                  row.ending + "\r\n" + row.word + "{7}{7}\r\n\r\n");
        EXPECT_EQ(run.exitCode, row.exitCode);
        EXPECT_EQ(run.requests, (cd ? kCdProbe : kDiskProbe) + kRequests + row.polls);
        EXPECT_EQ(run.consoleCalls, row.consoleCalls);
        EXPECT_EQ(run.elapsedMs, row.elapsedMs);
    }
}

// A standard user's volume: relayed through the service, else loaded through the attribute handle.
TEST(LoadCommand, ThroughTheService) {
    const std::string opened = "hello\nopen " + std::string(kVolume) + "\n";
    const std::string load = "control " + fake_device::Hex(IOCTL_STORAGE_LOAD_MEDIA) + "\n";
    const std::string online = "control " + fake_device::Hex(IOCTL_VOLUME_ONLINE) + "\n";
    const std::string conversation = opened + load + online + "goodbye\n";
    const std::string cut = opened + load;  // ended without goodbye
    const std::string base = "open VorlanCmdIfV2=0 sleep 50 open VorlanCmdIfV21=0 ";
    const std::string busy = "open VorlanCmdIfV2=231 sleep 20 ";
    const std::string absent = Repeat("open VorlanCmdIfV2=2 ", 11);
    const std::string cdOpens = "open(0x0) query open(0x80000000) " + kOpenRw + "open(0x80000000) ";
    const std::string fixedOpens =
        kAttributeLength + "open(0x80000000) size " + kOpenRw + "open(0x80000000) ";
    const struct {
        std::string arguments, script, output;
        DWORD exitCode;
        std::string requests, pipeCalls, received;
        DWORD elapsedMs = 0;
    } rows[] = {
        {"E: -na", "cd service busy", kLoading + ")" + kOk, 0, cdOpens, Repeat(busy, 2) + base,
         conversation},
        {"E: -na", "fixed service online-ok", kVolumeE + ")" + kOk, 0, fixedOpens, base,
         conversation},
        {"E: -na", "fixed standard-user", kVolumeE + ")" + Failed("ACCESS_DENIED"), 1,
         fixedOpens + "load2 online ", absent, ""},  // no service: the request for the handle
        {"E: -na", "cd no-service load-ok", kLoading + ")" + kOk, 0, cdOpens + "load2 online ",
         absent, ""},
        {"E: -na", "cd service refuse", kLoading + ")" + Failed("NOT_SUPPORTED"), 1,
         cdOpens + "load2 online ", "open VorlanCmdIfV2=0 ", "hello\n"},
        {"E: -na", "cd service instance-late", kLoading + ")" + kOk, 0, cdOpens,
         "open VorlanCmdIfV2=0 sleep 50 open VorlanCmdIfV21=2 sleep 500 open VorlanCmdIfV21=0 ",
         conversation},
        {"E: -na", "cd service instance-denied",
         " error 5 opening VORLAN pipe\r\n" + kLoading + ")" + Failed("NOT_SUPPORTED"), 1,
         cdOpens + "load2 online ", "open VorlanCmdIfV2=0 sleep 50 open VorlanCmdIfV21=5 ",
         "hello\n"},
        {"E: -na -w:300", "cd service fail-open",
         "\r\nerror opening " + std::string(kVolume) + "\r\n", 1, cdOpens, base, opened, 300},
        // The conversation ends before the wait, which asks with handles of its own.
        {"E: -na -r", "cd service",
         kLoading + ")... OK\r\nWaiting until E:\\ is ready (up to 60 " +
             "s)... ready after 0 s (CDFS)\r\n{A}success{7}{7}\r\n\r\n",
         0, cdOpens + "poll verify fs ", base, conversation},
        {"E: -na", "cd service fail-control", kLoading + ")" + Failed("NOT_READY"), 1, cdOpens,
         base, conversation},
        {"E: -na", "cd service slow", kLoading + ")" + Failed("SEM_TIMEOUT"), 1, cdOpens,
         base + "cancel wait ", cut},
        {"E: -na", "fixed service short", kVolumeE + ")" + Failed("INVALID_DATA"), 1, fixedOpens,
         base, cut},  // the second request gets the error that ended the conversation
        {"E: -na", "cd service long", kLoading + ")" + Failed("INVALID_DATA"), 1, cdOpens, base,
         cut},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.arguments + " / " + row.script);
        Shown run = RunWith(row.arguments, row.script);
        EXPECT_EQ(run.output, row.output);
        EXPECT_EQ(run.exitCode, row.exitCode);
        EXPECT_EQ(run.requests, row.requests);
        EXPECT_EQ(run.pipeCalls, row.pipeCalls);
        EXPECT_EQ(run.received, row.received);
        EXPECT_EQ(run.elapsedMs, row.elapsedMs);
    }
}
