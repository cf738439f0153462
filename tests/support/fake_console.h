// A scripted stand-in for the console seam: a console window that is or is
// not visible and the program's own, the screen's attributes, a clock that
// only sleeps and waits move, and keys that arrive at chosen ticks.
//
// Every attribute the program sets is written into standard output as
// "{X}" (hexadecimal), so captured output shows each colour where it falls.
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
    FakeConsole(const FakeConsole&) = delete;
    FakeConsole& operator=(const FakeConsole&) = delete;

    // Queues a key record that arrives at the given clock tick.
    void Type(DWORD tick, bool down, WORD virtualKey, char character = 0, DWORD state = 0);
    size_t Due() const;  // records in the queue by now

    bool visible, ownedByUs;
    WORD attributes;
    bool inputIsConsole = true;  // false: waits are signalled, reads fail
    DWORD start = 0xFFFFF000;    // near the wrap of the tick count
    DWORD now = start;
    std::deque<std::pair<DWORD, INPUT_RECORD>> input;
    std::string calls;  // "sleep N ", "flush ", "peek " in order
    static FakeConsole* current;
};
