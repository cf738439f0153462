// Levelled diagnostic lines, shown on the console and in the debugger output.
//
// The message is formatted before the level test, so a suppressed call still
// leaves its text in TraceText. The debugger copy carries the milliseconds
// since the previous shown line, which makes slow steps visible in a debugger.
#include "console/trace.h"
#include "console/con_printf.h"

int TraceLevel = 1;
DWORD LastTraceTick = 0;
char TraceText[kTextBufferSize];
char TraceDebuggerLine[kTextBufferSize];

void Trace(int level, const char* format, ...) {
    va_list args;
    va_start(args, format);
    wvsprintfA(TraceText, format, args);
    va_end(args);
    if (level > TraceLevel) return;

    DWORD now = GetTickCount();
    DWORD elapsed = now - LastTraceTick;
    LastTraceTick = now;
    ConPrintf("\n%s", TraceText);
    if (wsprintfA(TraceDebuggerLine, "\n[Quillet] %4i: %s\n", (int)elapsed, TraceText) > 0)
        OutputDebugStringA(TraceDebuggerLine);
}
