// The program's seam in front of the pipe opens and the client's sleeps.
//
// A real service shows whether the base pipe was busy, but not how many
// attempts the client made or how long it slept between them; tests count
// and script those here and pass everything else on to the real calls.
#pragma once
#include <windows.h>

struct PipeCalls {
    HANDLE(WINAPI* CreateFileA)
    (LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
     DWORD flags, HANDLE templateFile);
    void(WINAPI* Sleep)(DWORD milliseconds);
};

extern PipeCalls Pipe;
extern const PipeCalls SystemPipeCalls;
