// A stand-in for the VORLAN service on the real pipes, scripted: it answers in
// step with the client, on the client's own thread. Its pipes are byte pipes,
// and the client's end starts in byte read mode whatever the server's type
// (Microsoft, "Named Pipe Type, Read, and Wait Modes"): a short message reads
// short, and of a long one a read takes what it asks for and leaves the rest.
// The client's pipe calls pass through the seam below, which notes them;
// after each transfer the stand-in reads what the client wrote and answers it
// at once. It notes each message received: "hello", "open PATH", "control
// 0xCODE", "goodbye", or "bad ..." for a malformed one, and "open" for a pipe
// the client left open.
#pragma once
#include "service/command_pipe_client.h"
#include "service/pipe_calls.h"

#include <cstring>
#include <deque>
#include <string>

// The service's message numbers, its own copy: a wrong number on the client's side is seen.
enum : LONG { kHello = -1, kGoodbye = -3, kOpenVolume = 1, kDeviceControl = 2 };

struct StandinBehaviour {
    bool mute = false;       // never answers the hello
    DWORD failOpen = 0;      // the error of command 1; 0: success
    DWORD failControl = 0;   // the error of command 2; 0: success
    bool slow = false;       // never answers the first command 2: the client must give up
    DWORD replyBytes = 532;  // sent for a reply to command 2, at most twice a reply
    DWORD helloBytes = 4;    // of the answer to the hello, instance 1 and zeros, at most 8
};

struct StandinService {
    explicit StandinService(StandinBehaviour behaviour) : behaviour_(behaviour) {
        for (int i = 0; i < 2; ++i)
            pipes_[i] = CreateNamedPipeA(names_[i].c_str(), PIPE_ACCESS_DUPLEX,
                                         PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0, nullptr);
        current = this;
    }
    ~StandinService() {
        current = nullptr;
        for (HANDLE pipe : pipes_) CloseHandle(pipe);
    }
    // What it received; a client's end still open shows as "open".
    std::string Stop() {
        Answer();
        for (int i = 0; i < 2; ++i)
            if (PeekNamedPipe(pipes_[i], nullptr, 0, nullptr, nullptr, nullptr))
                received_ += "open ";
        return received_;
    }

    DWORD Available(int pipe) {
        DWORD available = 0;
        PeekNamedPipe(pipes_[pipe], nullptr, 0, nullptr, &available, nullptr);
        return available;
    }

    // Reads and answers whatever the client has written: the hello with the
    // instance number, each request as scripted, every byte of it checked.
    void Answer() {
        DWORD got = 0;
        LONG hello = 0;
        BYTE answer[8] = {1};  // instance 1
        if (Available(0)) {
            bool greeted = Available(0) == sizeof hello &&
                           ReadFile(pipes_[0], &hello, sizeof hello, &got, nullptr) &&
                           hello == kHello;
            received_ += greeted ? "hello " : "bad hello ";
            if (!behaviour_.mute)
                WriteFile(pipes_[0], answer, behaviour_.helloBytes, &got, nullptr);
        }
        PipeRequest request = {};
        while (Available(1) && ReadFile(pipes_[1], &request, sizeof request, &got, nullptr)) {
            // A well-formed request is its fields with zeros elsewhere.
            PipeRequest clean = {request.nCommand, {}, request.dwParam, 0};
            lstrcpynA(clean.szPath, request.szPath, sizeof clean.szPath);
            bool open = request.nCommand == kOpenVolume && request.dwParam == 0;
            bool control = request.nCommand == kDeviceControl && !clean.szPath[0];
            bool wellFormed = got == sizeof request && !std::memcmp(&clean, &request, sizeof clean);
            char line[300];
            if (got == sizeof(LONG) && request.nCommand == kGoodbye)
                lstrcpyA(line, "goodbye ");
            else if (!wellFormed || !(open || control))
                wsprintfA(line, "bad %ld ", request.nCommand);
            else if (open)
                wsprintfA(line, "open %s ", request.szPath);
            else
                wsprintfA(line, "control 0x%lX ", request.dwParam);
            received_ += line;
            BYTE reply[2 * sizeof(PipeReply)] = {};
            ((PipeReply*)reply)->dwError = control ? behaviour_.failControl : behaviour_.failOpen;
            ((PipeReply*)reply)->bSuccess = ((PipeReply*)reply)->dwError == 0;
            bool ignored = control && behaviour_.slow;
            if (control) behaviour_.slow = false;
            DWORD size = control ? behaviour_.replyBytes : sizeof(PipeReply);
            if ((open || control) && !ignored) WriteFile(pipes_[1], reply, size, &got, nullptr);
            request = {};
        }
    }

    StandinBehaviour behaviour_;
    const std::string names_[2] = {kPipeBaseName, kPipeBaseName + std::string("1")};
    std::string received_;
    HANDLE pipes_[2] = {};
    static inline StandinService* current;
};

namespace standin {

inline std::deque<DWORD> openErrors;  // for the client's first opens; 0: the real open
inline std::string pipeCalls;  // "open NAME=ERROR ", "sleep N ", "cancel ", "wait ", in order;
                               // "fault " for wrong open arguments

inline HANDLE WINAPI LoggedOpen(LPCSTR name, DWORD access, DWORD share,
                                LPSECURITY_ATTRIBUTES security, DWORD disposition, DWORD flags,
                                HANDLE templateFile) {
    if ((flags & (SECURITY_SQOS_PRESENT | SECURITY_VALID_SQOS_FLAGS)) !=
            (SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION) ||
        access != (GENERIC_READ | GENERIC_WRITE) || share || disposition != OPEN_EXISTING)
        pipeCalls += "fault ";
    DWORD error = openErrors.empty() ? 0 : openErrors.front();
    if (!openErrors.empty()) openErrors.pop_front();
    HANDLE pipe = error ? INVALID_HANDLE_VALUE
                        : SystemPipeCalls.CreateFileA(name, access, share, security, disposition,
                                                      flags, templateFile);
    if (!error && pipe == INVALID_HANDLE_VALUE) error = GetLastError();
    pipeCalls += "open " + std::string(strrchr(name, '\\') + 1) + "=" + std::to_string(error) + " ";
    SetLastError(error);
    return pipe;
}
inline BOOL WINAPI LoggedCancelIo(HANDLE pipe) {
    pipeCalls += "cancel ";
    return SystemPipeCalls.CancelIo(pipe);
}

// The end of a transfer, after which the service answers; a wait for it is
// noted, the quick looks are not.
inline BOOL WINAPI LoggedGetOverlappedResult(HANDLE pipe, LPOVERLAPPED overlapped,
                                             LPDWORD transferred, BOOL wait) {
    if (wait) pipeCalls += "wait ";
    BOOL done = SystemPipeCalls.GetOverlappedResult(pipe, overlapped, transferred, wait);
    DWORD error = GetLastError();
    if (StandinService::current) StandinService::current->Answer();
    SetLastError(error);
    return done;
}

inline void WINAPI LoggedSleep(DWORD milliseconds) {
    pipeCalls += "sleep " + std::to_string(milliseconds) + " ";
}

}  // namespace standin
