// What the tests run the program's code with: a private heap whose blocks are
// counted, buffers that end at a no-access page, captured standard output,
// in-process runs of the load command, started programs and the stand-in
// service.
#pragma once
#include <windows.h>

#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Makes a private heap the program's ProcessHeap for its lifetime.
class ScopedHeap {
public:
    ScopedHeap();
    ~ScopedHeap();
    int BusyBlocks() const;  // blocks allocated and not freed

private:
    HANDLE heap_, previous_;
};

// size bytes that end where a no-access page begins: one byte past the end faults.
class GuardedBuffer {
public:
    explicit GuardedBuffer(size_t size, BYTE fill = 0);
    ~GuardedBuffer() { VirtualFree(base_, 0, MEM_RELEASE); }
    BYTE* data() const { return data_; }

private:
    BYTE *base_, *data_;
};

// Points standard output at a temporary file until Finish().
class StdoutCapture {
public:
    StdoutCapture();
    ~StdoutCapture() { Finish(); }
    std::string Finish();

private:
    HANDLE previous_, file_;
};

struct Outcome {
    DWORD exitCode;
    std::string output;
};

// The load command in this process, on a private heap; a block left allocated fails the test.
Outcome RunLoadCommandWith(std::vector<std::string> arguments);
// Pipe handles open in this process. (Wine opens and closes handles of other
// kinds on its own, for a blocking read, say, so only pipes can be compared.)
std::vector<ULONG_PTR> OpenPipeHandles();
std::string BuildDirectory();  // of the running test program, with a trailing backslash

// A started program, its standard output and error on a pipe a thread reads, NUL as input.
class RunningProgram {
public:
    RunningProgram(const std::string& program, const std::string& commandLine);
    ~RunningProgram();
    HANDLE process() const { return process_.hProcess; }
    HANDLE mainThread() const { return process_.hThread; }
    std::string Output();
    bool AwaitOutput(const std::string& text);  // false if the program ended (or hung) without it
    Outcome Finish();                           // waits for the end; a minute is a hang

private:
    PROCESS_INFORMATION process_ = {};
    HANDLE readEnd_ = nullptr;
    std::mutex mutex_;
    std::string output_;
    std::thread reader_;
};

Outcome RunTraywake(const std::string& arguments);  // Traywake.exe of the build

// The stand-in VORLAN service, listening until the object goes.
class StandinService {
public:
    explicit StandinService(const std::string& switches);
    // What it said of the messages it received, a line each, once it has said awaited.
    std::string Messages(const std::string& awaited);

private:
    RunningProgram program_;
};
