// A small stand-in for the VORLAN service, served by a thread of the test
// program for one client. It listens on the base command pipe, answers the
// hello with instance 1, and serves the client on its own pipe (command 1
// opens a volume, command 2 sends it a control code; both succeed unless told
// to fail) until goodbye or a broken pipe. It notes a line for every message
// received: "hello", "open PATH", "control 0xCODE", "goodbye"; "bad" for a
// request of the wrong size or with unused fields set.
#pragma once
#include "service/command_pipe_client.h"

#include <algorithm>
#include <cstring>
#include <string>

struct StandinBehaviour {
    bool refuse = false;                  // answers the hello with no instance
    DWORD failOpen = 0, failControl = 0;  // the error of command 1 or 2; 0: success
    bool slow = false;                    // replies to command 2 only when the client asks again or leaves
    DWORD replyBytes = 532;               // sent for a reply to command 2, at most twice a reply
};

// Plain blocking pipe calls; Stop() wakes a blocked connect by connecting itself.
class StandinService {
public:
    explicit StandinService(StandinBehaviour behaviour) : behaviour_(behaviour) {
        base_ = CreateNamedPipeA(kPipeBaseName, PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 64, 64, 0, nullptr);
        if (!behaviour.refuse)
            pipe_ = CreateNamedPipeA(instanceName_.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096, 4096,
                                     0, nullptr);
        thread_ = CreateThread(nullptr, 0, Serve, this, 0, nullptr);
    }
    ~StandinService() { Stop(); }

    std::string Stop() {  // ends the service; what it received, a line each
        stopping_ = 1;
        for (int tick = 0; thread_ && tick < 6000 && WaitForSingleObject(thread_, 10) == WAIT_TIMEOUT; ++tick)
            for (const std::string& name : {std::string(kPipeBaseName), instanceName_})
                CloseHandle(CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        // A client that never finishes its message holds the thread in a read: that is a failure.
        if (thread_ && WaitForSingleObject(thread_, 0) == WAIT_TIMEOUT) TerminateThread(thread_, 1), messages_ += "stuck\n";
        for (HANDLE* handle : {&thread_, &base_, &pipe_}) CloseHandle(*handle), *handle = nullptr;
        return messages_;
    }

private:
    static bool Connect(HANDLE pipe) { return ConnectNamedPipe(pipe, nullptr) || GetLastError() == ERROR_PIPE_CONNECTED; }

    static DWORD WINAPI Serve(LPVOID self) {
        StandinService& service = *(StandinService*)self;
        LONG hello = 0;
        DWORD got = 0, answer = service.pipe_ ? 1 : 0xFFFFFFFF;
        if (!Connect(service.base_) || service.stopping_) return 0;
        bool greeted = ReadFile(service.base_, &hello, sizeof hello, &got, nullptr) && got == 4 && hello == PIPE_HELLO;
        service.messages_ += greeted ? "hello\n" : "bad hello\n";
        WriteFile(service.base_, &answer, sizeof answer, &got, nullptr);
        FlushFileBuffers(service.base_);
        if (service.pipe_ && Connect(service.pipe_) && !service.stopping_) service.Converse();
        return 0;
    }

    void Converse() {
        PipeRequest request;
        bool pending = ReadRequest(&request);
        while (pending && request.nCommand != PIPE_GOODBYE) {
            bool control = request.nCommand == PIPE_CMD_DEVICE_CONTROL;
            BYTE bytes[2 * sizeof(PipeReply)] = {};
            auto* reply = (PipeReply*)bytes;
            reply->dwError = control ? behaviour_.failControl
                             : request.nCommand == PIPE_CMD_OPEN_VOLUME ? behaviour_.failOpen : ERROR_INVALID_FUNCTION;
            reply->bSuccess = reply->dwError == 0;
            // A slow reply waits for the client's next request or for the client to leave (a
            // client that waits without limit gets it after 20 s, so its fault shows, not a hang).
            DWORD waiting = 0;
            for (int tick = 0; control && behaviour_.slow && tick < 2000; ++tick, Sleep(10))
                if (!PeekNamedPipe(pipe_, nullptr, 0, nullptr, &waiting, nullptr) || waiting) break;
            pending = control && behaviour_.slow && waiting && ReadRequest(&request);
            DWORD written = 0;
            WriteFile(pipe_, bytes, control ? std::min<DWORD>(behaviour_.replyBytes, sizeof bytes) : sizeof(PipeReply),
                      &written, nullptr);
            if (!pending) pending = ReadRequest(&request);
        }
    }

    bool ReadRequest(PipeRequest* request) {
        *request = {};
        DWORD got = 0;
        if (!ReadFile(pipe_, request, sizeof *request, &got, nullptr) || got == 0) return false;
        char* pathEnd = request->szPath + strnlen(request->szPath, sizeof request->szPath);
        bool unusedZero = request->dwReserved == 0 && (request->nCommand != PIPE_CMD_OPEN_VOLUME || request->dwParam == 0) &&
                          std::all_of(pathEnd, request->szPath + sizeof request->szPath, [](char c) { return c == 0; }) &&
                          (request->nCommand != PIPE_CMD_DEVICE_CONTROL || pathEnd == request->szPath);
        char line[300];
        if (request->nCommand == PIPE_GOODBYE) lstrcpyA(line, "goodbye\n");
        else if (!unusedZero || got != sizeof *request) wsprintfA(line, "bad %ld\n", request->nCommand);
        else if (request->nCommand == PIPE_CMD_OPEN_VOLUME) wsprintfA(line, "open %s\n", request->szPath);
        else wsprintfA(line, "control 0x%lX\n", request->dwParam);
        messages_ += line;
        return true;
    }

    StandinBehaviour behaviour_;
    std::string instanceName_ = kPipeBaseName + std::string("1"), messages_;
    HANDLE base_ = nullptr, pipe_ = nullptr, thread_ = nullptr;
    volatile LONG stopping_ = 0;
};
