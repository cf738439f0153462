// The program's seam in front of the console calls whose answers decide what
// the program does: which host the console window belongs to, who owns it,
// which processes share the console and whether the window or its owner is visible,
// what the screen's colours are, the colour call, the clock and sleeps of the
// waits, and the reads of console input.
//
// A test machine never gives the program a console of its own, a key press at
// a chosen moment or a clock it can step; tests script those here and see
// every colour written and every pause taken. All decisions stay above it.
#pragma once
#include <windows.h>

struct ConsoleCalls {
    HWND(WINAPI* GetConsoleWindow)();
    int(WINAPI* GetClassNameA)(HWND window, LPSTR className, int maxChars);
    // 0 where the system does not have it (Windows 2000).
    DWORD(WINAPI* GetConsoleProcessList)(LPDWORD processIds, DWORD maxCount);
    DWORD(WINAPI* GetWindowThreadProcessId)(HWND window, LPDWORD processId);
    HWND(WINAPI* GetAncestor)(HWND window, UINT flags);
    BOOL(WINAPI* IsWindowVisible)(HWND window);
    BOOL(WINAPI* GetConsoleScreenBufferInfo)(HANDLE output, PCONSOLE_SCREEN_BUFFER_INFO info);
    BOOL(WINAPI* SetConsoleTextAttribute)(HANDLE output, WORD attributes);
    void(WINAPI* Sleep)(DWORD milliseconds);
    DWORD(WINAPI* GetTickCount)();
    DWORD(WINAPI* WaitForSingleObject)(HANDLE handle, DWORD milliseconds);
    BOOL(WINAPI* ReadConsoleInputA)
    (HANDLE input, PINPUT_RECORD records, DWORD length, LPDWORD count);
    BOOL(WINAPI* PeekConsoleInputA)
    (HANDLE input, PINPUT_RECORD records, DWORD length, LPDWORD count);
    BOOL(WINAPI* FlushConsoleInputBuffer)(HANDLE input);
};

extern ConsoleCalls ConsoleCall;
extern const ConsoleCalls SystemConsoleCalls;
