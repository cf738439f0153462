// vorlan-standin: a small stand-in for the VORLAN service, for the tests.
//
// It listens on the base command pipe, answers each hello with an instance
// number, serves that client on its own per-client pipe (opening the named
// volume on command 1, sending control codes to it on command 2) and ends the
// conversation at goodbye or when the pipe breaks. Clients are served one
// after another until the process is stopped. Switches make it misbehave as
// a real service might; every message received is appended to a file.
#include "service/command_pipe_client.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <string>

namespace {

struct Behaviour {
    bool refuse = false;       // answer -1 to every hello
    DWORD failOpen = 0;        // fail command 1 with this error
    DWORD failControl = 0;     // fail command 2 with this error
    bool fakeSuccess = false;  // succeed without a device
    DWORD slowMs = 0;          // reply to command 2 this late, or at the next request
    int replyBytes = sizeof(PipeReply);  // of replies to command 2: -short N, -long
    std::string recordPath;
} behaviour;

void Record(const void* bytes, DWORD size) {
    if (behaviour.recordPath.empty() || size == 0) return;
    HANDLE file = CreateFileA(behaviour.recordPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ,
                              nullptr, OPEN_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes, size, &written, nullptr);
    CloseHandle(file);
}

// One overlapped read or write, or a client connection (buffer null), waited
// for at most limitMs. A cancelled call is waited for too: the OVERLAPPED on
// this frame may be written until the cancel is done.
bool Transfer(HANDLE pipe, bool isWrite, void* buffer, DWORD size, DWORD limitMs, DWORD* got) {
    OVERLAPPED overlapped = {};
    overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    BOOL started = !buffer  ? ConnectNamedPipe(pipe, &overlapped)
                   : isWrite ? WriteFile(pipe, buffer, size, nullptr, &overlapped)
                             : ReadFile(pipe, buffer, size, nullptr, &overlapped);
    DWORD error = GetLastError();
    bool done = false;
    *got = 0;
    if (!buffer && !started && error == ERROR_PIPE_CONNECTED) {
        done = true;
    } else if (started || error == ERROR_IO_PENDING) {
        if (WaitForSingleObject(overlapped.hEvent, limitMs) != WAIT_OBJECT_0) CancelIo(pipe);
        done = GetOverlappedResult(pipe, &overlapped, got, TRUE) != 0;
    }
    CloseHandle(overlapped.hEvent);
    return done;
}

bool ReadRequest(HANDLE pipe, PipeRequest* request, DWORD limitMs, DWORD* size) {
    *request = {};
    return Transfer(pipe, false, request, sizeof *request, limitMs, size) && *size > 0;
}

void Reply(HANDLE pipe, bool success, DWORD error, DWORD size) {
    BYTE bytes[2 * sizeof(PipeReply)] = {};
    PipeReply* reply = reinterpret_cast<PipeReply*>(bytes);
    reply->bSuccess = success ? 1 : 0;
    reply->dwError = success ? 0 : error;
    DWORD written = 0;
    Transfer(pipe, true, bytes, size, INFINITE, &written);
}

void Converse(HANDLE pipe) {
    HANDLE volume = INVALID_HANDLE_VALUE;
    PipeRequest request;
    DWORD size = 0;
    bool pending = ReadRequest(pipe, &request, INFINITE, &size);
    while (pending) {
        Record(&request, size);
        if (request.nCommand == PIPE_GOODBYE) break;
        bool success = false;
        DWORD error = ERROR_INVALID_FUNCTION;
        DWORD replyDelayMs = 0, replySize = sizeof(PipeReply);
        if (request.nCommand == PIPE_CMD_OPEN_VOLUME) {
            request.szPath[sizeof request.szPath - 1] = 0;
            if (volume != INVALID_HANDLE_VALUE) CloseHandle(volume);
            volume = behaviour.failOpen || behaviour.fakeSuccess
                         ? INVALID_HANDLE_VALUE
                         : CreateFileA(request.szPath, GENERIC_READ | GENERIC_WRITE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
            success = !behaviour.failOpen && (behaviour.fakeSuccess || volume != INVALID_HANDLE_VALUE);
            error = behaviour.failOpen ? behaviour.failOpen : GetLastError();
        } else if (request.nCommand == PIPE_CMD_DEVICE_CONTROL) {
            DWORD returned = 0;
            success = !behaviour.failControl &&
                      (behaviour.fakeSuccess ||
                       DeviceIoControl(volume, request.dwParam, nullptr, 0, nullptr, 0, &returned, nullptr));
            error = behaviour.failControl ? behaviour.failControl : GetLastError();
            replyDelayMs = behaviour.slowMs;
            replySize = (DWORD)behaviour.replyBytes;
        }
        if (replyDelayMs) {
            // Late: at the end of the delay, or as soon as the client asks again.
            pending = ReadRequest(pipe, &request, replyDelayMs, &size);
            Reply(pipe, success, error, replySize);
            if (!pending) pending = ReadRequest(pipe, &request, INFINITE, &size);
        } else {
            Reply(pipe, success, error, replySize);
            pending = ReadRequest(pipe, &request, INFINITE, &size);
        }
    }
    if (volume != INVALID_HANDLE_VALUE) CloseHandle(volume);
}

void ServeClient(DWORD instance) {
    char name[300];
    std::snprintf(name, sizeof name, "%s%lu", kPipeBaseName, (unsigned long)instance);
    HANDLE pipe = CreateNamedPipeA(name, PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED, PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1,
                                   4096, 4096, 0, nullptr);
    if (pipe == INVALID_HANDLE_VALUE) return;
    DWORD got = 0;
    if (Transfer(pipe, false, nullptr, 0, 3000, &got)) Converse(pipe);
    DisconnectNamedPipe(pipe);
    CloseHandle(pipe);
}

int Serve() {
    HANDLE base = CreateNamedPipeA(kPipeBaseName, PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                   PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 64, 64, 0, nullptr);
    if (base == INVALID_HANDLE_VALUE) {
        std::printf("cannot create the base pipe: error %lu\n", GetLastError());
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    for (DWORD instance = 1;; DisconnectNamedPipe(base)) {
        LONG hello = 0;
        DWORD got = 0;
        if (!Transfer(base, false, nullptr, 0, INFINITE, &got)) continue;
        bool greeted = Transfer(base, false, &hello, sizeof hello, 10000, &got) && got == sizeof hello;
        if (greeted) Record(&hello, sizeof hello);
        DWORD answer = behaviour.refuse || !greeted || hello != PIPE_HELLO ? 0xFFFFFFFF : instance;
        Transfer(base, true, &answer, sizeof answer, 10000, &got);
        FlushFileBuffers(base);
        DisconnectNamedPipe(base);
        if (answer == 0xFFFFFFFF) continue;
        ServeClient(instance);
        // Tests wait for this line before they read what was received.
        std::printf("served %lu\n", (unsigned long)instance++);
        std::fflush(stdout);
    }
}

const char kHelp[] =
    "vorlan-standin: a stand-in VORLAN service for Traywake's tests.\n"
    "Listens on \\\\.\\pipe\\VorlanCmdIfV2 and serves clients one after another until stopped.\n"
    "Prints \"ready\" once the base pipe is there.\n"
    "\n"
    "  -refuse             answer every hello with -1\n"
    "  -fail-open CODE     fail command 1 (open volume) with error CODE\n"
    "  -fail-control CODE  fail command 2 (device control) with error CODE\n"
    "  -fake-success       succeed without opening a device\n"
    "  -slow MS            reply to command 2 MS ms late, or when the next request comes\n"
    "  -short N            reply to command 2 with only N bytes (at most a whole reply)\n"
    "  -long               reply to command 2 with twice the bytes of a reply\n"
    "  -record FILE        append every message received to FILE\n";

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        auto number = [&]() -> DWORD { return i + 1 < argc ? std::strtoul(argv[++i], nullptr, 0) : 0; };
        if (option == "-refuse") behaviour.refuse = true;
        else if (option == "-fake-success") behaviour.fakeSuccess = true;
        else if (option == "-fail-open") behaviour.failOpen = number();
        else if (option == "-fail-control") behaviour.failControl = number();
        else if (option == "-slow") behaviour.slowMs = number();
        else if (option == "-short") behaviour.replyBytes = (int)std::min(number(), (DWORD)sizeof(PipeReply));
        else if (option == "-long") behaviour.replyBytes = 2 * sizeof(PipeReply);
        else if (option == "-record" && i + 1 < argc) behaviour.recordPath = argv[++i];
        else {
            std::fputs(kHelp, stdout);
            return 2;
        }
    }
    return Serve();
}
