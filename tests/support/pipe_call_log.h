// A log of the pipe client's opens and sleeps, passed on to the real calls,
// with an optional number of opens answered "busy" first.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

class PipeCallLog {
public:
    explicit PipeCallLog(int scriptedBusyOpens = 0);
    ~PipeCallLog();
    PipeCallLog(const PipeCallLog&) = delete;
    PipeCallLog& operator=(const PipeCallLog&) = delete;

    struct Open {
        std::string name;
        DWORD error;  // 0 when the open succeeded
        DWORD flags;
    };
    std::vector<Open> opens;
    std::vector<DWORD> sleeps;
    int scriptedBusyOpens;
    static PipeCallLog* current;
};
