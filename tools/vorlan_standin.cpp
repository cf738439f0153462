// vorlan-standin: a small stand-in for the VORLAN service, for the tests.
//
// It listens on the base command pipe, answers each hello with an instance
// number, serves that client on its own pipe (command 1 opens the named
// volume, command 2 sends a control code to it) until goodbye or a broken
// pipe, and serves clients one after another until it is stopped. It prints
// "ready", then one line for every message received ("hello", "open PATH",
// "control 0xCODE", "goodbye"; "bad" for a request whose unused fields are
// not zero) and "served N" when client N is gone. Switches make it misbehave.
#include "service/command_pipe_client.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool refuse, fakeSuccess;
DWORD failOpen, failControl, slowMs;
DWORD replyBytes = sizeof(PipeReply);  // of replies to command 2

void Say(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::fflush(stdout);
}

// One overlapped read or write, or a client connection (buffer null), waited for at
// most limitMs. A cancelled call is waited for too: the OVERLAPPED on this frame may
// be written until the cancel is done.
bool Transfer(HANDLE pipe, bool isWrite, void* buffer, DWORD size, DWORD limitMs, DWORD* got) {
    OVERLAPPED overlapped = {};
    overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    BOOL started = !buffer ? ConnectNamedPipe(pipe, &overlapped)
                   : isWrite ? WriteFile(pipe, buffer, size, nullptr, &overlapped)
                             : ReadFile(pipe, buffer, size, nullptr, &overlapped);
    DWORD error = GetLastError();
    bool done = !buffer && !started && error == ERROR_PIPE_CONNECTED;
    *got = 0;
    if (started || error == ERROR_IO_PENDING) {
        if (WaitForSingleObject(overlapped.hEvent, limitMs) != WAIT_OBJECT_0) CancelIo(pipe);
        done = GetOverlappedResult(pipe, &overlapped, got, TRUE) != 0;
    }
    CloseHandle(overlapped.hEvent);
    return done;
}

bool ReadRequest(HANDLE pipe, PipeRequest* request, DWORD limitMs) {
    *request = {};
    DWORD got = 0;
    if (!Transfer(pipe, false, request, sizeof *request, limitMs, &got) || got == 0) return false;
    size_t pathLength = strnlen(request->szPath, sizeof request->szPath);
    bool unusedZero = request->dwReserved == 0 && (request->nCommand != PIPE_CMD_OPEN_VOLUME || request->dwParam == 0) &&
                      std::all_of(request->szPath + pathLength, request->szPath + sizeof request->szPath,
                                  [](char c) { return c == 0; });
    if (request->nCommand == PIPE_GOODBYE) Say("goodbye\n");
    else if (!unusedZero || got != sizeof *request) Say("bad %ld\n", (long)request->nCommand);
    else if (request->nCommand == PIPE_CMD_OPEN_VOLUME) Say("open %s\n", request->szPath);
    else Say("control 0x%lX%s\n", (unsigned long)request->dwParam, pathLength ? " with a path" : "");
    return true;
}

void Reply(HANDLE pipe, bool success, DWORD error, DWORD size) {
    BYTE bytes[2 * sizeof(PipeReply)] = {};
    PipeReply* reply = reinterpret_cast<PipeReply*>(bytes);
    reply->bSuccess = success;
    reply->dwError = success ? 0 : error;
    DWORD written = 0;
    Transfer(pipe, true, bytes, size, INFINITE, &written);
}

void Converse(HANDLE pipe) {
    HANDLE volume = INVALID_HANDLE_VALUE;
    PipeRequest request;
    bool pending = ReadRequest(pipe, &request, INFINITE);
    while (pending && request.nCommand != PIPE_GOODBYE) {
        bool success = false, control = request.nCommand == PIPE_CMD_DEVICE_CONTROL;
        DWORD error = ERROR_INVALID_FUNCTION, returned = 0;
        if (request.nCommand == PIPE_CMD_OPEN_VOLUME) {
            if (volume != INVALID_HANDLE_VALUE) CloseHandle(volume);
            volume = failOpen || fakeSuccess ? INVALID_HANDLE_VALUE
                                             : CreateFileA(request.szPath, GENERIC_READ | GENERIC_WRITE,
                                                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
            success = !failOpen && (fakeSuccess || volume != INVALID_HANDLE_VALUE);
            error = failOpen ? failOpen : GetLastError();
        } else if (control) {
            success = !failControl && (fakeSuccess || DeviceIoControl(volume, request.dwParam, nullptr, 0, nullptr, 0,
                                                                      &returned, nullptr));
            error = failControl ? failControl : GetLastError();
        }
        // A slow reply comes at the end of the delay, or as soon as the client asks again.
        pending = control && slowMs ? ReadRequest(pipe, &request, slowMs) : false;
        Reply(pipe, success, error, control ? replyBytes : sizeof(PipeReply));
        if (!pending) pending = ReadRequest(pipe, &request, INFINITE);
    }
    if (volume != INVALID_HANDLE_VALUE) CloseHandle(volume);
}

void ServeClient(DWORD instance) {
    char name[300];
    std::snprintf(name, sizeof name, "%s%lu", kPipeBaseName, (unsigned long)instance);
    HANDLE pipe = CreateNamedPipeA(name, PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                   PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0, nullptr);
    DWORD got = 0;
    if (Transfer(pipe, false, nullptr, 0, 3000, &got)) Converse(pipe);
    DisconnectNamedPipe(pipe);
    CloseHandle(pipe);
}

int Serve() {
    HANDLE base = CreateNamedPipeA(kPipeBaseName, PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                   PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 64, 64, 0, nullptr);
    if (base == INVALID_HANDLE_VALUE) return Say("cannot create the base pipe: error %lu\n", GetLastError()), 1;
    Say("ready\n");
    for (DWORD instance = 1;; DisconnectNamedPipe(base)) {
        LONG hello = 0;
        DWORD got = 0;
        if (!Transfer(base, false, nullptr, 0, INFINITE, &got)) continue;
        bool greeted = Transfer(base, false, &hello, sizeof hello, 10000, &got) && got == 4 && hello == PIPE_HELLO;
        Say(greeted ? "hello\n" : "bad hello\n");
        DWORD answer = refuse || !greeted ? 0xFFFFFFFF : instance;
        Transfer(base, true, &answer, sizeof answer, 10000, &got);
        FlushFileBuffers(base);
        DisconnectNamedPipe(base);
        if (answer == 0xFFFFFFFF) continue;
        ServeClient(instance);
        Say("served %lu\n", (unsigned long)instance++);
    }
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        DWORD number = i + 1 < argc ? std::strtoul(argv[i + 1], nullptr, 0) : 0;
        if (option == "-refuse") refuse = true;
        else if (option == "-fake-success") fakeSuccess = true;
        else if (option == "-fail-open") failOpen = number, ++i;
        else if (option == "-fail-control") failControl = number, ++i;
        else if (option == "-slow") slowMs = number, ++i;
        else if (option == "-short") replyBytes = std::min<DWORD>(number, sizeof(PipeReply)), ++i;
        else if (option == "-long") replyBytes = 2 * sizeof(PipeReply);
        else return Say("usage: vorlan-standin [-refuse] [-fake-success] [-fail-open CODE] [-fail-control CODE]\n"
                        "       [-slow MS: reply to command 2 late] [-short N | -long: reply to command 2 with N bytes"
                        " | twice a reply]\n"), 2;
    }
    return Serve();
}
