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

    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    CreatePipe(&readEnd, &writeEnd, &inherit, 0);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    std::string program = BuildDirectory() + "vorlan-standin.exe";
    std::string line = "vorlan-standin -record \"" + recordPath_ + "\" " + switches;
    bool started = CreateProcessA(program.c_str(), &line[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                  nullptr, nullptr, &startup, &process_);
    CloseHandle(writeEnd);
    if (started) {
        // Its first line says the base pipe is there.
        std::string said;
        char c;
        DWORD got = 0;
        while (said.find('\n') == std::string::npos && ReadFile(readEnd, &c, 1, &got, nullptr) && got)
            said += c;
        ready_ = said.rfind("ready", 0) == 0;
    }
    CloseHandle(readEnd);
}

StandinService::~StandinService() {
    if (process_.hProcess) {
        TerminateProcess(process_.hProcess, 0);
        WaitForSingleObject(process_.hProcess, 5000);
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
    }
    DeleteFileA(recordPath_.c_str());
}

std::vector<BYTE> StandinService::Received() const {
    std::ifstream file(recordPath_, std::ios::binary);
    return std::vector<BYTE>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}
