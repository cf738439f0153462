// The bench's baseline: a program that does nothing, built and linked like
// Traywake (own entry point, no C runtime) and importing from the same three
// libraries, so that the bench compares Traywake's own work with the cost of
// starting such a process at all.
#include <windows.h>
#include <shlwapi.h>

extern "C" void TraywakeStart() {
    // Never true, but the compiler cannot know: the imports stay.
    volatile int never = 0;
    if (never) {
        CharUpperA(nullptr);
        StrChrA("", 0);
    }
    ExitProcess(0);
}
