// A log of the pipe client's opens and sleeps, passed on to the real calls.
#include "tests/support/pipe_call_log.h"

#include "service/pipe_calls.h"

PipeCallLog* PipeCallLog::current;

namespace {

HANDLE WINAPI LoggedOpen(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                         DWORD disposition, DWORD flags, HANDLE templateFile) {
    PipeCallLog* log = PipeCallLog::current;
    if (log->scriptedBusyOpens > 0) {
        --log->scriptedBusyOpens;
        log->opens.push_back({name, ERROR_PIPE_BUSY, flags});
        SetLastError(ERROR_PIPE_BUSY);
        return INVALID_HANDLE_VALUE;
    }
    HANDLE pipe = SystemPipeCalls.CreateFileA(name, access, share, security, disposition, flags, templateFile);
    DWORD error = pipe == INVALID_HANDLE_VALUE ? GetLastError() : 0;
    log->opens.push_back({name, error, flags});
    SetLastError(error);
    return pipe;
}

void WINAPI LoggedSleep(DWORD milliseconds) {
    PipeCallLog::current->sleeps.push_back(milliseconds);
    SystemPipeCalls.Sleep(milliseconds);
}

}  // namespace

PipeCallLog::PipeCallLog(int busyOpens) : scriptedBusyOpens(busyOpens) {
    current = this;
    Pipe = {LoggedOpen, LoggedSleep};
}

PipeCallLog::~PipeCallLog() {
    Pipe = SystemPipeCalls;
    current = nullptr;
}
