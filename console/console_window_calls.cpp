// The program's seam in front of the console-window ownership calls.
//
// Forwarding functions keep the table a load-time constant (see the device
// seam for why).
#include "console/console_window_calls.h"

static HWND WINAPI SystemGetConsoleWindow() {
    return GetConsoleWindow();
}

static DWORD WINAPI SystemGetWindowThreadProcessId(HWND window, LPDWORD processId) {
    return GetWindowThreadProcessId(window, processId);
}

static BOOL WINAPI SystemIsWindowVisible(HWND window) {
    return IsWindowVisible(window);
}

extern constexpr ConsoleWindowCalls SystemConsoleWindowCalls = {
    SystemGetConsoleWindow,
    SystemGetWindowThreadProcessId,
    SystemIsWindowVisible,
};

ConsoleWindowCalls ConsoleWindow = SystemConsoleWindowCalls;
