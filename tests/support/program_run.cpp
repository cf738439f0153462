// Running a program of the build with an exact command line and collecting
// its standard output and exit code.
#include "tests/support/program_run.h"

#include <vector>

std::string BuildDirectory() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string directory(path, length);
    return directory.substr(0, directory.find_last_of('\\') + 1);
}

RunningProgram::RunningProgram(const std::string& program, const std::string& commandLine,
                               const char* directory) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd_, &writeEnd, &inherit, 0)) return;
    SetHandleInformation(readEnd_, HANDLE_FLAG_INHERIT, 0);
    HANDLE input = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                               OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back(0);
    // Wine has been seen to refuse a start once in a long run, before any of
    // the program's code ran; one more try tells that apart from a real fault.
    for (int attempt = 0; attempt < 2 && !process_.hProcess; ++attempt) {
        if (attempt) Sleep(200);
        if (!CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                            directory, &startup, &process_)) {
            startError_ = GetLastError();
            process_ = {};
        }
    }
    CloseHandle(writeEnd);
    CloseHandle(input);
    // Read on a thread so a program that writes much cannot block on a full pipe.
    reader_ = std::thread([this] {
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(readEnd_, buffer, sizeof buffer, &got, nullptr) && got) {
            std::lock_guard<std::mutex> lock(mutex_);
            output_.append(buffer, got);
        }
    });
}

RunningProgram::~RunningProgram() {
    Finish(0);
    CloseHandle(readEnd_);
    if (started()) {
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
}

std::string RunningProgram::Output() {
    std::lock_guard<std::mutex> lock(mutex_);
    return output_;
}

bool RunningProgram::AwaitOutput(const std::string& text, DWORD limitMs) {
    for (DWORD waited = 0; waited <= limitMs; waited += 20) {
        if (Output().find(text) != std::string::npos) return true;
        Sleep(20);
    }
    return false;
}

bool RunningProgram::Finish(DWORD limitMs) {
    bool ended = false;
    if (started()) {
        ended = WaitForSingleObject(process_.hProcess, limitMs) == WAIT_OBJECT_0;
        if (!ended) TerminateProcess(process_.hProcess, 0xDEAD);
        WaitForSingleObject(process_.hProcess, INFINITE);
    }
    // The pipe closes with the program, so the reader has all there is.
    if (reader_.joinable()) reader_.join();
    return ended;
}

DWORD RunningProgram::ExitCode() {
    DWORD code = 0xFFFFFFFF;
    if (started()) GetExitCodeProcess(process_.hProcess, &code);
    return code;
}

ProgramRun RunProgram(const std::string& program, const std::string& commandLine, DWORD limitMs,
                      const char* directory) {
    ProgramRun run;
    {
        RunningProgram running(program, commandLine, directory);
        run.startError = running.startError();
        if (!running.started()) return run;
        run.finished = running.Finish(limitMs);
        run.exitCode = running.ExitCode();
        run.output = running.Output();
    }
    return run;
}

ProgramRun RunTraywake(const std::string& arguments, const char* directory) {
    std::string program = BuildDirectory() + "Traywake.exe";
    return RunProgram(program, arguments.empty() ? "Traywake" : "Traywake " + arguments, 20000,
                      directory);
}
