// The stand-in VORLAN service, started for one test and stopped after it.
#include "tests/support/standin_service.h"

#include "tests/support/program_run.h"

#include <fstream>
#include <iterator>

StandinService::StandinService(const std::string& switches) {
    char directory[MAX_PATH];
    char path[MAX_PATH];
    GetTempPathA(MAX_PATH, directory);
    GetTempFileNameA(directory, "vs", 0, path);
    recordPath_ = path;
    DeleteFileA(path);
    program_.reset(new RunningProgram(BuildDirectory() + "vorlan-standin.exe",
                                      "vorlan-standin -record \"" + recordPath_ + "\" " + switches));
    // Its first line says the base pipe is there.
    ready_ = program_->AwaitOutput("ready", 10000);
}

StandinService::~StandinService() {
    program_.reset();  // it serves until stopped
    DeleteFileA(recordPath_.c_str());
}

std::vector<BYTE> StandinService::Received() const {
    std::ifstream file(recordPath_, std::ios::binary);
    return std::vector<BYTE>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}
