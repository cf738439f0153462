// Diagnostics: error names, and the crash dump writer end to end, in a running
// Traywake whose main thread is held so the dump is always written before the
// process can end.
#include "base/build_identity.h"
#include "diag/error_names.h"
#include "tests/support/harness.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

TEST(ErrorName, NamesAndNumbers) {
    const struct { DWORD code; const char* name; } rows[] = {
        {0, "ok"}, {21, "NOT_READY"}, {50, "NOT_SUPPORTED"}, {121, "SEM_TIMEOUT"},
        {231, "ERROR_PIPE_BUSY"}, {0x80310000u, "FVE_E_LOCKED_VOLUME"}, {9999, "9999"},
        {0x0FFFFFFF, "268435455"}, {0x90000000u, "0x90000000"},
    };
    for (const auto& row : rows) EXPECT_STREQ(ErrorName(row.code), row.name);
    EXPECT_STREQ(DriveTypeName(DRIVE_CDROM), "DRIVE_CDROM");
    EXPECT_STREQ(DriveTypeName(4294967295u), "DRIVE_4294967295");
}

std::string FileStart(const std::string& path) {
    char start[5] = {};
    std::ifstream(path, std::ios::binary).read(start, 4);
    return start;
}

TEST(CrashDumpFilter, BesideTheProgramElseInTheTemporaryDirectory) {
    char temp[MAX_PATH], address[32];
    GetTempPathA(MAX_PATH, temp);
    wsprintfA(address, "0x%p", (void*)0x10);  // as wide as a pointer: 8 or 16 digits
    const std::string folder = temp + ("traywake-crash-" + std::to_string(GetCurrentProcessId()) + "\\");
    const std::string beside = folder + "Traywake.dmp", fallback = temp + std::string("Quillet.dmp"), mark = folder + "debugger";
    CreateDirectoryA(folder.c_str(), nullptr);
    CopyFileA((BuildDirectory() + "Traywake.exe").c_str(), (folder + "Traywake.exe").c_str(), FALSE);
    // The exception goes on to the system, whose debugger (set here) leaves a mark.
    HKEY aeDebug = nullptr;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug", 0, nullptr, 0,
                    KEY_SET_VALUE, nullptr, &aeDebug, nullptr);
    auto setDebugger = [&](const std::string& command) {
        RegSetValueExA(aeDebug, "Debugger", 0, REG_SZ, (const BYTE*)command.c_str(), (DWORD)command.size() + 1);
    };
    setDebugger("C:\\windows\\system32\\cmd.exe /c echo crash> \"" + mark + "\"");
    for (const std::string& dump : {fallback, beside}) {
        if (dump == fallback) CreateDirectoryA(beside.c_str(), nullptr);  // the dump beside cannot be made
        if (dump == beside) std::ofstream(beside) << "old";               // an earlier crash's dump is replaced
        RunningProgram traywake(folder + "Traywake.exe", "Traywake Q: -na -w:10000");
        ASSERT_TRUE(traywake.Await("abort"));
        SuspendThread(traywake.process.hThread);  // only the crash can end the process now
        CloseHandle(CreateRemoteThread(traywake.process.hProcess, nullptr, 0, (LPTHREAD_START_ROUTINE)(ULONG_PTR)0x10,
                                       nullptr, 0, nullptr));
        Outcome crash = traywake.Finish();
        EXPECT_EQ(crash.output, "invalid drive Q: - abort\r\n\r\n\r\nException 0xC0000005 at " + std::string(address) +
                                    "!\r\nMiniDump written to " + dump + "\r\nplease send it to " + kSupportAddress +
                                    "\r\n\r\n");
        EXPECT_EQ(crash.exitCode, (DWORD)EXCEPTION_ACCESS_VIOLATION);
        EXPECT_EQ(FileStart(dump), "MDMP");
        EXPECT_EQ(FileStart(mark), "cras");
        DeleteFileA(mark.c_str());
        DeleteFileA(fallback.c_str());
        RemoveDirectoryA(beside.c_str());
    }
    setDebugger("C:\\windows\\system32\\cmd.exe /c exit");
    RegCloseKey(aeDebug);
    for (const char* file : {"Traywake.exe", "Traywake.dmp"}) DeleteFileA((folder + file).c_str());
    RemoveDirectoryA(folder.c_str());
}

}  // namespace
