// The crash dump writer, end to end: a running Traywake meets an access
// violation (a thread started in it at an invalid address), writes a
// minidump beside its program file or, failing that, in the temporary
// directory, says so on its console and then ends as the system decides.
#include "diag/crash_dump.h"
#include "app/load_command.h"
#include "tests/support/program_run.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char kFaultAddress[] = "0x0000000000000010";

struct CrashRun {
    std::string output;
    DWORD exitCode;
};

// Starts program with an invalid drive and a pause, so it is waiting when a
// thread is started in it at an address where nothing can run.
CrashRun CrashWhilePausing(const std::string& program) {
    RunningProgram running(program, "Traywake Q: -na -w:10000");
    // The failure pause has begun once the abort line is out.
    running.AwaitOutput("abort", 5000);
    Sleep(200);
    HANDLE thread = CreateRemoteThread(running.process(), nullptr, 0,
                                       reinterpret_cast<LPTHREAD_START_ROUTINE>(static_cast<ULONG_PTR>(0x10)),
                                       nullptr, 0, nullptr);
    if (thread) CloseHandle(thread);
    running.Finish(20000);
    return {running.Output(), running.ExitCode()};
}

// A fresh folder with a copy of Traywake.exe in it.
std::string ProgramCopy(const std::string& folderName) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + folderName + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    CopyFileA((BuildDirectory() + "Traywake.exe").c_str(), (folder + "Traywake.exe").c_str(), FALSE);
    return folder;
}

std::string FileStart(const std::string& path, size_t bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "";
    std::string start(bytes, 0);
    DWORD got = 0;
    ReadFile(file, &start[0], (DWORD)bytes, &got, nullptr);
    CloseHandle(file);
    start.resize(got);
    return start;
}

std::string ExpectedLines(const std::string& dumpPath) {
    return "invalid drive Q: - abort\r\n\r\n\r\nException 0xC0000005 at " + std::string(kFaultAddress) +
           "!\r\nMiniDump written to " + dumpPath + "\r\nplease send it to " + kSupportAddress + "\r\n\r\n";
}

TEST(CrashDumpFilter, WritesTheDumpBesideTheProgram) {
    std::string folder = ProgramCopy("traywake-crash-");
    std::string dump = folder + "Traywake.dmp";
    for (int run = 0; run < 2; ++run) {  // the second crash overwrites the first dump
        CrashRun crash = CrashWhilePausing(folder + "Traywake.exe");
        EXPECT_EQ(crash.output, ExpectedLines(dump));
        EXPECT_EQ(crash.exitCode, (DWORD)EXCEPTION_ACCESS_VIOLATION);
        EXPECT_EQ(FileStart(dump, 4), "MDMP");
    }
    DeleteFileA(dump.c_str());
    DeleteFileA((folder + "Traywake.exe").c_str());
    RemoveDirectoryA(folder.c_str());
}

TEST(CrashDumpFilter, FallsBackToTheTemporaryDirectory) {
    std::string folder = ProgramCopy("traywake-readonly-");
    // A folder where the dump file would go: the primary file cannot be created.
    CreateDirectoryA((folder + "Traywake.dmp").c_str(), nullptr);
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string fallback = std::string(temp) + "Quillet.dmp";
    DeleteFileA(fallback.c_str());
    CrashRun crash = CrashWhilePausing(folder + "Traywake.exe");
    EXPECT_EQ(crash.output, ExpectedLines(fallback));
    EXPECT_EQ(FileStart(fallback, 4), "MDMP");
    DeleteFileA(fallback.c_str());
    RemoveDirectoryA((folder + "Traywake.dmp").c_str());
    DeleteFileA((folder + "Traywake.exe").c_str());
    RemoveDirectoryA(folder.c_str());
}

TEST(CrashDumpFilter, AlwaysLetsTheSearchContinue) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string saved = OwnModulePath;
    lstrcpyA(OwnModulePath, (std::string(temp) + "traywake-filter.exe").c_str());
    EXCEPTION_RECORD record = {};
    record.ExceptionCode = EXCEPTION_BREAKPOINT;
    CONTEXT context = {};
    EXCEPTION_POINTERS pointers = {&record, &context};
    EXPECT_EQ(CrashDumpFilter(&pointers), EXCEPTION_CONTINUE_SEARCH);
    EXPECT_TRUE(DeleteFileA((std::string(temp) + "traywake-filter.dmp").c_str()));
    lstrcpyA(OwnModulePath, saved.c_str());
}

}  // namespace
