// What the program knows about its console, and the colour and wait
// operations that work on it.
#pragma once
#include <windows.h>

enum : WORD {
    kColorRestore = 0,
    kColorGreen = 10,
    kColorRed = 12,
    kColorYellow = 14,
};

struct ConsoleSession {
    char m_szModulePath[MAX_PATH];
    HANDLE m_hOutput;
    HANDLE m_hInput;
    WORD m_wSavedAttributes;

    ConsoleSession();
    void SetTextColor(WORD color);
    BOOL IsOwnConsole();
    DWORD SleepOrKeyIfVisible(DWORD milliseconds);
    void Wait4KeyIfStartedStandalone();
};

// The session of this run, for the colour and wait operations.
extern ConsoleSession* Console;

// While a wait that Ctrl+C may end runs, Ctrl+C and Ctrl+Break set
// StopRequested; at any other time they do nothing.
extern volatile LONG StoppableWaitRuns;
extern volatile LONG StopRequested;

// Whether the user sees the console: its window is visible, or it is a
// pseudo console whose terminal shows a window.
BOOL IsConsoleVisible();
// The attributes SetTextColor writes for a colour, given the saved ones.
WORD ColorAttributes(WORD savedAttributes, WORD color);
BOOL WINAPI CtrlHandler(DWORD controlType);
