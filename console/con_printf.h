// Formatted console output: the one way the program writes text.
//
// Text is formatted by the user32 formatter into a 1024-byte buffer, bare line
// feeds become CR LF, and the bytes go to whatever standard output is at the
// time of the call (console, file or pipe alike).
#pragma once
#include <windows.h>

enum { kTextBufferSize = 1024 };

int ConPrintf(const char* format, ...);
int ConVPrintf(const char* format, va_list args);

// Expands bare LFs to CR LF in place in a kTextBufferSize buffer. Text that
// would not fit after expansion is cut; a CR LF pair is never split.
char* LfToCrLf(char* text);
