// The crash filter, called as the system would call it, for a program in the
// temporary folder. (Error names show in the load command's table.)
#include "base/build_identity.h"
#include "diag/crash_dump.h"
#include "base/process_records.h"
#include "tests/support/harness.h"

#include <fstream>

TEST(CrashDumpFilter, BesideTheProgramElseInTheTemporaryDirectory) {
    char temp[MAX_PATH];
    char address[32];
    GetTempPathA(MAX_PATH, temp);
    wsprintfA(address, "0x%p", (void*)0x10);  // as wide as a pointer: 8 or 16 digits
    const std::string program = temp + ("traywake-crash-" + std::to_string(GetCurrentProcessId()));
    const std::string beside = program + ".dmp";
    const std::string fallback = temp + std::string("Quillet.dmp");
    lstrcpyA(OwnModulePath, (program + ".exe").c_str());
    CONTEXT context = {};
    RtlCaptureContext(&context);
    EXCEPTION_RECORD record = {EXCEPTION_ACCESS_VIOLATION, 0, nullptr, (PVOID)0x10};
    EXCEPTION_POINTERS exception = {&record, &context};
    for (const std::string& dump : {fallback, beside}) {
        if (dump == fallback)
            CreateDirectoryA(beside.c_str(), nullptr);       // the dump beside cannot be made
        if (dump == beside) std::ofstream(beside) << "old";  // an earlier crash's dump is replaced
        StdoutCapture capture;
        EXPECT_EQ(CrashDumpFilter(&exception), EXCEPTION_CONTINUE_SEARCH);  // on to the system
        EXPECT_EQ(capture.Finish(), "\r\nException 0xC0000005 at " + std::string(address) +
                                        "!\r\nMiniDump written to " + dump +
                                        "\r\nplease send it to " + kSupportAddress + "\r\n\r\n");
        char start[5] = {};
        EXPECT_EQ(std::string(start, std::ifstream(dump, std::ios::binary).read(start, 4).gcount()),
                  "MDMP");
        DeleteFileA(fallback.c_str());
        RemoveDirectoryA(beside.c_str());
    }
    DeleteFileA(beside.c_str());
}
