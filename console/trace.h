// Levelled diagnostic lines, shown on the console and in the debugger output.
#pragma once
#include <windows.h>

// Lines with a level above this are formatted and dropped.
extern int TraceLevel;
// GetTickCount of the last line shown; 0 until the first one.
extern DWORD LastTraceTick;
// The formatted message of the latest Trace call, shown or not.
extern char TraceText[];
// The line last passed to the debugger output.
extern char TraceDebuggerLine[];

void Trace(int level, const char* format, ...);
