// Running a program of the build with an exact command line and collecting
// its standard output and exit code.
#pragma once
#include <windows.h>

#include <string>

struct ProgramRun {
    DWORD exitCode = 0xFFFFFFFF;
    std::string output;
    bool finished = false;  // false when it had to be stopped after the time limit
};

// The folder of the running test program, with a trailing backslash; the
// build puts every program there.
std::string BuildDirectory();

// Starts commandLine as it stands (quotes and separators reach the program
// untouched), with standard output on a pipe and no console.
// directory: the working directory, or null for the caller's.
ProgramRun RunProgram(const std::string& program, const std::string& commandLine,
                      DWORD limitMs = 20000, const char* directory = nullptr);

// Runs Traywake.exe with the given arguments after its name.
ProgramRun RunTraywake(const std::string& arguments, const char* directory = nullptr);
