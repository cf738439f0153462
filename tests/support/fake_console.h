// A scripted stand-in for the console seam: a window that is or is not visible
// and the program's own, the screen's attributes, a clock that only sleeps and
// waits move, and keys that arrive at chosen ticks. Each attribute set is
// written into standard output as "{X}", so captured output shows every colour.
#pragma once
#include <windows.h>

#include <deque>
#include <string>
#include <utility>

class FakeConsole {
public:
    // attributes 0: output is not a console (the screen cannot be read).
    FakeConsole(bool visible, bool ownedByUs, WORD attributes = 0x07);
    ~FakeConsole();
    void Type(DWORD tick, bool down, WORD virtualKey, char character = 0, DWORD state = 0);
    size_t Due() const;  // records in the queue by now

    bool visible, ownedByUs, inputIsConsole = true;  // not a console: waits are signalled, reads fail
    WORD attributes;
    DWORD start = 0xFFFFF000, now = start;  // near the wrap of the tick count
    std::deque<std::pair<DWORD, INPUT_RECORD>> input;
    std::string calls;  // "sleep N ", "flush ", "peek " in order
    static FakeConsole* current;
};
