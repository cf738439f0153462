// The stand-in VORLAN service, started for one test and stopped after it.
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

class RunningProgram;

class StandinService {
public:
    // switches: as vorlan-standin --help lists them. Waits until it listens.
    explicit StandinService(const std::string& switches = "");
    ~StandinService();
    StandinService(const StandinService&) = delete;
    StandinService& operator=(const StandinService&) = delete;
    bool ready() const { return ready_; }
    // Every message the service received, in order, as raw bytes.
    std::vector<BYTE> Received() const;

private:
    std::string recordPath_;
    std::unique_ptr<RunningProgram> program_;
    bool ready_ = false;
};
