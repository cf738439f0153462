// The load command: from the argument list to the exit code.
//
// One linear run: console set-up, options, banner, drive resolution, device
// description, the refusal of what is already done, the open of the volume
// (or of the service that opens it for us), the two control requests, the
// outcome line and the wait before close. Every failure is reported here, at
// the step where it happens, and ends the run with its exit code.
#include "app/load_command.h"
#include "app/load_by_hand_hint.h"
#include "app/load_options.h"
#include "app/ready_wait.h"
#include "base/build_identity.h"
#include "base/memory.h"
#include "base/process_records.h"
#include "console/con_printf.h"
#include "console/console_calls.h"
#include "console/console_session.h"
#include "diag/error_names.h"
#include "diag/version_stamp.h"
#include "diag/windows_version.h"
#include "service/command_pipe_client.h"
#include "volume/describe_device.h"
#include "volume/device_calls.h"
#include "volume/media_probes.h"
#include "volume/resolve_drive.h"
#include <new>
#include <winioctl.h>

enum {
    kMinArgs = 2,
    kMaxArgsAccepted = 7,
    kOwnConsoleWaitMs = 2000,
    kOwnConsoleSettleMs = 100,
    kOwnConsoleFailureMs = 500,
};

static char OwnVolumePath[MAX_PATH];
// The banner names the build, not the system: it reads Win32 under WoW64 too.
static const char kPlatformLabel[8] = "Win32";

static const DWORD kShareReadWrite = FILE_SHARE_READ | FILE_SHARE_WRITE;

void PrintBanner() {
    ConPrintf("\nTraywake V%u.%u (%s) - loads a media into a drive or brings a volume online\n",
              OwnVersion.major, OwnVersion.minor, kPlatformLabel);
    ConPrintf("%s\n", kWebAddress);
}

// All a user at a prompt has: every option and the exit codes, in lines
// that fit a console 80 columns wide.
void PrintUsage() {
    ConPrintf(
        "\nUsage:\n"
        "Traywake DriveSpec [-na][-w:nnnn] [-F] [-r[:sss]]\n"
        "\n"
        "DriveSpec is the drive whose media to load, e.g. D:\n"
        "  or a mounted folder (C:\\mnt\\card), a volume GUID path (\\\\?\\Volume{...}),\n"
        "  \\ (the volume of Traywake.exe) or . (the volume of the current directory)\n"
        "-na  no about info\n"
        "-w:nnnn  wait nnnn milliseconds before close\n"
        "-F  load even when the media is loaded and the volume online\n"
        "-r[:sss]  then wait up to sss seconds (default 60) until the media is ready\n"
        "Exit code: 0 success, 1 failure, 2 nothing done, 3 not ready (with -r)\n"
        "\n");
}

static void PrintAbort(const char* format, const char* text) {
    Console->SetTextColor(kColorYellow);
    ConPrintf(format, text);
    Console->SetTextColor(kColorRestore);
}

// After a failure the user gets a moment to read it before a console window
// of the program's own would close.
static void FailurePause(const LoadOptions& options) {
    if (options.waitMs > 0)
        ConsoleCall.Sleep((DWORD)options.waitMs);
    else if (Console->IsOwnConsole())
        ConsoleCall.Sleep(kOwnConsoleFailureMs);
}

static int ShowUsage(BOOL withBanner) {
    if (withBanner) PrintBanner();
    PrintUsage();
    Console->Wait4KeyIfStartedStandalone();
    return kExitNothingDone;
}

static void FindOwnVolume() {
    OwnVolumeName[0] = 0;
    if (Device.GetVolumePathNameA(Console->m_szModulePath, OwnVolumePath, MAX_PATH) &&
        !Device.GetVolumeNameForVolumeMountPointA(OwnVolumePath, OwnVolumeName, kOwnVolumeChars))
        OwnVolumeName[0] = 0;
}

static HANDLE OpenVolume(const char* volumeDevicePath, DWORD access) {
    return Device.CreateFileA(volumeDevicePath, access, kShareReadWrite, 0, OPEN_EXISTING, 0, 0);
}

// Opens m_hVol for reading and writing, else for reading. Returns whether
// the first refusal said the device is gone, which makes an optical drive's
// progress line speak of a volume.
static BOOL OpenVolumeHandle(const char* volumeDevicePath) {
    BOOL deviceGone = FALSE;
    m_hVol = OpenVolume(volumeDevicePath, GENERIC_READ | GENERIC_WRITE);
    if (m_hVol == INVALID_HANDLE_VALUE) {
        deviceGone = GetLastError() == ERROR_DEV_NOT_EXIST;
        m_hVol = OpenVolume(volumeDevicePath, GENERIC_READ);
    }
    return deviceGone;
}

static void ReleaseServiceClient() {
    FreeBlock(ServiceClient);
    ServiceClient = 0;
}

static void CloseVolumeAndService() {
    if (IsValidHandle(m_hVol)) Device.CloseHandle(m_hVol);
    m_hVol = INVALID_HANDLE_VALUE;
    if (ServiceClient) {
        ServiceClient->Disconnect();
        ReleaseServiceClient();
    }
}

// The two requests, always both: a drive may take the load request and a
// volume the online request, and either one means success. Not so for an
// optical drive, whose driver takes every online request: there the load
// request alone decides, and its error is the one named. A drive that had a
// medium in before refuses the load with its tray shut: nothing to do by hand.
static int LoadAndBringOnline(const char* volumeDevicePath, const char* shownName, DWORD loadCode,
                              UINT driveType, BOOL mediumWasIn, const LoadOptions& options) {
    BOOL loaded = SendVolumeControl(loadCode);
    DWORD loadError = GetLastError();
    BOOL online = SendVolumeControl(IOCTL_VOLUME_ONLINE);
    BOOL success = loaded || online;
    if (driveType == DRIVE_CDROM) {
        success = loaded;
        SetLastError(loadError);
    }
    int exitCode = success ? kExitSuccess : kExitFailed;
    const char* word = success ? "success" : "failed";
    WORD color = success ? kColorGreen : kColorRed;
    if (success) {
        ConPrintf(" OK\n");
    } else {
        ConPrintf(" err=%s\n", LastErrorName());
        if (driveType == DRIVE_CDROM && !mediumWasIn)
            PrintLoadByHandHint(volumeDevicePath, loadError);
    }
    if (success && options.readySeconds) {
        // The wait asks with handles of its own; the service is done with.
        CloseVolumeAndService();
        exitCode = WaitUntilReady(volumeDevicePath, driveType, shownName, options.readySeconds,
                                  &word, &color);
    }
    Console->SetTextColor(color);
    ConPrintf("%s", word);
    Console->SetTextColor(kColorRestore);
    CloseVolumeAndService();
    Console->SetTextColor(kColorRestore);
    ConPrintf("\n\n");
    if (options.waitMs > 0) Console->SleepOrKeyIfVisible((DWORD)options.waitMs);
    return exitCode;
}

static int LoadVolume(const char* driveSpec, const LoadOptions& options) {
    char volumeName[kPathChars];
    char displayName[kPathChars];
    volumeName[0] = 0;
    displayName[0] = 0;
    ResolveDriveSpec(driveSpec, volumeName, displayName);
    UINT driveType = Device.GetDriveTypeA(volumeName);
    char volumeDevicePath[kPathChars];
    lstrcpynA(volumeDevicePath, volumeName, kVolumeDevicePathChars + 1);
    if (volumeName[0] == 0) {
        PrintAbort("invalid drive %s - abort\n\n", displayName);
        FailurePause(options);
        return kExitFailed;
    }

    char description[kDescriptionChars];
    DescribeVolumeDevice(volumeDevicePath, driveType, description);

    BOOL isMediaDrive = driveType == DRIVE_CDROM || driveType == DRIVE_REMOVABLE;
    BOOL present = IsMediaPresent(volumeDevicePath, driveType);
    BOOL mounted = present && IsVolumeMounted(volumeDevicePath);
    if (!options.force && present && mounted) {
        PrintAbort("%s", isMediaDrive ? "Media already loaded - abort\n"
                                      : "Volume already online - abort\n");
        Console->Wait4KeyIfStartedStandalone();
        return kExitNothingDone;
    }

    // Held until the volume is open with more access or the service has it:
    // without either, the requests go through this handle.
    HANDLE hVolInfo = OpenVolume(volumeDevicePath, 0);
    if (hVolInfo == INVALID_HANDLE_VALUE) {
        ConPrintf("\n");
        PrintAbort("%s", "cannot open the drive - abort\n");
        FailurePause(options);
        Console->Wait4KeyIfStartedStandalone();
        return kExitFailed;
    }

    DWORD loadCode = IOCTL_STORAGE_LOAD_MEDIA;
    BOOL deviceGone = OpenVolumeHandle(volumeDevicePath);
    if (m_hVol == INVALID_HANDLE_VALUE) {
        // Not ours to open: the service opens it and sends the requests for us.
        ServiceClient = new (AllocZeroed(sizeof(CommandPipeClient))) CommandPipeClient;
        if (!ServiceClient->Connect()) {
            // No service to ask: the handle we have takes the load request
            // meant for it (the first load request needs read access, this
            // one none), and the online request is refused by name.
            ReleaseServiceClient();
            m_hVol = hVolInfo;
            hVolInfo = INVALID_HANDLE_VALUE;
            loadCode = IOCTL_STORAGE_LOAD_MEDIA2;
        } else if (!ServiceClient->SendCommand(PIPE_CMD_OPEN_VOLUME, 0, volumeDevicePath, 0)) {
            Device.CloseHandle(hVolInfo);
            ConPrintf("\nerror opening %s\n", volumeDevicePath);
            // No goodbye: the service sees the pipe break and drops the conversation.
            ServiceClient->EndWithoutGoodbye();
            ReleaseServiceClient();
            FailurePause(options);
            Console->Wait4KeyIfStartedStandalone();
            return kExitFailed;
        }
    }
    if (hVolInfo != INVALID_HANDLE_VALUE) Device.CloseHandle(hVolInfo);

    ConPrintf(!deviceGone && isMediaDrive ? "Loading media into %s (%s)..."
                                          : "Bring volume %s online (%s)...",
              displayName, description);
    return LoadAndBringOnline(volumeDevicePath, displayName[0] ? displayName : volumeName, loadCode,
                              driveType, present, options);
}

int RunLoadCommand(int argc, char** args) {
    ConsoleSession session;
    Console = &session;
    ProbeWindowsVersion(&OsVersion);
    ReadModulePath(OwnModulePath);
    ReadVersionStamp(&OwnVersion);
    FindOwnVolume();

    // Windows 9x and NT4 refuse to start the program (it imports functions
    // they lack); the 9x family is seen here only under a compatibility mode
    // for Windows 95, 98 or ME.
    if (!OsVersion.isNT) {
        ConPrintf(
            "Traywake - works under Windows 2000, XP, Server 2003, Vista and higher only - "
            "abort\n\n");
        session.Wait4KeyIfStartedStandalone();
        return kExitNothingDone;
    }
    if (argc < kMinArgs || argc > kMaxArgsAccepted) return ShowUsage(TRUE);
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);

    LoadOptions options;
    InitLoadOptions(&options);
    if (!ParseLoadOptions(argc, args, &options)) return ShowUsage(TRUE);
    if (!options.noAbout) PrintBanner();
    if (options.waitMs == kWaitNotGiven)
        options.waitMs = session.IsOwnConsole() ? kOwnConsoleWaitMs : 0;

    char driveSpec[kPathChars];
    lstrcpynA(driveSpec, args[1], kPathChars);
    CharUpperA(driveSpec);
    if (session.IsOwnConsole()) ConsoleCall.Sleep(kOwnConsoleSettleMs);
    if (driveSpec[0] == '-' || driveSpec[0] == '/') return ShowUsage(options.noAbout);
    return LoadVolume(driveSpec, options);
}
