// The client end of the VORLAN service's command pipe.
//
// Pipes are opened for overlapped I/O only so that each read and write can be
// bounded in time; the conversation itself is strictly one message after the
// other. A call that fails, runs out of time or brings a reply of the wrong
// size ends the conversation: a reply still on its way could otherwise be
// read as the answer to the next request. Pipes are opened at identification
// level, so a process that squats on the pipe name cannot act with the rights
// of the (often elevated) user.
#include "service/command_pipe_client.h"
#include "service/pipe_calls.h"
#include "base/memory.h"
#include "base/process_records.h"
#include "console/con_printf.h"
#include "volume/device_calls.h"

const char kPipeBaseName[] = "\\\\.\\pipe\\VorlanCmdIfV2";
DWORD PipeIoLimitMs = kPipeReplyLimitMs;
CommandPipeClient* ServiceClient;

static HANDLE OpenPipe(const char* name) {
    return Pipe.CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, 0, OPEN_EXISTING,
                            FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION,
                            0);
}

// One read or write, waited for at most PipeIoLimitMs; on success *transferred gets the
// byte count. A call that runs out of time fails with ERROR_SEM_TIMEOUT.
static BOOL TransferMessage(HANDLE pipe, BOOL isWrite, void* buffer, DWORD bytes,
                            DWORD* transferred) {
    OVERLAPPED overlapped;
    FillBytes(&overlapped, 0, sizeof overlapped);
    overlapped.hEvent = CreateEventA(0, TRUE, FALSE, 0);
    if (!overlapped.hEvent) return FALSE;

    BOOL done = isWrite ? WriteFile(pipe, buffer, bytes, 0, &overlapped)
                        : ReadFile(pipe, buffer, bytes, 0, &overlapped);
    if (done || GetLastError() == ERROR_IO_PENDING) {
        if (WaitForSingleObject(overlapped.hEvent, PipeIoLimitMs) == WAIT_OBJECT_0) {
            done = Pipe.GetOverlappedResult(pipe, &overlapped, transferred, FALSE);
        } else {
            // The buffer and the OVERLAPPED must outlive the transfer.
            Pipe.CancelIo(pipe);
            Pipe.GetOverlappedResult(pipe, &overlapped, transferred, TRUE);
            SetLastError(ERROR_SEM_TIMEOUT);
        }
    }
    DWORD error = GetLastError();
    CloseHandle(overlapped.hEvent);
    SetLastError(error);
    return done;
}

// Whether a transfer brought the whole message and nothing after it. Client
// ends read in byte mode, where a short message reads short and a long one
// leaves the rest in the pipe, both without an error.
static BOOL IsWholeMessage(HANDLE pipe, DWORD transferred, DWORD bytes) {
    DWORD following = 0;
    return transferred == bytes && !(PeekNamedPipe(pipe, 0, 0, 0, &following, 0) && following);
}

// The client lives in a zeroed block: m_dwEndError starts at 0.
CommandPipeClient::CommandPipeClient() {
    m_nInstance = (DWORD)-1;
}

BOOL CommandPipeClient::Connect() {
    m_hPipe = INVALID_HANDLE_VALUE;
    HANDLE basePipe = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < kPipeBaseAttempts; ++attempt) {
        basePipe = OpenPipe(kPipeBaseName);
        if (basePipe != INVALID_HANDLE_VALUE) break;
        if (GetLastError() == ERROR_PIPE_BUSY) Pipe.Sleep(kPipeBusySleepMs);
    }
    if (basePipe == INVALID_HANDLE_VALUE) return FALSE;

    LONG hello = PIPE_HELLO;
    DWORD instance = 0;
    DWORD transferred;
    // An answer of any other size is no instance number: no service answered.
    if (TransferMessage(basePipe, TRUE, &hello, sizeof hello, &transferred) &&
        TransferMessage(basePipe, FALSE, &instance, sizeof instance, &transferred) &&
        IsWholeMessage(basePipe, transferred, sizeof instance))
        m_nInstance = instance;
    CloseHandle(basePipe);
    if (m_nInstance == (DWORD)-1) return FALSE;

    Pipe.Sleep(kPipeClientDelayMs);
    char name[kPipePathBytes];
    wsprintfA(name, "%s%u", kPipeBaseName, m_nInstance);
    m_hPipe = OpenPipe(name);
    if (m_hPipe == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_NOT_FOUND) {
        // The service may not have created the per-client pipe yet.
        Pipe.Sleep(kPipeClientRetryMs);
        m_hPipe = OpenPipe(name);
    }
    if (m_hPipe == INVALID_HANDLE_VALUE) {
        ConPrintf(" error %u opening VORLAN pipe\n", GetLastError());
        return FALSE;
    }
    return TRUE;
}

// Ends the conversation for good: every later command fails with error.
BOOL CommandPipeClient::FailConversation(DWORD error) {
    m_dwEndError = error;
    EndWithoutGoodbye();
    SetLastError(error);
    return FALSE;
}

BOOL CommandPipeClient::SendCommand(LONG command, DWORD param, const char* path,
                                    PipeReply* replyCopy) {
    if (m_hPipe == INVALID_HANDLE_VALUE) {
        SetLastError(m_dwEndError ? m_dwEndError : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // A successful command leaves the caller's last error as it was.
    DWORD callerError = GetLastError();
    PipeRequest request;
    FillBytes(&request, 0, sizeof request);
    request.nCommand = command;
    request.dwParam = param;
    if (path) lstrcpynA(request.szPath, path, sizeof request.szPath);
    DWORD transferred;
    if (!TransferMessage(m_hPipe, TRUE, &request, sizeof request, &transferred))
        return FailConversation(GetLastError());

    PipeReply reply;
    if (!TransferMessage(m_hPipe, FALSE, &reply, sizeof reply, &transferred))
        return FailConversation(GetLastError());
    // A short, torn or long reply: the messages no longer line up.
    if (!IsWholeMessage(m_hPipe, transferred, sizeof reply))
        return FailConversation(ERROR_INVALID_DATA);
    if (replyCopy) CopyBytes(replyCopy, &reply, sizeof reply);
    if (reply.bSuccess) {
        SetLastError(callerError);
        return TRUE;
    }
    SetLastError(reply.dwError);
    return FALSE;
}

void CommandPipeClient::EndWithoutGoodbye() {
    if (m_hPipe != INVALID_HANDLE_VALUE) CloseHandle(m_hPipe);
    m_hPipe = INVALID_HANDLE_VALUE;
}

void CommandPipeClient::Disconnect() {
    if (m_hPipe == INVALID_HANDLE_VALUE) return;
    LONG goodbye = PIPE_GOODBYE;
    DWORD transferred;
    TransferMessage(m_hPipe, TRUE, &goodbye, sizeof goodbye, &transferred);
    EndWithoutGoodbye();
}

BOOL SendVolumeControl(DWORD code) {
    if (m_hVol != INVALID_HANDLE_VALUE) {
        DWORD returned = 0;
        return Device.DeviceIoControl(m_hVol, code, 0, 0, 0, 0, &returned, 0);
    }
    // Not ours to open: the service has it.
    return ServiceClient->SendCommand(PIPE_CMD_DEVICE_CONTROL, code, 0, 0);
}
