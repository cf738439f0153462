// What the tests run the program's code with: a private heap whose blocks
// can be counted, buffers that end at a no-access page, captured standard
// output, in-process runs of the load command, started programs and the
// stand-in service.
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

// size bytes that end exactly where a no-access page begins: one byte read
// or written past the end faults.
class GuardedBuffer {
public:
    explicit GuardedBuffer(size_t size, BYTE fill = 0);
    ~GuardedBuffer();
    BYTE* data() const { return data_; }

private:
    BYTE* base_;
    BYTE* data_;
};

// Points standard output at a temporary file until Finish().
class StdoutCapture {
public:
    StdoutCapture();
    ~StdoutCapture();
    std::string Finish();

private:
    HANDLE previous_, file_;
};

struct Outcome {
    DWORD exitCode;
    std::string output;
};

// Runs the load command in this process with the arguments after the program
// name, on a private heap; a block left allocated is reported as a failure.
Outcome RunLoadCommandWith(std::vector<std::string> arguments);

// Handles open in this process: a handle the code under test does not give
// back shows here.
int OpenHandleCount();

// The folder of the running test program, with a trailing backslash.
std::string BuildDirectory();

// A started program with standard output and error on a pipe that a thread
// reads, no console, and NUL as standard input.
class RunningProgram {
public:
    RunningProgram(const std::string& program, const std::string& commandLine);
    ~RunningProgram();
    HANDLE process() const { return process_.hProcess; }
    HANDLE mainThread() const { return process_.hThread; }
    std::string Output();
    bool AwaitOutput(const std::string& text);  // false if the program ended without it
    Outcome Finish();                           // waits for the end

private:
    PROCESS_INFORMATION process_ = {};
    HANDLE readEnd_ = nullptr;
    std::mutex mutex_;
    std::string output_;
    std::thread reader_;
};

// Runs Traywake.exe of the build with the command line after its name.
Outcome RunTraywake(const std::string& arguments);

// The stand-in VORLAN service, listening until the object goes.
class StandinService {
public:
    explicit StandinService(const std::string& switches = "");
    ~StandinService();
    std::vector<BYTE> Received() const;  // every message, in order
    // Waits until the service says "served N": client N's pipe is closed.
    bool AwaitServed(int client) { return program_->AwaitOutput("served " + std::to_string(client)); }

private:
    std::string recordPath_;
    std::unique_ptr<RunningProgram> program_;
};
