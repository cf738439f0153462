// A log of the pipe client's opens and sleeps. Opens are passed on to the
// real call unless the test scripted an error for them; sleeps are logged
// and taken.
#pragma once
#include <windows.h>

#include <deque>
#include <string>
#include <vector>

class PipeCallLog {
public:
    // Errors for the first opens, in order; 0 passes an open on.
    explicit PipeCallLog(std::deque<DWORD> scriptedErrors = {});
    ~PipeCallLog();
    PipeCallLog(const PipeCallLog&) = delete;
    PipeCallLog& operator=(const PipeCallLog&) = delete;

    std::deque<DWORD> scriptedErrors;
    std::string calls;  // "open NAME=ERROR " and "sleep N ", in order
    std::vector<std::string> faults;  // opens without identification-level security
    static PipeCallLog* current;
};
