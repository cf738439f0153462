// Bench: how much processor time the waits use. A 2000 ms SleepOrKey with no
// key, and a 10 s wait until ready on a drive whose check never answers; both
// must poll and sleep, not spin, whether standard input is a console or not.
#include "app/ready_wait.h"
#include "base/memory.h"
#include "console/key_waits.h"
#include "volume/device_calls.h"

#include <windows.h>

#include <cstdio>

static ULONGLONG ProcessCpu100ns() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    ULARGE_INTEGER k = {{kernel.dwLowDateTime, kernel.dwHighDateTime}};
    ULARGE_INTEGER u = {{user.dwLowDateTime, user.dwHighDateTime}};
    return k.QuadPart + u.QuadPart;
}

// A drive whose medium check is held by its driver until it is cancelled.
static HANDLE WINAPI OpenHeldDrive(LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD,
                                   HANDLE) {
    return (HANDLE)0x1234;
}

static BOOL WINAPI HoldCheck(HANDLE, DWORD, LPVOID, DWORD, LPVOID, DWORD, LPDWORD, LPOVERLAPPED) {
    SetLastError(ERROR_IO_PENDING);
    return FALSE;
}

static BOOL WINAPI CheckResult(HANDLE, LPOVERLAPPED, LPDWORD, BOOL wait) {
    SetLastError(wait ? ERROR_OPERATION_ABORTED : ERROR_IO_INCOMPLETE);
    return FALSE;
}

static BOOL WINAPI Done(HANDLE) {
    return TRUE;
}

static LastNtStatusFunction WINAPI NoStatusLookup() {
    return nullptr;
}

static void Report(const char* what, const char* input, ULONGLONG cpuBefore, DWORD start) {
    DWORD wall = GetTickCount() - start;
    double cpuMs = (ProcessCpu100ns() - cpuBefore) / 10000.0;
    std::printf("%s, standard input %s: %.1f ms processor time in %lu ms (%.2f%%; goal < 5%%)\n",
                what, input, cpuMs, (unsigned long)wall, 100.0 * cpuMs / wall);
}

int main() {
    ProcessHeap = GetProcessHeap();
    DWORD mode = 0;
    const char* input =
        GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) ? "a console" : "not a console";
    ULONGLONG cpuBefore = ProcessCpu100ns();
    DWORD start = GetTickCount();
    SleepOrKey(2000);
    Report("SleepOrKey(2000)", input, cpuBefore, start);

    Device.CreateFileA = OpenHeldDrive;
    Device.DeviceIoControl = HoldCheck;
    Device.GetOverlappedResult = CheckResult;
    Device.CancelIo = Done;
    Device.CloseHandle = Done;
    Device.FindLastNtStatus = NoStatusLookup;
    const char* word = 0;
    WORD color = 0;
    cpuBefore = ProcessCpu100ns();
    start = GetTickCount();
    WaitUntilReady("\\\\?\\Volume{bench}", DRIVE_CDROM, "D:\\", 10, &word, &color);
    std::printf("\n");
    Report("wait until ready (10 s)", input, cpuBefore, start);
    return 0;
}
