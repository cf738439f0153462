// A scripted stand-in for the console seam: a console window that is or is
// not visible and is or is not the program's own, and a log of the
// attributes the program writes.
#pragma once
#include <windows.h>

#include <vector>

class FakeConsole {
public:
    FakeConsole(bool visible, bool ownedByUs);
    ~FakeConsole();
    FakeConsole(const FakeConsole&) = delete;
    FakeConsole& operator=(const FakeConsole&) = delete;

    bool visible;
    bool ownedByUs;
    std::vector<WORD> attributesWritten;
    static FakeConsole* current;
};
