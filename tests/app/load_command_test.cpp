// The load command from arguments to exit code, through the device, console
// and pipe seams: one table per behaviour, each row a scene in words and all
// that the run showed (the bytes with their colours, the exit code, what
// reached the drive, the pauses, what reached the service). Every run is also
// held to what no run may leave behind: heap blocks, handles, pipes, wrong
// call arguments.
#include "app/load_command.h"
#include "base/process_records.h"
#include "diag/version_stamp.h"
#include "diag/windows_version.h"
#include "tests/support/fake_console.h"
#include "tests/support/fake_device.h"
#include "tests/support/harness.h"
#include "tools/vorlan_standin.h"
#include "traywake_identity.h"

#include <iterator>
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
    "\r\nUsage:\r\nTraywake DriveSpec [-na][-w:nnnn] [-F] [-r[:sss]]\r\n\r\n"
    "DriveSpec is the drive whose media to load, e.g. D:\r\n"
    "  or a mounted folder (C:\\mnt\\card), a volume GUID path (\\\\?\\Volume{...}),\r\n"
    "  \\ (the volume of Traywake.exe) or . (the volume of the current directory)\r\n"
    "-na  no about info\r\n-w:nnnn  wait nnnn milliseconds before close\r\n"
    "-F  load even when the media is loaded and the volume online\r\n"
    "-r[:sss]  then wait up to sss seconds (default 60) until the media is ready\r\n"
    "Exit code: 0 success, 1 failure, 2 nothing done, 3 not ready (with -r)\r\n\r\n";
const std::string kOnline = "{E}Volume already online - abort\r\n{7}";
const std::string kLoaded = "{E}Media already loaded - abort\r\n{7}";
const std::string kPress = "Press any key to close";
const std::string kInvalidQ = "{E}invalid drive Q: - abort\r\n\r\n{7}";
const std::string kLoading = "Loading media into E:\\ (";
const std::string kVolumeE = "Bring volume E:\\ online (";
const std::string kOk = ")... OK\r\n{A}success{7}{7}\r\n\r\n";

// A failed load, with the line that tells what to do by hand, if any.
std::string Failed(const std::string& error, const std::string& hint = "") {
    return ")... err=" + error + "\r\n" + (hint.empty() ? "" : "{E}" + hint + "\r\n{7}") +
           "{C}failed{7}{7}\r\n\r\n";
}
const std::string kTrayByHand = "the drive cannot close its tray itself - push it in";
const std::string kSlotByHand = "the drive has no tray to close - insert the disc by hand";
const std::string kHedged =
    Failed("INVALID_FUNCTION", "the drive refused to load - if its tray is open, push it in");

// The ending of a wait until ready, after a load that went through.
std::string Waited(DWORD seconds, const std::string& ending) {
    std::string word = ending.rfind(" ready", 0) == 0        ? "{A}success"
                       : ending.rfind(" drive gone", 0) == 0 ? "{C}failed"
                                                             : "{E}not ready";
    return ")... OK\r\nWaiting until E:\\ is ready (up to " + std::to_string(seconds) + " s)..." +
           ending + "\r\n" + word + "{7}{7}\r\n\r\n";
}

// What reached the volume: the description and medium probes, the opens, the requests.
const std::string kCdProbe = "open(0x0) query open(0x80000000) verify allow ";
const std::string kAttributeLength = "open(0x0) query open(0x0) extents open(0x0) length ";
const std::string kDiskProbe = kAttributeLength + "open(0x80000000) length ";
const std::string kOpenRw = "open(0x0) open(0xC0000000) ";
const std::string kCdLoad = kCdProbe + kOpenRw + "load online ";
// After a failed load or an empty tray, an optical drive is asked what it can do.
const std::string kAskLoader = "open(0x80000000) config ";
const std::string kCdFailed = kCdLoad + kAskLoader;
const std::string kDiskLoad = kDiskProbe + kOpenRw + "load online ";

BOOL WINAPI Windows98(LPOSVERSIONINFOA answer) {
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

// Keys by tick.
const std::map<std::string, std::vector<Key>> kKeys = {
    {"key-a", {{2500, true, 'A', 'a'}}},
    {"released-b", {{300, false, 'B', 'b'}}},
    {"stray-z", {{1005, false, 'Z'}}},  // a key-up of a key nobody pressed down
    {"enter", {{1000, true, VK_RETURN}, {1100, false, VK_RETURN}}},
    // Shift+A ends no wait, nor F1 (no character) "Press any key"; D ends both, and a key of
    // code 0 (NumLock is no modifier) the end wait.
    {"shift-a",
     {{300, true, 'A', 'A', SHIFT_PRESSED},
      {400, false, 'A', 'A', SHIFT_PRESSED},
      {400, true, VK_F1},
      {500, true, 'D', 'd'},
      {600, false, 'D', 'd'}}},
    {"code-0", {{100, true, 0, 0, NUMLOCK_ON}, {300, false, 0}}}};

std::vector<DWORD> Numbers(const std::string& list) {
    std::vector<DWORD> numbers;
    std::istringstream in(list);
    for (std::string item; std::getline(in, item, ',');) numbers.push_back(std::stoul(item, 0, 0));
    return numbers;
}

// "nr/2000": a drive not ready that holds the request 2 s before it says so.
std::vector<CheckAnswer> CheckAnswers(const std::string& list) {
    std::vector<CheckAnswer> answers;
    std::istringstream in(list);
    for (std::string item; std::getline(in, item, ',');) {
        size_t slash = item.find('/');
        auto named =
            std::find_if(std::begin(kDriveStatuses), std::end(kDriveStatuses),
                         [&](auto& status) { return item.substr(0, slash) == status.word; });
        if (named == std::end(kDriveStatuses)) ADD_FAILURE() << "no drive status " << item;
        if (named == std::end(kDriveStatuses)) continue;
        answers.push_back(
            {&*named, slash == std::string::npos ? 0 : Numbers(item.substr(slash + 1))[0]});
    }
    return answers;
}

std::string Repeat(const std::string& text, int count) {
    return count ? text + Repeat(text, count - 1) : "";
}

// For a word "name=value": true, with the value.
bool Valued(const std::string& word, const std::string& name, std::string* value) {
    *value = word.substr(std::min(word.size(), name.size() + 1));
    return word.rfind(name + "=", 0) == 0;
}

// The volume E: and its drive, the console and the service, as the words say.
void Script(const std::string& words, FakeDevice& fake, FakeConsole& console,
            std::unique_ptr<StandinService>& service) {
    FakeVolume& v = fake.volumes[kVolume];
    UINT& driveType = fake.driveTypes[std::string(kVolume) + "\\"];
    StandinBehaviour behaviour;
    std::istringstream in(words);
    std::string value;
    for (std::string word; in >> word;) {
        if (word == "cd") driveType = DRIVE_CDROM;
        if (word == "removable") driveType = DRIVE_REMOVABLE;
        if (word == "fixed") driveType = DRIVE_FIXED;
        if (word == "loaded") {
            v.hasMedium = true;
            v.opens += "\\";
            v.length = 700 << 20;
        }
        if (word == "unmounted") v.opens.pop_back();
        if (Valued(word, "bytes", &value)) v.length = std::stoull(value, 0, 0);
        if (Valued(word, "load", &value)) v.loadMediaError = Numbers(value)[0];
        if (Valued(word, "online", &value)) v.volumeOnlineError = Numbers(value)[0];
        if (word == "no-open") v.opens = "";
        // A standard user gets the attributes only, whether the service runs or not.
        if (word == "standard-user" || word == "service") v.opens = "a";
        if (word == "root-denied") v.rootError = ERROR_ACCESS_DENIED;
        if (word == "win2000") fake.windows2000 = true;
        if (word == "gone-for-writing") v.opens = "ar";
        if (word == "gone-for-writing") v.openError = ERROR_DEV_NOT_EXIST;
        if (Valued(word, "config", &value))  // the Removable Medium feature: version/byte 4
            v.configuration =
                ConfigurationBytes(std::stoi(value), (BYTE)std::stoul(value.substr(2), 0, 0));
        if (word == "reader") v.opens = "ar";  // reads the drive, as users may, but not writes
        if (word == "card") v.descriptor = DescriptorBytes("ACME ", "Card Reader  ", 7);
        if (Valued(word, "disks", &value)) v.extentDisks = Numbers(value);
        if (word == "floppy") fake.dosDevices[kVolume + 4] = "\\Device\\Floppy0";
        if (Valued(word, "checks", &value)) v.checkAnswers = CheckAnswers(value);
        if (Valued(word, "cancel-hold", &value)) v.cancelHoldMs = Numbers(value)[0];
        if (Valued(word, "fs-errors", &value)) v.fileSystemErrors = Numbers(value);
        if (Valued(word, "fs", &value)) v.fileSystem = value;
        if (word == "visible" || word == "own") console.visible = true;
        if (word == "own") console.ownedByUs = true;
        if (word == "pseudo") console.pseudoConsole = true;
        if (word == "alone") console.attachedProcesses = 1;
        if (word == "headless") console.terminalShown = false;
        if (kKeys.count(word)) console.Type(kKeys.at(word));
        if (word == "held-shift") {  // more records than one look takes, then a key
            console.Type(std::vector<Key>(1500, {300, true, VK_SHIFT, 0, SHIFT_PRESSED}));
            console.Type({{300, true, 'E', 'e'}});
        }
        if (word == "input-not-console") console.inputIsConsole = false;
        if (Valued(word, "screen", &value)) console.attributes = (WORD)Numbers(value)[0];
        if (Valued(word, "ctrl-c", &value)) console.ctrlCAt = Numbers(value)[0];
        if (word == "win98") GetVersionAnswer = Windows98;
        if (word == "mute") behaviour.mute = true;
        if (word == "slow") behaviour.slow = true;
        if (Valued(word, "open-error", &value)) behaviour.failOpen = Numbers(value)[0];
        if (Valued(word, "control-error", &value)) behaviour.failControl = Numbers(value)[0];
        if (Valued(word, "reply-bytes", &value)) behaviour.replyBytes = Numbers(value)[0];
        if (Valued(word, "hello-bytes", &value)) behaviour.helloBytes = Numbers(value)[0];
        if (Valued(word, "pipe-errors", &value))
            for (DWORD error : Numbers(value)) standin::openErrors.push_back(error);
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
    if (words.find("service") != std::string::npos) service.reset(new StandinService(behaviour));
}

// One run, and all it showed: console, the pauses and the time they took, in
// "sleep N flush peek ... T ms"; service, the client's pipe calls, then "|" and
// what the service received.
struct Run {
    std::string arguments, script, output;
    DWORD exitCode;
    std::string drive, console = "", service = "";
};

void ExpectRuns(std::initializer_list<Run> runs) {
    for (const Run& run : runs) {
        SCOPED_TRACE(run.arguments + " / " + run.script);
        FakeDevice fake;
        FakeConsole console;
        fake.mountPoints["E:\\"] = std::string(kVolume) + "\\";
        fake.volumes["\\\\.\\PhysicalDrive0"].descriptor = DescriptorBytes("", "Boot", 11);
        fake.volumes["\\\\.\\PhysicalDrive3"].descriptor = DescriptorBytes("", "Disk", 11);
        standin::openErrors.clear();
        standin::pipeCalls.clear();
        std::unique_ptr<StandinService> service;
        Script(run.script, fake, console, service);
        SetErrorMode(0);
        Pipe = {standin::LoggedOpen, standin::LoggedSleep, standin::LoggedCancelIo,
                standin::LoggedGetOverlappedResult};
        PipeIoLimitMs = 100;
        OwnVersion = VersionStamp();  // as a new process has it
        std::istringstream words("Traywake " + run.arguments);
        std::vector<std::string> arguments{std::istream_iterator<std::string>(words), {}};
        std::vector<char*> argv;
        for (std::string& argument : arguments) argv.push_back(&argument[0]);
        ScopedHeap heap;  // a block left allocated fails the run
        StdoutCapture capture;
        DWORD exitCode = (DWORD)RunLoadCommand((int)argv.size(), argv.data());
        std::string output = capture.Finish();
        EXPECT_EQ(heap.BusyBlocks(), 0);
        Pipe = SystemPipeCalls;
        GetVersionAnswer = SystemGetVersionAnswer;
        ModuleFileNameCall = SystemModuleFileName;
        ModuleFileNameWCall = SystemModuleFileNameW;
        DWORD elapsedMs = console.now - console.start;
        std::string received = service ? "| " + service->Stop() : "";
        EXPECT_EQ(output, run.output);
        EXPECT_EQ(exitCode, run.exitCode);
        EXPECT_EQ(fake.requests[kVolume], run.drive);
        EXPECT_EQ(console.Calls() + (elapsedMs ? std::to_string(elapsedMs) + " ms" : ""),
                  run.console);
        EXPECT_EQ(standin::pipeCalls + received, run.service);
        EXPECT_EQ(ServiceClient, nullptr);
        EXPECT_EQ(fake.faults, std::vector<std::string>());
        EXPECT_EQ(fake.OpenHandles(), 0);
        DWORD errorMode = SetErrorMode(0);
        EXPECT_TRUE(run.exitCode == 2 ||
                    errorMode == (SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX));
    }
}

TEST(LoadCommand, RequestsAndRefusals) {
    ExpectRuns({
        {"e: -na", "cd load=0 visible", kLoading + kOk, 0, kCdLoad},
        // An optical drive's load request decides, and its error is named; -r waits for nothing.
        {"E: -na -r", "cd online=0", kLoading + Failed("NOT_SUPPORTED"), 1, kCdFailed},
        {"E: -na", "cd load=0x0FFFFFFF", kLoading + Failed("268435455"), 1, kCdFailed},
        {"E: -na", "cd load=0x10000000", kLoading + Failed("0x10000000"), 1, kCdFailed},
        // 1 MiB is a medium, not mounted; the description from the volume.
        {"E:", "removable online=0 card bytes=0x100000",
         kBanner + kLoading + "ACME Card Reader USB Device" + kOk, 0,
         "open(0x0) query open(0x0) length open(0x80000000) length root " + kOpenRw +
             "load online "},
        {"E:\\ -na", "fixed online=0 disks=3", kVolumeE + "Disk SATA Device" + kOk, 0, kDiskLoad},
        {"E: -na", "fixed online=0 disks=3,3", kVolumeE + "LDM" + kOk, 0, kDiskLoad},
        {"E: -na", "removable floppy disks=3", kLoading + Failed("INVALID_FUNCTION"), 1,
         "open(0x0) query open(0x0) length open(0x80000000) length " + kOpenRw + "load online "},
        {"E: -na -r:5", "cd loaded", kLoaded, 2, kCdProbe + "root "},
        {"E: -na -w:100 -r", "cd load=0", kLoading + Waited(60, " ready after 0 s (CDFS)"), 0,
         kCdLoad + "poll verify fs "},  // a bare -r after digits: the default
        {"E: -na -r:999", "cd load=0", kLoading + Waited(300, " ready after 0 s (CDFS)"), 0,
         kCdLoad + "poll verify fs "},  // at most 300 s
        // A medium of 4 TiB and 7 MiB; one of a byte less than 1 MiB is none.
        {"E: -na", "removable loaded bytes=0x10000000700000", kLoaded, 2, kDiskProbe + "root "},
        {"E: -na", "removable loaded bytes=0xFFFFF", kLoading + Failed("INVALID_FUNCTION"), 1,
         kDiskLoad},
        // A standard user's volume: where the length cannot be read, any answer of its root (or a
        // refusal to this user) means a file system, whatever a quota makes of its size.
        {"E: -na", "fixed standard-user loaded bytes=0xFFFFF", kOnline, 2,
         kAttributeLength + "open(0x80000000) size root "},
        {"E: -na", "fixed standard-user loaded root-denied", kOnline, 2,
         kAttributeLength + "open(0x80000000) size root "},
        // A volume named by its GUID path is waited for under that name.
        {std::string(kVolume) + " -na /R:45", "cd load=0",
         "Loading media into  ()... OK\r\nWaiting until " + std::string(kVolume) +
             "\\ is ready (up to 45 s)... ready after 0 s (CDFS)\r\n{A}success{7}{7}\r\n\r\n",
         0, kCdLoad + "poll verify fs "},
        {"E: -na", "cd gone-for-writing load=0", kVolumeE + kOk, 0,
         kCdProbe + kOpenRw + "open(0x80000000) load online "},
        {"\\", "cd module-path-cut", Banner("0.0") + "{E}invalid drive  - abort\r\n\r\n{7}", 1, ""},
        {"1: -na", "", "{E}invalid drive  - abort\r\n\r\n{7}", 1, ""},  // no form: nothing resolves
        {"E: -na", "cd load=0 screen=0xF0", kLoading + ")... OK\r\n{F2}success{F0}{F0}\r\n\r\n", 0,
         kCdLoad},
        {"E: -na", "cd screen=0", kLoading + ")... err=NOT_SUPPORTED\r\nfailed\r\n\r\n", 1,
         kCdFailed},  // not a console: no colour call
        {"E: -na -na -na -na -na -na", "", kBanner + kUsage, 2, ""},  // eight arguments
        {"/na -na", "", kBanner + kUsage, 2, ""},                     // an option as the DriveSpec
        {"-F", "", kBanner + kUsage, 2, ""},
        {"E: -?", "", kBanner + kUsage, 2, ""},
        {"E: -na na", "", kBanner + kUsage, 2, ""},  // an option without a dash
    });
}

// The pauses and key waits, in the classic console and in a pseudo console.
TEST(LoadCommand, WaitsAndKeys) {
    const std::string kPressAnyKey = "sleep 100*2 flush ";  // then peeks until a key ends it
    const std::string kUntilKeyA =
        "sleep 100 flush " + Repeat("sleep 100 peek ", 24) + "sleep 100 2600 ms";
    const std::string kLoadedOk = kLoading + kOk;
    ExpectRuns({
        {"E: -na", "cd no-open own key-a", "\r\n{E}cannot open the drive - abort\r\n{7}" + kPress,
         1, "open(0x0) open(0x80000000) open(0x0) ",
         "sleep 100 sleep 2000 sleep 100 flush " + Repeat("sleep 100 peek ", 3) +
             "sleep 100 2600 ms"},
        {"E: -na", "cd load=0 pseudo alone", kLoadedOk, 0, kCdLoad, "sleep 100 flush 2100 ms"},
        {"E: -na", "cd load=0 pseudo", kLoadedOk, 0, kCdLoad},  // shared with a shell
        {"E: -na", "cd load=0 pseudo alone headless", kLoadedOk, 0, kCdLoad, "sleep 100 100 ms"},
        {"Q: /NA /N:700", "cd visible", kInvalidQ, 1, "", "sleep 700 700 ms"},
        {"Q: -na -w:-1", "cd own", kInvalidQ, 1, "", "sleep 100 sleep 500 600 ms"},
        {"\\ -na", "cd own-volume load=0 own enter", "Loading media into  (" + kOk, 0, kCdLoad,
         "sleep 100 flush*2 1100 ms"},
        {"E: -w:5 -w:20000 -NAx", "cd load=0 visible", kLoadedOk, 0, kCdLoad, "flush 10000 ms"},
        {"E: -w:2000 -na", "cd load=0", kLoadedOk, 0, kCdLoad},  // nobody sees it: no pause
        {"E: -w:2000 -na", "cd load=0 visible shift-a", kLoadedOk, 0, kCdLoad, "flush*2 600 ms"},
        {"E: -w:2000 -na", "cd load=0 visible code-0", kLoadedOk, 0, kCdLoad, "flush*2 300 ms"},
        {"E: -w:300 -na", "cd load=0 visible input-not-console", kLoadedOk, 0, kCdLoad,
         "flush sleep 10*30 300 ms"},
        {"E: -w:1 -na -w500 " + std::string(300, '-'), "cd load=0 visible", kLoadedOk, 0, kCdLoad,
         "flush 10 ms"},                                                  // one poll
        {"", "own key-a", kBanner + kUsage + kPress, 2, "", kUntilKeyA},  // a double-click
        {"E:", "cd win98 own key-a",
         "Traywake - works under Windows 2000, XP, Server 2003, Vista and higher only - "
         "abort\r\n\r\n" +
             kPress,
         2, "", kUntilKeyA},
        {"E: -n -n:0", "fixed loaded own released-b", kBanner + kOnline + kPress, 2,
         kDiskProbe + "root ", kPressAnyKey + "sleep 100 peek sleep 100 400 ms"},
        {"E: -na -n:0", "fixed loaded visible", kOnline, 2, kDiskProbe + "root ",
         "sleep 100 100 ms"},  // not our console
        {"E: -na -n:0", "fixed loaded own shift-a", kOnline + kPress, 2, kDiskProbe + "root ",
         kPressAnyKey + Repeat("sleep 100 peek ", 3) + "sleep 100 600 ms"},
        {"E: -na -n:0", "fixed loaded own held-shift", kOnline + kPress, 2, kDiskProbe + "root ",
         kPressAnyKey + Repeat("sleep 100 peek ", 2) + "sleep 100 500 ms"},
        {"E: -na -n:0", "fixed loaded own input-not-console", kOnline + kPress, 2,
         kDiskProbe + "root ", kPressAnyKey + "sleep 100 peek sleep 2000 sleep 100 2400 ms"},
    });
}

// The wait until the medium is ready (-r:seconds) on E:, after its load or online request: what
// the wait wrote, and what reached the drive after the requests.
Run Wait(DWORD seconds, const std::string& script, const std::string& ending, DWORD exitCode,
         const std::string& polls, const std::string& console = "") {
    bool fixed = script.rfind("fixed", 0) == 0;
    bool cd = script.rfind("cd", 0) == 0;
    return {"E: -na -r:" + std::to_string(seconds),
            script,
            (fixed ? kVolumeE : kLoading) + Waited(seconds, ending),
            exitCode,
            (cd ? kCdLoad : kDiskLoad) + polls,
            console};
}

TEST(LoadCommand, ReadyWait) {
    const std::string kPoll = "poll verify ";
    const std::string kNotReady2 = " not ready after 2 s err=NOT_READY";
    ExpectRuns({
        // An empty tray: "no medium" once the drive has had 5 s to find a disc.
        Wait(60, "cd load=0 checks=nomedia", " no medium", 3, Repeat(kPoll, 11) + kAskLoader,
             "sleep 10*500 5000 ms"),
        // Without RtlGetLastNtStatus it reads as not ready, unless the check pended.
        Wait(2, "cd load=0 win2000 checks=nomedia", kNotReady2, 3, Repeat(kPoll, 4),
             "sleep 10*200 2000 ms"),
        Wait(60, "cd load=0 win2000 checks=nomedia/6000", " no medium", 3, kPoll + kAskLoader,
             "sleep 10*600 6000 ms"),
        Wait(60, "cd load=0 checks=denied,verify,ok", " ready after 0 s (CDFS)", 0,
             Repeat(kPoll, 3) + "fs ", "sleep 10*50 500 ms"),  // a lock, then at once
        Wait(60, "cd load=0 checks=crc", " unreadable medium err=CRC", 3, kPoll),
        Wait(60, "cd load=0 checks=unreadable/1000", " unreadable medium err=UNRECOGNIZED_MEDIA", 3,
             kPoll, "sleep 10*100 1000 ms"),  // answered after it pended
        // A drive that cannot be asked, at first without a volume, then with a blank disc.
        Wait(60, "cd load=0 checks=unsupported,invalid fs-errors=21,1005",
             " ready after 0 s (no file system)", 0, "poll verify fs poll verify fs ",
             "sleep 10*50 500 ms"),
        // A blank disc held mounted as RAW: ready once the drive said so, not otherwise.
        Wait(60, "removable online=0 fs-errors=87", " ready after 0 s (no file system)", 0,
             kPoll + "fs "),
        Wait(1, "cd load=0 checks=unsupported fs-errors=87",
             " not ready after 1 s err=INVALID_PARAMETER", 3, "poll verify fs poll verify fs ",
             "sleep 10*100 1000 ms"),
        // The last sleep ends at the deadline, off the half-second grid.
        Wait(1, "cd load=0 checks=nr,nr/300", " not ready after 1 s err=NOT_READY", 3,
             Repeat(kPoll, 2), "sleep 10*100 1000 ms"),
        // A check the driver holds is given up at the deadline, to the millisecond.
        Wait(2, "cd load=0 checks=nr/60000 visible stray-z", kNotReady2, 3, kPoll + "cancel ",
             "flush 2000 ms"),
        // A driver that finishes a retry before its cancel takes: the seconds stop at the
        // limit, and an answer that comes meanwhile counts.
        Wait(2, "cd load=0 checks=nr/60000 cancel-hold=3000", kNotReady2, 3, kPoll + "cancel ",
             "sleep 10*200 5000 ms"),
        Wait(2, "cd load=0 checks=ok/3000 cancel-hold=5000", " ready after 2 s (CDFS)", 0,
             kPoll + "cancel fs ", "sleep 10*200 3000 ms"),
        Wait(60, "cd load=0 checks=nr,gone,unlinked", " drive gone err=FILE_NOT_FOUND", 1,
             "poll verify poll poll ", "sleep 10*100 1000 ms"),
        Wait(60, "cd load=0 checks=pathless,nodevice", " drive gone err=NO_SUCH_DEVICE", 1,
             "poll poll ", "sleep 10*50 500 ms"),
        // Not twice in a row: an open that succeeds, or fails otherwise, comes between.
        Wait(60, "cd load=0 checks=gone,nr,gone,locked,gone,ok", " ready after 2 s (CDFS)", 0,
             "poll poll verify poll poll poll poll verify fs ", "sleep 10*250 2500 ms"),
        // A key between two checks, Ctrl+C during one.
        Wait(60, "cd load=0 checks=nr visible enter", " stopped after 1 s", 3, Repeat(kPoll, 3),
             "flush*2 1100 ms"),
        Wait(60, "cd load=0 checks=nr/60000 ctrl-c=1550", " stopped after 1 s", 3,
             kPoll + "cancel ", "sleep 10*155 1550 ms"),
        Wait(60, "fixed online=0 fs-errors=87,21,0 fs=NTFS", " ready after 1 s (NTFS)", 0,
             "fs fs fs ", "sleep 10*100 1000 ms"),
        Wait(1, "fixed online=0 fs-errors=1005", " no file system", 3, "fs fs ",
             "sleep 10*100 1000 ms"),
    });
}

// An optical drive that refused the load, or stayed empty, asked whether it can load at all; one
// that had a disc in has its tray shut, and is not asked.
TEST(LoadCommand, LoadByHand) {
    const std::string discIn = kCdProbe + "root " + kOpenRw + "load online ";
    ExpectRuns({
        {"E: -na", "cd loaded unmounted load=1 config=2,0x20",
         kLoading + Failed("INVALID_FUNCTION"), 1, discIn},  // a blank disc in a laptop drive
        {"E: /force -na -na -na -na", "cd loaded load=1 config=2,0x20",
         kLoading + Failed("INVALID_FUNCTION"), 1, discIn},
        {"E: -na", "cd loaded unmounted load=1 config=2,0", kLoading + Failed("INVALID_FUNCTION"),
         1, discIn},
        {"E: -na", "cd loaded unmounted load=1", kLoading + Failed("INVALID_FUNCTION"), 1, discIn},
        {"E: -na", "cd load=21 config=2,0", kLoading + Failed("NOT_READY", kSlotByHand), 1,
         kCdFailed},
        {"E: -na", "cd load=1 config=2,0x30", kLoading + Failed("INVALID_FUNCTION"), 1, kCdFailed},
        {"E: -na", "cd load=1 config=1,0x20", kLoading + kHedged, 1, kCdFailed},  // bit reserved
        // A laptop drive, for a user who may read it: the load and the question go through read
        // handles.
        {"E: -na", "cd reader load=1 config=2,0x20",
         kLoading + Failed("INVALID_FUNCTION", kTrayByHand), 1,
         kCdProbe + kOpenRw + "open(0x80000000) load online " + kAskLoader},
        {"E: -na -r", "cd load=0 checks=nomedia config=2,0x20",
         kLoading + ")... OK\r\nWaiting until E:\\ is ready (up to 60 s)... no medium\r\n{E}" +
             kTrayByHand + "\r\n{7}{E}not ready{7}{7}\r\n\r\n",
         3, kCdLoad + Repeat("poll verify ", 11) + kAskLoader, "sleep 10*500 5000 ms"},
        Wait(60, "removable load=0 checks=nomedia", " no medium", 3, Repeat("poll verify ", 11),
             "sleep 10*500 5000 ms"),  // a card reader
    });
}

// A standard user's volume: relayed through the service, else loaded through the attribute handle.
TEST(LoadCommand, ThroughTheService) {
    const std::string opened = "hello open " + std::string(kVolume) + " ";
    const std::string load = "control " + fake_device::Hex(IOCTL_STORAGE_LOAD_MEDIA) + " ";
    const std::string online = "control " + fake_device::Hex(IOCTL_VOLUME_ONLINE) + " ";
    const std::string talk = "| " + opened + load + online + "goodbye ";
    const std::string cut = "| " + opened + load;  // ended without goodbye
    const std::string base = "open VorlanCmdIfV2=0 sleep 50 open VorlanCmdIfV21=0 ";
    const std::string absent = Repeat("open VorlanCmdIfV2=2 ", 11);
    const std::string cdOpens = "open(0x0) query open(0x80000000) " + kOpenRw + "open(0x80000000) ";
    const std::string refused = "open(0x80000000) ";  // the question what the drive can do
    const std::string fixedOpens =
        kAttributeLength + "open(0x80000000) size " + kOpenRw + "open(0x80000000) ";
    ExpectRuns({
        {"E: -na", "cd service pipe-errors=231,231", kLoading + kOk, 0, cdOpens, "",
         Repeat("open VorlanCmdIfV2=231 sleep 20 ", 2) + base + talk},
        // No service: the load request made for the handle, the online request refused by name.
        {"E: -na", "fixed standard-user", kVolumeE + Failed("ACCESS_DENIED"), 1,
         fixedOpens + "load2 online ", "", absent},
        {"E: -na", "cd standard-user load=0", kLoading + kOk, 0, cdOpens + "load2 online ", "",
         absent},
        // Where the drive cannot be read, what it can do is unknown: the hedged line.
        {"E: -na", "cd service mute load=1 config=2,0x20", kLoading + kHedged, 1,
         cdOpens + "load2 online " + refused, "", "open VorlanCmdIfV2=0 cancel wait | hello "},
        // An answer to the hello of any other size is no service's (a long one, as a long reply).
        {"E: -na", "cd service hello-bytes=2 load=0", kLoading + kOk, 0, cdOpens + "load2 online ",
         "", "open VorlanCmdIfV2=0 | hello "},
        {"E: -na", "cd service pipe-errors=0,2", kLoading + kOk, 0, cdOpens, "",
         "open VorlanCmdIfV2=0 sleep 50 open VorlanCmdIfV21=2 sleep 500 open VorlanCmdIfV21=0 " +
             talk},
        {"E: -na", "cd service pipe-errors=0,5",
         " error 5 opening VORLAN pipe\r\n" + kLoading + Failed("NOT_SUPPORTED"), 1,
         cdOpens + "load2 online " + refused, "",
         "open VorlanCmdIfV2=0 sleep 50 open VorlanCmdIfV21=5 | hello "},
        {"E: -na -w:300", "cd service open-error=5 own key-a",
         "\r\nerror opening " + std::string(kVolume) + "\r\n" + kPress, 1, cdOpens,
         "sleep 100 sleep 300 sleep 100 flush " + Repeat("sleep 100 peek ", 20) +
             "sleep 100 2600 ms",
         base + "| " + opened},
        // The conversation ends before the wait, which asks with handles of its own.
        {"E: -na -r", "cd service", kLoading + Waited(60, " ready after 0 s (CDFS)"), 0,
         cdOpens + "poll verify fs ", "", base + talk},
        {"E: -na", "cd service control-error=1 config=2,0x20", kLoading + kHedged, 1,
         cdOpens + refused, "", base + talk},
        {"E: -na", "cd service slow", kLoading + Failed("SEM_TIMEOUT"), 1, cdOpens + refused, "",
         base + "cancel wait " + cut},
        // The second request gets the error that ended the conversation.
        {"E: -na", "fixed service reply-bytes=100", kVolumeE + Failed("INVALID_DATA"), 1,
         fixedOpens, "", base + cut},
        {"E: -na", "cd service reply-bytes=1064", kLoading + Failed("INVALID_DATA"), 1,
         cdOpens + refused, "", base + cut},
    });
}
