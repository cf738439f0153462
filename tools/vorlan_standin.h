// A stand-in for the VORLAN service, a thread of the test program serving one
// client: the hello on the base pipe, then commands 1 (open) and 2 (control) on
// instance 1's pipe until goodbye. It notes each message received: "hello",
// "open PATH", "control 0xCODE", "goodbye", or "bad ..." for a malformed one.
// The client's pipe opens and sleeps are noted through its seam.
#pragma once
#include "service/command_pipe_client.h"
#include "service/pipe_calls.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

struct StandinBehaviour {
    bool refuse = false;     // answers the hello with no instance
    DWORD failOpen = 0;      // the error of command 1; 0: success
    DWORD failControl = 0;   // the error of command 2; 0: success
    bool slow = false;       // never answers the first command 2: the client must give up
    DWORD replyBytes = 532;  // sent for a reply to command 2, at most twice a reply
};

struct StandinService {
    explicit StandinService(StandinBehaviour behaviour) : behaviour_(behaviour) {
        for (int i = 0; i < 2; ++i)
            pipes_[i] = CreateNamedPipeA(names_[i].c_str(), PIPE_ACCESS_DUPLEX,
                                         PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0, nullptr);
        thread_ = CreateThread(nullptr, 0, Serve, this, 0, nullptr);
    }
    ~StandinService() {
        Stop();
    }

    std::string Stop() {  // ends the service; what it received, a line each
        // Connecting wakes a thread that waits for a client who never came.
        stopping_ = 1;
        for (int tick = 0;
             thread_ && tick < 1000 && WaitForSingleObject(thread_, 10) == WAIT_TIMEOUT; ++tick)
            for (const std::string& name : names_)
                CloseHandle(CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
        if (thread_ && WaitForSingleObject(thread_, 0) == WAIT_TIMEOUT) {
            TerminateThread(thread_, 1);
            messages_ += "stuck\n";
        }
        for (HANDLE* handle : {&thread_, &pipes_[0], &pipes_[1]}) {
            CloseHandle(*handle);
            *handle = nullptr;
        }
        return messages_;
    }

    bool Connect(int pipe) {
        return (ConnectNamedPipe(pipes_[pipe], nullptr) ||
                GetLastError() == ERROR_PIPE_CONNECTED) &&
               !stopping_;
    }
    static DWORD WINAPI Serve(LPVOID self) {
        ((StandinService*)self)->Converse();
        return 0;
    }

    void Converse() {
        LONG hello = 0;
        DWORD got = 0;
        DWORD instance = behaviour_.refuse ? 0xFFFFFFFF : 1;
        if (!Connect(0)) return;
        bool greeted = ReadFile(pipes_[0], &hello, sizeof hello, &got, nullptr) && got == 4 &&
                       hello == PIPE_HELLO;
        messages_ += greeted ? "hello\n" : "bad hello\n";
        WriteFile(pipes_[0], &instance, sizeof instance, &got, nullptr);
        FlushFileBuffers(pipes_[0]);
        PipeRequest request;
        if (behaviour_.refuse || !Connect(1)) return;
        bool controlIgnored = false;
        while (Read(&request) && request.nCommand != PIPE_GOODBYE) {
            bool control = request.nCommand == PIPE_CMD_DEVICE_CONTROL;
            BYTE bytes[2 * sizeof(PipeReply)] = {};
            auto* reply = (PipeReply*)bytes;
            reply->dwError = control                                    ? behaviour_.failControl
                             : request.nCommand == PIPE_CMD_OPEN_VOLUME ? behaviour_.failOpen
                                                                        : ERROR_INVALID_FUNCTION;
            reply->bSuccess = reply->dwError == 0;
            if (control && behaviour_.slow && !controlIgnored) {
                controlIgnored = true;
                continue;
            }
            WriteFile(
                pipes_[1], bytes,
                control ? std::min<DWORD>(behaviour_.replyBytes, sizeof bytes) : sizeof(PipeReply),
                &got, nullptr);
        }
    }

    bool Read(PipeRequest* request) {
        DWORD got = 0;
        *request = {};
        if (!ReadFile(pipes_[1], request, sizeof *request, &got, nullptr) || got == 0) return false;
        char line[300];
        char* path = request->szPath;
        char* pathEnd = path + strnlen(path, sizeof request->szPath);
        bool open = request->nCommand == PIPE_CMD_OPEN_VOLUME;
        bool control = request->nCommand == PIPE_CMD_DEVICE_CONTROL;
        bool clean =
            got == sizeof *request && request->dwReserved == 0 &&
            (open ? request->dwParam == 0 : pathEnd == path) &&
            std::all_of(pathEnd, path + sizeof request->szPath, [](char c) { return c == 0; });
        if (request->nCommand == PIPE_GOODBYE)
            lstrcpyA(line, "goodbye\n");
        else if (!clean || !(open || control))
            wsprintfA(line, "bad %ld\n", request->nCommand);
        else if (open)
            wsprintfA(line, "open %s\n", path);
        else
            wsprintfA(line, "control 0x%lX\n", request->dwParam);
        messages_ += line;
        return true;
    }

    StandinBehaviour behaviour_;
    std::string names_[2] = {kPipeBaseName, kPipeBaseName + std::string("1")};
    std::string messages_;
    HANDLE pipes_[2] = {};
    HANDLE thread_ = nullptr;
    volatile LONG stopping_ = 0;
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

// A wait for the end of a transfer: noted, the quick looks at one are not.
inline BOOL WINAPI LoggedGetOverlappedResult(HANDLE pipe, LPOVERLAPPED overlapped,
                                             LPDWORD transferred, BOOL wait) {
    if (wait) pipeCalls += "wait ";
    return SystemPipeCalls.GetOverlappedResult(pipe, overlapped, transferred, wait);
}

inline void WINAPI LoggedSleep(DWORD milliseconds) {
    pipeCalls += "sleep " + std::to_string(milliseconds) + " ";
}

// Pipe handles open in this process (Wine opens and closes other kinds on its own).
inline std::vector<ULONG_PTR> OpenPipeHandles() {
    std::vector<ULONG_PTR> open;
    DWORD flags = 0;
    for (ULONG_PTR value = 4; value < 0x1000; value += 4)
        if (GetHandleInformation((HANDLE)value, &flags) &&
            GetFileType((HANDLE)value) == FILE_TYPE_PIPE)
            open.push_back(value);
    return open;
}

}  // namespace standin
