// A log of the pipe client's opens and sleeps. Opens go on to the real call
// unless the test scripted an error for them; an open without
// identification-level security, or with other arguments, lands in `faults`.
#pragma once
#include <windows.h>

#include <deque>
#include <string>
#include <vector>

class PipeCallLog {
public:
    explicit PipeCallLog(std::deque<DWORD> scriptedErrors);  // for the first opens, in order; 0 passes on
    ~PipeCallLog();
    std::deque<DWORD> scriptedErrors;
    std::string calls;  // "open NAME=ERROR " and "sleep N ", in order
    std::vector<std::string> faults;
    static PipeCallLog* current;
};
