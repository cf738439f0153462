// The program's seam in front of the console ownership and colour calls.
//
// Forwarding functions keep the table a load-time constant (see the device
// seam for why).
#include "console/console_calls.h"

static HWND WINAPI SystemGetConsoleWindow() {
    return GetConsoleWindow();
}

static DWORD WINAPI SystemGetWindowThreadProcessId(HWND window, LPDWORD processId) {
    return GetWindowThreadProcessId(window, processId);
}

static BOOL WINAPI SystemIsWindowVisible(HWND window) {
    return IsWindowVisible(window);
}

static BOOL WINAPI SystemSetConsoleTextAttribute(HANDLE output, WORD attributes) {
    return SetConsoleTextAttribute(output, attributes);
}

extern constexpr ConsoleCalls SystemConsoleCalls = {
    SystemGetConsoleWindow,
    SystemGetWindowThreadProcessId,
    SystemIsWindowVisible,
    SystemSetConsoleTextAttribute,
};

ConsoleCalls ConsoleCall = SystemConsoleCalls;
