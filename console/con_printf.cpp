// Formatted console output: the one way the program writes text.
//
// No console call is made here on purpose: redirected output must receive the
// very bytes the console would show.
#include "console/con_printf.h"
#include "base/memory.h"

char* LfToCrLf(char* text) {
    char work[kTextBufferSize];
    int out = 0;
    for (int in = 0; text[in] != 0; ++in) {
        BOOL bareLf = text[in] == '\n' && (in == 0 || text[in - 1] != '\r');
        BOOL crOfPair = text[in] == '\r' && text[in + 1] == '\n';
        int need = bareLf || crOfPair ? 2 : 1;
        // Keep one byte for the closing zero; stop rather than write half a pair.
        if (out + need > kTextBufferSize - 1) break;
        if (bareLf) work[out++] = '\r';
        work[out++] = text[in];
        if (crOfPair) work[out++] = text[++in];
    }
    work[out] = 0;
    CopyDwords(text, work, kTextBufferSize);
    return text;
}

int ConVPrintf(const char* format, va_list args) {
    char text[kTextBufferSize];
    wvsprintfA(text, format, args);
    LfToCrLf(text);
    DWORD written = 0;
    if (!WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, (DWORD)lstrlenA(text), &written, 0))
        return -1;
    return (int)written;
}

int ConPrintf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    int result = ConVPrintf(format, args);
    va_end(args);
    return result;
}
