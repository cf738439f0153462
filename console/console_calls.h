// The program's seam in front of the console calls whose answers decide what
// the program does: who owns the console window, whether it is visible, and
// the colour call.
//
// Ownership decides whether the program waits before it ends, and a test
// machine never gives the program a console of its own; the colour call is
// here so tests can see which attributes are written, and that none are when
// output is redirected.
#pragma once
#include <windows.h>

struct ConsoleCalls {
    HWND (WINAPI* GetConsoleWindow)();
    DWORD (WINAPI* GetWindowThreadProcessId)(HWND window, LPDWORD processId);
    BOOL (WINAPI* IsWindowVisible)(HWND window);
    BOOL (WINAPI* SetConsoleTextAttribute)(HANDLE output, WORD attributes);
};

extern ConsoleCalls ConsoleCall;
extern const ConsoleCalls SystemConsoleCalls;
