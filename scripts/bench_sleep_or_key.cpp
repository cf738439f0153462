// Bench: how much processor time a 2000 ms SleepOrKey with no key uses. The
// wait polls; it must not spin, whether standard input is a console or not.
#include "base/memory.h"
#include "console/key_waits.h"

#include <windows.h>

#include <cstdio>

static ULONGLONG ProcessCpu100ns() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    ULARGE_INTEGER k = {{kernel.dwLowDateTime, kernel.dwHighDateTime}};
    ULARGE_INTEGER u = {{user.dwLowDateTime, user.dwHighDateTime}};
    return k.QuadPart + u.QuadPart;
}

int main() {
    ProcessHeap = GetProcessHeap();
    DWORD mode = 0;
    const char* input = GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) ? "a console" : "not a console";
    ULONGLONG cpuBefore = ProcessCpu100ns();
    DWORD start = GetTickCount();
    SleepOrKey(2000);
    DWORD wall = GetTickCount() - start;
    double cpuMs = (ProcessCpu100ns() - cpuBefore) / 10000.0;
    std::printf("SleepOrKey(2000), standard input %s: %.1f ms processor time in %lu ms (%.2f%%; goal < 5%%)\n",
                input, cpuMs, (unsigned long)wall, 100.0 * cpuMs / wall);
    return 0;
}
