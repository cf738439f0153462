// The program's seam in front of the calls that decide who owns the console
// window and whether it is visible.
//
// Those answers decide whether the program waits before it ends; tests
// replace them to stand for a console of the program's own, which no test
// machine gives.
#pragma once
#include <windows.h>

struct ConsoleWindowCalls {
    HWND (WINAPI* GetConsoleWindow)();
    DWORD (WINAPI* GetWindowThreadProcessId)(HWND window, LPDWORD processId);
    BOOL (WINAPI* IsWindowVisible)(HWND window);
};

extern ConsoleWindowCalls ConsoleWindow;
extern const ConsoleWindowCalls SystemConsoleWindowCalls;
