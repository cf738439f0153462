// Running a program of the build with an exact command line and collecting
// its standard output and exit code.
#pragma once
#include <windows.h>

#include <mutex>
#include <string>
#include <thread>

// The folder of the running test program, with a trailing backslash; the
// build puts every program there.
std::string BuildDirectory();

// A started program whose standard output and error go to a pipe that a
// thread reads; it has no console and its standard input is NUL.
class RunningProgram {
public:
    // directory: the working directory, or null for ours. Quotes and
    // separators of commandLine reach the program untouched.
    RunningProgram(const std::string& program, const std::string& commandLine,
                   const char* directory = nullptr);
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    bool started() const { return process_.hProcess != nullptr; }
    DWORD startError() const { return startError_; }
    HANDLE process() const { return process_.hProcess; }
    std::string Output();
    // Waits until the output contains text, at most limitMs.
    bool AwaitOutput(const std::string& text, DWORD limitMs);
    // Waits for the end, at most limitMs, else stops the program, and
    // collects the rest of its output; returns whether it ended by itself.
    bool Finish(DWORD limitMs);
    DWORD ExitCode();

private:
    PROCESS_INFORMATION process_ = {};
    DWORD startError_ = 0;
    HANDLE readEnd_ = nullptr;
    std::mutex mutex_;
    std::string output_;
    std::thread reader_;
};

struct ProgramRun {
    DWORD exitCode = 0xFFFFFFFF;
    std::string output;
    bool finished = false;  // false when it had to be stopped after the time limit
    DWORD startError = 0;   // why it did not start, if it did not
};

ProgramRun RunProgram(const std::string& program, const std::string& commandLine,
                      DWORD limitMs = 20000, const char* directory = nullptr);

// Runs Traywake.exe with the given arguments after its name.
ProgramRun RunTraywake(const std::string& arguments, const char* directory = nullptr);
