// vorlan-standin: a small stand-in for the VORLAN service, for the tests.
//
// It listens on the base command pipe, answers each hello with an instance
// number, serves that client on its own per-client pipe (opening the named
// volume on command 1 and sending control codes to it on command 2), and
// ends the conversation on goodbye. Clients are served one after another
// until the process is stopped. Switches make it misbehave in the ways a
// real service might, so the client's handling of each can be tested.
#include "service/command_pipe_client.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct Behaviour {
    bool refuse = false;            // answer -1 to every hello
    DWORD busyMs = 0;               // keep the base pipe busy this long after start
    DWORD lateMs = 0;               // create the per-client pipe this late
    bool deny = false;              // per-client pipe refuses read-write opens (ACCESS_DENIED)
    DWORD failOpen = 0;             // fail command 1 with this error
    DWORD failControl = 0;          // fail command 2 with this error
    bool fakeSuccess = false;       // reply success without touching a device
    bool silent = false;            // never reply to a request
    int shortReply = -1;            // reply with only this many bytes
    bool longReply = false;         // reply with twice the bytes of a reply
    bool garbage = false;           // reply with random bytes
    bool breakPipe = false;         // close the pipe when the first request arrives
    DWORD firstInstance = 1;        // instance number of the first client
    std::string recordPath;         // append every message received to this file
};

Behaviour behaviour;

void Record(const void* bytes, DWORD size) {
    if (behaviour.recordPath.empty() || size == 0) return;
    HANDLE file = CreateFileA(behaviour.recordPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                              OPEN_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes, size, &written, nullptr);
    CloseHandle(file);
}

// Waits for a client on a pipe instance, at most limitMs.
bool AwaitClient(HANDLE pipe, DWORD limitMs) {
    OVERLAPPED overlapped = {};
    overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    bool connected = ConnectNamedPipe(pipe, &overlapped) != 0;
    DWORD error = GetLastError();
    if (!connected && error == ERROR_PIPE_CONNECTED) connected = true;
    if (!connected && error == ERROR_IO_PENDING) {
        if (WaitForSingleObject(overlapped.hEvent, limitMs) == WAIT_OBJECT_0) {
            DWORD ignored = 0;
            connected = GetOverlappedResult(pipe, &overlapped, &ignored, FALSE) != 0;
        } else {
            CancelIo(pipe);
        }
    }
    CloseHandle(overlapped.hEvent);
    return connected;
}

bool ReadSome(HANDLE pipe, void* buffer, DWORD size, DWORD* got) {
    OVERLAPPED overlapped = {};
    overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    bool done = ReadFile(pipe, buffer, size, nullptr, &overlapped) || GetLastError() == ERROR_IO_PENDING;
    done = done && GetOverlappedResult(pipe, &overlapped, got, TRUE);
    CloseHandle(overlapped.hEvent);
    return done;
}

bool WriteAll(HANDLE pipe, const void* buffer, DWORD size) {
    OVERLAPPED overlapped = {};
    overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD written = 0;
    bool done = WriteFile(pipe, buffer, size, nullptr, &overlapped) || GetLastError() == ERROR_IO_PENDING;
    done = done && GetOverlappedResult(pipe, &overlapped, &written, TRUE);
    CloseHandle(overlapped.hEvent);
    return done;
}

// Reads one client message: a 4-byte goodbye or a whole request.
bool ReadMessage(HANDLE pipe, PipeRequest* request, DWORD* size) {
    *size = 0;
    BYTE* bytes = reinterpret_cast<BYTE*>(request);
    while (*size < sizeof *request) {
        DWORD got = 0;
        if (!ReadSome(pipe, bytes + *size, sizeof *request - *size, &got) || got == 0) return false;
        *size += got;
        if (*size >= 4 && request->nCommand == PIPE_GOODBYE) return true;
    }
    return true;
}

void Reply(HANDLE pipe, bool success, DWORD error) {
    BYTE bytes[2 * sizeof(PipeReply)] = {};
    PipeReply* reply = reinterpret_cast<PipeReply*>(bytes);
    reply->bSuccess = success ? 1 : 0;
    reply->dwError = success ? 0 : error;
    DWORD size = sizeof(PipeReply);
    if (behaviour.garbage)
        for (BYTE& byte : bytes) byte = (BYTE)std::rand();
    if (behaviour.longReply) size = sizeof bytes;
    if (behaviour.shortReply >= 0) size = (DWORD)behaviour.shortReply;
    WriteAll(pipe, bytes, size);
}

void Converse(HANDLE pipe) {
    HANDLE volume = INVALID_HANDLE_VALUE;
    for (;;) {
        PipeRequest request = {};
        DWORD size = 0;
        if (!ReadMessage(pipe, &request, &size)) break;
        Record(&request, size);
        if (request.nCommand == PIPE_GOODBYE) break;
        if (behaviour.breakPipe) break;
        if (behaviour.silent) {
            // Hold the conversation open until the client gives up.
            DWORD got = 0;
            BYTE sink[64];
            while (ReadSome(pipe, sink, sizeof sink, &got) && got) {}
            break;
        }
        bool success = false;
        DWORD error = 0;
        if (request.nCommand == PIPE_CMD_OPEN_VOLUME) {
            if (behaviour.failOpen) {
                error = behaviour.failOpen;
            } else if (behaviour.fakeSuccess) {
                success = true;
            } else {
                request.szPath[sizeof request.szPath - 1] = 0;
                volume = CreateFileA(request.szPath, GENERIC_READ | GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
                success = volume != INVALID_HANDLE_VALUE;
                error = GetLastError();
            }
        } else if (request.nCommand == PIPE_CMD_DEVICE_CONTROL) {
            if (behaviour.failControl) {
                error = behaviour.failControl;
            } else if (behaviour.fakeSuccess) {
                success = true;
            } else {
                DWORD returned = 0;
                success = DeviceIoControl(volume, request.dwParam, nullptr, 0, nullptr, 0, &returned, nullptr);
                error = GetLastError();
            }
        } else {
            error = ERROR_INVALID_FUNCTION;
        }
        Reply(pipe, success, error);
    }
    if (volume != INVALID_HANDLE_VALUE) CloseHandle(volume);
}

void ServeClient(DWORD instance) {
    if (behaviour.lateMs) Sleep(behaviour.lateMs);
    char name[300];
    std::snprintf(name, sizeof name, "%s%lu", kPipeBaseName, (unsigned long)instance);
    // An outbound-only pipe refuses a client that asks to write: ACCESS_DENIED.
    DWORD access = (behaviour.deny ? PIPE_ACCESS_OUTBOUND : PIPE_ACCESS_DUPLEX) | FILE_FLAG_OVERLAPPED;
    HANDLE pipe = CreateNamedPipeA(name, access, PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1,
                                   4096, 4096, 0, nullptr);
    if (pipe == INVALID_HANDLE_VALUE) return;
    if (AwaitClient(pipe, 3000)) Converse(pipe);
    DisconnectNamedPipe(pipe);
    CloseHandle(pipe);
}

// Occupies the only base pipe instance with a client of our own.
HANDLE OccupyBasePipe() {
    return CreateFileA(kPipeBaseName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

int Serve() {
    HANDLE base = CreateNamedPipeA(kPipeBaseName, PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                   PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 64, 64, 0, nullptr);
    if (base == INVALID_HANDLE_VALUE) {
        std::printf("cannot create the base pipe: error %lu\n", GetLastError());
        return 1;
    }
    HANDLE occupant = INVALID_HANDLE_VALUE;
    if (behaviour.busyMs) {
        occupant = OccupyBasePipe();
        AwaitClient(base, 1000);
    }
    std::printf("ready\n");
    std::fflush(stdout);
    if (occupant != INVALID_HANDLE_VALUE) {
        Sleep(behaviour.busyMs);
        CloseHandle(occupant);
        DisconnectNamedPipe(base);
    }
    DWORD instance = behaviour.firstInstance;
    for (;;) {
        if (!AwaitClient(base, INFINITE)) {
            DisconnectNamedPipe(base);
            continue;
        }
        LONG hello = 0;
        DWORD got = 0;
        bool greeted = ReadSome(base, &hello, sizeof hello, &got) && got == sizeof hello;
        if (greeted) Record(&hello, sizeof hello);
        DWORD answer = behaviour.refuse || !greeted || hello != PIPE_HELLO ? 0xFFFFFFFF : instance;
        WriteAll(base, &answer, sizeof answer);
        FlushFileBuffers(base);
        DisconnectNamedPipe(base);
        if (answer != 0xFFFFFFFF) ServeClient(instance++);
    }
}

const char kHelp[] =
    "vorlan-standin: a stand-in VORLAN service for Traywake's tests.\n"
    "Listens on \\\\.\\pipe\\VorlanCmdIfV2 and serves clients one after another until stopped.\n"
    "Prints \"ready\" once the base pipe is there.\n"
    "\n"
    "  -refuse           answer every hello with -1\n"
    "  -busy MS          keep the base pipe busy for MS milliseconds after start\n"
    "  -late MS          create each per-client pipe MS milliseconds after the answer\n"
    "  -deny             per-client pipe refuses the client (ACCESS_DENIED)\n"
    "  -fail-open CODE   fail command 1 (open volume) with error CODE\n"
    "  -fail-control CODE  fail command 2 (device control) with error CODE\n"
    "  -fake-success     reply success without touching a device\n"
    "  -silent           never reply to a request\n"
    "  -short N          reply with only N bytes\n"
    "  -long             reply with twice the bytes of a reply\n"
    "  -garbage          reply with random bytes\n"
    "  -break            close the pipe when the first request arrives\n"
    "  -instance N       number the first client N (default 1)\n"
    "  -record FILE      append every message received to FILE\n"
    "  --help            this text\n";

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        auto number = [&]() -> DWORD { return i + 1 < argc ? std::strtoul(argv[++i], nullptr, 0) : 0; };
        if (option == "-refuse") behaviour.refuse = true;
        else if (option == "-busy") behaviour.busyMs = number();
        else if (option == "-late") behaviour.lateMs = number();
        else if (option == "-deny") behaviour.deny = true;
        else if (option == "-fail-open") behaviour.failOpen = number();
        else if (option == "-fail-control") behaviour.failControl = number();
        else if (option == "-fake-success") behaviour.fakeSuccess = true;
        else if (option == "-silent") behaviour.silent = true;
        else if (option == "-short") behaviour.shortReply = (int)number();
        else if (option == "-long") behaviour.longReply = true;
        else if (option == "-garbage") behaviour.garbage = true;
        else if (option == "-break") behaviour.breakPipe = true;
        else if (option == "-instance") behaviour.firstInstance = number();
        else if (option == "-record" && i + 1 < argc) behaviour.recordPath = argv[++i];
        else {
            std::fputs(kHelp, stdout);
            return option == "--help" ? 0 : 2;
        }
    }
    return Serve();
}
