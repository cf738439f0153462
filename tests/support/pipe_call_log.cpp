// A log of the pipe client's opens and sleeps.
#include "tests/support/pipe_call_log.h"

#include "service/pipe_calls.h"

PipeCallLog* PipeCallLog::current;

namespace {

HANDLE WINAPI LoggedOpen(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
                         DWORD flags, HANDLE templateFile) {
    PipeCallLog& log = *PipeCallLog::current;
    if ((flags & (SECURITY_SQOS_PRESENT | SECURITY_VALID_SQOS_FLAGS)) != (SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION) ||
        access != (GENERIC_READ | GENERIC_WRITE) || share || disposition != OPEN_EXISTING)
        log.faults.push_back(name);
    DWORD error = log.scriptedErrors.empty() ? 0 : log.scriptedErrors.front();
    if (!log.scriptedErrors.empty()) log.scriptedErrors.pop_front();
    HANDLE pipe = INVALID_HANDLE_VALUE;
    if (!error) pipe = SystemPipeCalls.CreateFileA(name, access, share, security, disposition, flags, templateFile);
    if (!error && pipe == INVALID_HANDLE_VALUE) error = GetLastError();
    log.calls += "open " + std::string(strrchr(name, '\\') + 1) + "=" + std::to_string(error) + " ";
    SetLastError(error);
    return pipe;
}

void WINAPI LoggedSleep(DWORD milliseconds) {
    PipeCallLog::current->calls += "sleep " + std::to_string(milliseconds) + " ";
    SystemPipeCalls.Sleep(milliseconds);
}

}  // namespace

PipeCallLog::PipeCallLog(std::deque<DWORD> errors) : scriptedErrors(std::move(errors)) {
    current = this;
    Pipe = {LoggedOpen, LoggedSleep};
}

PipeCallLog::~PipeCallLog() {
    Pipe = SystemPipeCalls;
    current = nullptr;
}
