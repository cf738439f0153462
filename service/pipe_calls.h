// The program's seam in front of the pipe opens, the client's sleeps and the
// end of a transfer that ran out of time.
//
// A real service shows whether the base pipe was busy, but not how many
// attempts the client made, how long it slept between them, or whether it
// waited for a cancelled transfer to end before its buffer went away; tests
// count and script those here and pass everything else on to the real calls.
#pragma once
#include <windows.h>

struct PipeCalls {
    HANDLE(WINAPI* CreateFileA)
    (LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
     DWORD flags, HANDLE templateFile);
    void(WINAPI* Sleep)(DWORD milliseconds);
    BOOL(WINAPI* CancelIo)(HANDLE pipe);
    BOOL(WINAPI* GetOverlappedResult)
    (HANDLE pipe, LPOVERLAPPED overlapped, LPDWORD transferred, BOOL wait);
};

extern PipeCalls Pipe;
extern const PipeCalls SystemPipeCalls;
