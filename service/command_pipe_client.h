// The client end of the VORLAN service's command pipe.
//
// When the program cannot open a volume itself, the service opens it and sends
// the control codes on the program's behalf. A conversation is: hello on the
// shared base pipe (answered with an instance number), then requests on a
// per-client pipe, then goodbye.
#pragma once
#include <windows.h>

enum : LONG {
    PIPE_HELLO = -1,
    PIPE_GOODBYE = -3,
    PIPE_CMD_OPEN_VOLUME = 1,
    PIPE_CMD_DEVICE_CONTROL = 2,
};

enum {
    kPipeBaseAttempts = 11,
    kPipeBusySleepMs = 20,
    kPipeClientDelayMs = 50,
    kPipeClientRetryMs = 500,
    kPipeReplyLimitMs = 30000,
    kPipePathBytes = 260,
    kPipeReplyDataBytes = 524,
};

#pragma pack(push, 4)
struct PipeRequest {
    LONG nCommand;
    char szPath[kPipePathBytes];
    DWORD dwParam;
    DWORD dwReserved;
};

struct PipeReply {
    DWORD bSuccess;
    DWORD dwError;
    BYTE abData[kPipeReplyDataBytes];
};
#pragma pack(pop)

static_assert(sizeof(PipeRequest) == 272, "request is 272 bytes on the wire");
static_assert(__builtin_offsetof(PipeRequest, szPath) == 4, "szPath at 4");
static_assert(__builtin_offsetof(PipeRequest, dwParam) == 264, "dwParam at 264");
static_assert(__builtin_offsetof(PipeRequest, dwReserved) == 268, "dwReserved at 268");
static_assert(sizeof(PipeReply) == 532, "reply is 532 bytes on the wire");
static_assert(__builtin_offsetof(PipeReply, dwError) == 4, "dwError at 4");
static_assert(__builtin_offsetof(PipeReply, abData) == 8, "abData at 8");

extern const char kPipeBaseName[];
// How long one read or write on a pipe may take before the call fails with
// ERROR_SEM_TIMEOUT; a hung service must not hang the scripts that run us.
extern DWORD PipeIoLimitMs;

struct CommandPipeClient {
    DWORD m_nInstance;
    HANDLE m_hPipe;
    // Why the conversation ended early; 0 while it goes on.
    DWORD m_dwEndError;

    CommandPipeClient();
    BOOL Connect();
    // Fails at once, with the error that ended it, once the conversation ended.
    BOOL SendCommand(LONG command, DWORD param, const char* path, PipeReply* replyCopy);
    // Closes the per-client pipe with no goodbye; the service sees it break.
    void EndWithoutGoodbye();
    // Says goodbye and closes the per-client pipe; m_hPipe is invalid after.
    void Disconnect();

private:
    BOOL FailConversation(DWORD error);
};

// The service client of this run, if the volume had to be opened by the service.
extern CommandPipeClient* ServiceClient;

// Sends a control code with no buffers to the volume: on m_hVol when the
// program opened it, else through the service. The last error is the
// system's or the service's.
BOOL SendVolumeControl(DWORD code);
