// The program's seam in front of the console calls.
//
// Forwarding functions keep the table a load-time constant (see the device
// seam for why).
#include "console/console_calls.h"

static HWND WINAPI SystemGetConsoleWindow() {
    return GetConsoleWindow();
}

static int WINAPI SystemGetClassNameA(HWND window, LPSTR className, int maxChars) {
    return GetClassNameA(window, className, maxChars);
}

typedef DWORD(WINAPI* GetConsoleProcessListFunction)(LPDWORD, DWORD);

// Looked up when asked: Windows 2000 lacks it, and an import would keep the
// program from starting there.
static DWORD WINAPI SystemGetConsoleProcessList(LPDWORD processIds, DWORD maxCount) {
    GetConsoleProcessListFunction getConsoleProcessList =
        (GetConsoleProcessListFunction)(void*)GetProcAddress(GetModuleHandleA("kernel32.dll"),
                                                             "GetConsoleProcessList");
    if (!getConsoleProcessList) return 0;
    return getConsoleProcessList(processIds, maxCount);
}

static DWORD WINAPI SystemGetWindowThreadProcessId(HWND window, LPDWORD processId) {
    return GetWindowThreadProcessId(window, processId);
}

static HWND WINAPI SystemGetAncestor(HWND window, UINT flags) {
    return GetAncestor(window, flags);
}

static BOOL WINAPI SystemIsWindowVisible(HWND window) {
    return IsWindowVisible(window);
}

static BOOL WINAPI SystemGetConsoleScreenBufferInfo(HANDLE output,
                                                    PCONSOLE_SCREEN_BUFFER_INFO info) {
    return GetConsoleScreenBufferInfo(output, info);
}

static BOOL WINAPI SystemSetConsoleTextAttribute(HANDLE output, WORD attributes) {
    return SetConsoleTextAttribute(output, attributes);
}

static void WINAPI SystemSleep(DWORD milliseconds) {
    Sleep(milliseconds);
}

static DWORD WINAPI SystemGetTickCount() {
    return GetTickCount();
}

static DWORD WINAPI SystemWaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    return WaitForSingleObject(handle, milliseconds);
}

static BOOL WINAPI SystemReadConsoleInputA(HANDLE input, PINPUT_RECORD records, DWORD length,
                                           LPDWORD count) {
    return ReadConsoleInputA(input, records, length, count);
}

static BOOL WINAPI SystemPeekConsoleInputA(HANDLE input, PINPUT_RECORD records, DWORD length,
                                           LPDWORD count) {
    return PeekConsoleInputA(input, records, length, count);
}

static BOOL WINAPI SystemFlushConsoleInputBuffer(HANDLE input) {
    return FlushConsoleInputBuffer(input);
}

extern constexpr ConsoleCalls SystemConsoleCalls = {
    SystemGetConsoleWindow,
    SystemGetClassNameA,
    SystemGetConsoleProcessList,
    SystemGetWindowThreadProcessId,
    SystemGetAncestor,
    SystemIsWindowVisible,
    SystemGetConsoleScreenBufferInfo,
    SystemSetConsoleTextAttribute,
    SystemSleep,
    SystemGetTickCount,
    SystemWaitForSingleObject,
    SystemReadConsoleInputA,
    SystemPeekConsoleInputA,
    SystemFlushConsoleInputBuffer,
};

ConsoleCalls ConsoleCall = SystemConsoleCalls;
