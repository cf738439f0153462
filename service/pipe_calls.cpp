// The program's seam in front of the pipe opens and the client's sleeps.
//
// Forwarding functions keep the table a load-time constant (see the device
// seam for why).
#include "service/pipe_calls.h"

static HANDLE WINAPI SystemOpenPipe(LPCSTR name, DWORD access, DWORD share,
                                    LPSECURITY_ATTRIBUTES security, DWORD disposition, DWORD flags,
                                    HANDLE templateFile) {
    return CreateFileA(name, access, share, security, disposition, flags, templateFile);
}

static void WINAPI SystemSleep(DWORD milliseconds) {
    Sleep(milliseconds);
}

static BOOL WINAPI SystemCancelIo(HANDLE pipe) {
    return CancelIo(pipe);
}

static BOOL WINAPI SystemGetOverlappedResult(HANDLE pipe, LPOVERLAPPED overlapped,
                                             LPDWORD transferred, BOOL wait) {
    return GetOverlappedResult(pipe, overlapped, transferred, wait);
}

extern constexpr PipeCalls SystemPipeCalls = {SystemOpenPipe, SystemSleep, SystemCancelIo,
                                              SystemGetOverlappedResult};

PipeCalls Pipe = SystemPipeCalls;
