// Waiting, after a successful load, until the medium can be read (-r).
//
// A drive with removable media is asked every half second whether its
// medium is ready; once it is, the volume must name its file system. A
// volume of any other drive is ready when its file system answers. Each poll
// sleeps between questions and a pending question is cancelled at the
// deadline, so the wait costs no processor time. A driver in the middle of a
// retry may finish it before the cancel takes (the cdrom driver sleeps up to
// 10 s between retries), so on such a drive the wait may end up to about 10 s
// after its limit; the time it reports never goes past the limit. A key (as
// for -w) or Ctrl+C ends it early.
#include "app/ready_wait.h"
#include "app/exit_codes.h"
#include "app/load_by_hand_hint.h"
#include "base/system_codes.h"
#include "console/con_printf.h"
#include "console/console_calls.h"
#include "console/console_session.h"
#include "console/key_waits.h"
#include "diag/error_names.h"
#include "volume/device_calls.h"
#include "volume/ready_check.h"

enum {
    kReadyPollMs = 500,
    kAnsweredPollMs = 100,  // how often a pending question is looked at
    // Some drives say "no medium" before "becoming ready" after the tray closes.
    kNoMediumGraceMs = 5000,
    kGoneOpensInRow = 2,
};

enum PollVerdict {
    kPollAgain,
    kPollAgainAtOnce,
    kPollReady,
    kPollNoMedium,
    kPollUnreadable,
    kPollGone,
    kPollStopped,
    kPollTimedOut,
};

struct ReadyWait {
    const char* volumeDevicePath;
    BOOL asksDrive;
    DWORD start;
    DWORD limitMs;
    LastNtStatusFunction lastNtStatus;  // looked up once, before the first check
    int goneOpens;
    DWORD error;           // the latest error seen, named when the wait fails
    BOOL lacksFileSystem;  // the volume answered, without a file system it knows
    char fileSystem[kFileSystemNameChars];
};

static DWORD ElapsedMs(const ReadyWait& wait) {
    return ConsoleCall.GetTickCount() - wait.start;
}

static DWORD AtMost(DWORD value, DWORD limit) {
    return value < limit ? value : limit;
}

// Sleeps up to sliceMs, never past the deadline: kPollAgain after it, else
// why the wait ends (the time is up, or a key or Ctrl+C stopped it).
static PollVerdict SleepWithinDeadline(const ReadyWait& wait, DWORD sliceMs) {
    DWORD elapsed = ElapsedMs(wait);
    if (elapsed >= wait.limitMs) return kPollTimedOut;
    DWORD left = wait.limitMs - elapsed;
    return SleepUnlessStopped(AtMost(left, sliceMs)) ? kPollStopped : kPollAgain;
}

static BOOL IsGoneError(DWORD error) {
    return error == ERROR_DEV_NOT_EXIST || error == ERROR_FILE_NOT_FOUND ||
           error == ERROR_PATH_NOT_FOUND || error == ERROR_NO_SUCH_DEVICE;
}

// The volume's file system. A drive with removable media whose disc has
// none (a blank disc in a burner) is ready all the same, and so is a drive
// that said ready while another program's handle holds its disc mounted as
// RAW, whose root then calls the question an invalid parameter.
static PollVerdict CheckVolume(ReadyWait* wait, BOOL driveSaidReady) {
    if (ReadFileSystemName(wait->volumeDevicePath, wait->fileSystem)) return kPollReady;
    wait->error = GetLastError();
    wait->lacksFileSystem = wait->error == ERROR_UNRECOGNIZED_VOLUME;
    if (wait->lacksFileSystem && wait->asksDrive) return kPollReady;
    if (driveSaidReady && wait->error == ERROR_INVALID_PARAMETER) return kPollReady;
    return kPollAgain;
}

static PollVerdict AskDrive(ReadyWait* wait) {
    ReadyCheck check;
    if (!StartReadyCheck(wait->volumeDevicePath, wait->lastNtStatus, &check)) {
        wait->error = GetLastError();
        wait->goneOpens = IsGoneError(wait->error) ? wait->goneOpens + 1 : 0;
        return wait->goneOpens >= kGoneOpensInRow ? kPollGone : kPollAgain;
    }
    wait->goneOpens = 0;
    PollVerdict verdict = kPollAgain;
    while (verdict == kPollAgain && !IsReadyCheckAnswered(&check))
        verdict = SleepWithinDeadline(*wait, kAnsweredPollMs);
    DWORD error = 0;
    LONG status = FinishReadyCheck(&check, &error);
    if (error == ERROR_SUCCESS) {
        // Also when the answer came while the check was being given up.
        PollVerdict volume = CheckVolume(wait, TRUE);
        return volume == kPollAgain ? verdict : volume;
    }
    if (verdict != kPollAgain) return verdict;
    wait->error = error;
    if (status == STATUS_NO_MEDIA_IN_DEVICE)
        return ElapsedMs(*wait) < kNoMediumGraceMs ? kPollAgain : kPollNoMedium;
    switch (error) {
    case ERROR_MEDIA_CHANGED:
        return kPollAgainAtOnce;
    case ERROR_UNRECOGNIZED_MEDIA:
    case ERROR_CRC:
        return kPollUnreadable;
    case ERROR_INVALID_FUNCTION:
    case ERROR_NOT_SUPPORTED:
        // A drive that cannot be asked: its volume answers instead.
        return CheckVolume(wait, FALSE);
    default:
        // Not ready yet, or another program holds the drive for a moment.
        return kPollAgain;
    }
}

static PollVerdict Poll(ReadyWait* wait) {
    if (ElapsedMs(*wait) >= wait->limitMs) return kPollTimedOut;
    return wait->asksDrive ? AskDrive(wait) : CheckVolume(wait, FALSE);
}

static PollVerdict WaitForVerdict(ReadyWait* wait) {
    for (;;) {
        PollVerdict verdict = Poll(wait);
        if (verdict == kPollAgainAtOnce) continue;
        if (verdict != kPollAgain) return verdict;
        verdict = SleepWithinDeadline(*wait, kReadyPollMs);
        if (verdict != kPollAgain) return verdict;
    }
}

int WaitUntilReady(const char* volumeDevicePath, UINT driveType, const char* displayName,
                   DWORD seconds, const char** word, WORD* color) {
    ConPrintf("Waiting until %s is ready (up to %u s)...", displayName, seconds);
    ReadyWait wait;
    wait.volumeDevicePath = volumeDevicePath;
    wait.asksDrive = driveType == DRIVE_CDROM || driveType == DRIVE_REMOVABLE;
    wait.limitMs = seconds * 1000;
    wait.lastNtStatus = Device.FindLastNtStatus();
    wait.goneOpens = 0;
    wait.error = ERROR_NOT_READY;
    wait.lacksFileSystem = FALSE;
    // Keys typed before the wait do not end it, nor does an earlier Ctrl+C.
    if (IsConsoleVisible()) ConsoleCall.FlushConsoleInputBuffer(GetStdHandle(STD_INPUT_HANDLE));
    StopRequested = FALSE;
    StoppableWaitRuns = TRUE;
    wait.start = ConsoleCall.GetTickCount();
    PollVerdict verdict = WaitForVerdict(&wait);
    StoppableWaitRuns = FALSE;
    // A slow cancel may end the wait past its limit, which it never reports.
    DWORD elapsedSeconds = AtMost(ElapsedMs(wait), wait.limitMs) / 1000;

    *word = "not ready";
    *color = kColorYellow;
    switch (verdict) {
    case kPollReady:
        ConPrintf(" ready after %u s (%s)\n", elapsedSeconds,
                  wait.fileSystem[0] ? wait.fileSystem : "no file system");
        *word = "success";
        *color = kColorGreen;
        return kExitSuccess;
    case kPollGone:
        ConPrintf(" drive gone err=%s\n", ErrorName(wait.error));
        *word = "failed";
        *color = kColorRed;
        return kExitFailed;
    case kPollNoMedium:
        ConPrintf(" no medium\n");
        if (driveType == DRIVE_CDROM) PrintLoadByHandHint(volumeDevicePath, ERROR_SUCCESS);
        break;
    case kPollUnreadable:
        ConPrintf(" unreadable medium err=%s\n", ErrorName(wait.error));
        break;
    case kPollStopped:
        ConPrintf(" stopped after %u s\n", elapsedSeconds);
        break;
    default:
        if (wait.lacksFileSystem)
            ConPrintf(" no file system\n");
        else
            ConPrintf(" not ready after %u s err=%s\n", elapsedSeconds, ErrorName(wait.error));
    }
    return kExitNotReady;
}
