// What the tests run the program's code with.
#include "tests/support/harness.h"

#include "app/load_command.h"
#include "base/memory.h"

#include <gtest/gtest.h>


ScopedHeap::ScopedHeap() : heap_(HeapCreate(0, 0, 0)), previous_(ProcessHeap) { ProcessHeap = heap_; }

ScopedHeap::~ScopedHeap() {
    ProcessHeap = previous_;
    HeapDestroy(heap_);
}

int ScopedHeap::BusyBlocks() const {
    int busy = 0;
    PROCESS_HEAP_ENTRY entry = {};
    while (HeapWalk(heap_, &entry)) busy += (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) ? 1 : 0;
    return busy;
}

GuardedBuffer::GuardedBuffer(size_t size, BYTE fill) {
    size_t pages = (size + 4095) / 4096;
    base_ = (BYTE*)VirtualAlloc(nullptr, (pages + 1) * 4096, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    DWORD old = 0;
    VirtualProtect(base_ + pages * 4096, 4096, PAGE_NOACCESS, &old);
    FillMemory(data_ = base_ + pages * 4096 - size, size, fill);
}

StdoutCapture::StdoutCapture() : previous_(GetStdHandle(STD_OUTPUT_HANDLE)) {
    char directory[MAX_PATH], path[MAX_PATH];
    GetTempPathA(MAX_PATH, directory);
    GetTempFileNameA(directory, "tw", 0, path);
    file_ = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    SetStdHandle(STD_OUTPUT_HANDLE, file_);
}

std::string StdoutCapture::Finish() {
    if (file_ == INVALID_HANDLE_VALUE) return "";
    SetStdHandle(STD_OUTPUT_HANDLE, previous_);
    std::string bytes(GetFileSize(file_, nullptr), 0);
    DWORD read = 0;
    SetFilePointer(file_, 0, nullptr, FILE_BEGIN);
    if (!bytes.empty()) ReadFile(file_, &bytes[0], (DWORD)bytes.size(), &read, nullptr);
    CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
    return bytes.substr(0, read);
}

Outcome RunLoadCommandWith(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "Traywake");
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(&argument[0]);
    ScopedHeap heap;
    StdoutCapture capture;
    DWORD exitCode = (DWORD)RunLoadCommand((int)argv.size(), argv.data());
    EXPECT_EQ(heap.BusyBlocks(), 0) << "heap blocks left";
    return {exitCode, capture.Finish()};
}

std::vector<ULONG_PTR> OpenPipeHandles() {
    std::vector<ULONG_PTR> open;
    DWORD flags = 0;
    for (ULONG_PTR value = 4; value < 0x1000; value += 4)
        if (GetHandleInformation((HANDLE)value, &flags) && GetFileType((HANDLE)value) == FILE_TYPE_PIPE) open.push_back(value);
    return open;
}

std::string BuildDirectory() {
    char path[MAX_PATH];
    std::string directory(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
    return directory.substr(0, directory.find_last_of('\\') + 1);
}

RunningProgram::RunningProgram(const std::string& program, const std::string& commandLine) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE writeEnd = nullptr;
    CreatePipe(&readEnd_, &writeEnd, &inherit, 0);
    SetHandleInformation(readEnd_, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = CreateFileA("NUL", GENERIC_READ, 0, &inherit, OPEN_EXISTING, 0, nullptr);
    startup.hStdOutput = startup.hStdError = writeEnd;
    std::string line = commandLine;
    EXPECT_TRUE(CreateProcessA(program.c_str(), &line[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                               &startup, &process_)) << program << " did not start: " << GetLastError();
    CloseHandle(writeEnd);
    CloseHandle(startup.hStdInput);
    reader_ = std::thread([this] {  // so a program that writes much never blocks on a full pipe
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(readEnd_, buffer, sizeof buffer, &got, nullptr) && got) {
            std::lock_guard<std::mutex> lock(mutex_);
            output_.append(buffer, got);
        }
    });
}

RunningProgram::~RunningProgram() {
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 1);
    Finish();
    CloseHandle(readEnd_);
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

std::string RunningProgram::Output() {
    std::lock_guard<std::mutex> lock(mutex_);
    return output_;
}

// A minute without the text is a hang, not a slow machine.
bool RunningProgram::AwaitOutput(const std::string& text) {
    for (DWORD start = GetTickCount(); Output().find(text) == std::string::npos;) {
        if (WaitForSingleObject(process_.hProcess, 10) == WAIT_OBJECT_0) return Finish().output.find(text) != std::string::npos;
        if (GetTickCount() - start > 60000) return false;
    }
    return true;
}

Outcome RunningProgram::Finish() {
    if (WaitForSingleObject(process_.hProcess, 60000) == WAIT_TIMEOUT) {
        ADD_FAILURE() << "a program did not end: " << Output();
        TerminateProcess(process_.hProcess, 0xDEAD);
    }
    if (reader_.joinable()) reader_.join();
    DWORD exitCode = 0xFFFFFFFF;
    GetExitCodeProcess(process_.hProcess, &exitCode);
    return {exitCode, Output()};
}

Outcome RunTraywake(const std::string& arguments) {
    return RunningProgram(BuildDirectory() + "Traywake.exe", "Traywake " + arguments).Finish();
}

StandinService::StandinService(const std::string& switches)
    : program_(BuildDirectory() + "vorlan-standin.exe", "vorlan-standin " + switches) {
    EXPECT_TRUE(program_.AwaitOutput("ready\r\n")) << program_.Output();
}

std::string StandinService::Messages(const std::string& awaited) {
    EXPECT_TRUE(program_.AwaitOutput(awaited)) << awaited;
    std::string said = program_.Output().substr(7), lines;  // after "ready"
    for (char c : said) lines += c == '\r' ? "" : std::string(1, c);
    return lines;
}
