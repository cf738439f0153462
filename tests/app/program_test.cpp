// The real Traywake.exe under Wine, started with exact command lines: what
// only the whole program shows (its entry, the real seams, the prefix's
// drives). Wine names no drive type for a volume GUID path, answers no length
// request, describes each volume as a SCSI device and refuses both requests.
#include "tests/support/harness.h"
#include "traywake_identity.h"

#include <gtest/gtest.h>

namespace {

TEST(Program, CommandLinesOnTheTestPrefix) {
    const std::string failed = " online (SCSI Device)... err=NOT_SUPPORTED\r\nfailed\r\n\r\n";
    const std::string usage =
        "\r\nTraywake V1.6 (Win32) - loads a media into a drive or brings a volume online\r\n" TRAYWAKE_HOME_URL_TEXT
        "\r\n\r\nUsage:\r\nTraywake DriveSpec [-na][-w:nnnn]\r\n\r\nDriveSpec is the drive whose media to load, e.g. "
        "D:\r\n-na  no about info\r\n-w:nnnn  wait nnnn milliseconds before close\r\n\r\n";
    std::string hostile(32000, '"');  // too many arguments, like any other such line
    for (size_t i = 0; i < hostile.size(); i += 3) hostile[i] = ' ';
    const struct { std::string arguments, output; DWORD exitCode; } rows[] = {
        {"d: -na", "Bring volume D:\\" + failed, 1},
        {"C:\\windows -na", "Bring volume C:" + failed, 1},
        {"\\ -na", "Bring volume " + failed, 1},  // the program's own volume
        {". -na", "Bring volume " + failed, 1},   // the build folder's volume
        {"\"Q:\\no such dir\" -na", "invalid drive Q: - abort\r\n\r\n", 1},
        {"-? -na", usage, 2},
        {hostile, usage, 2},
    };
    for (const auto& row : rows) {
        Outcome run = RunTraywake(row.arguments);
        EXPECT_EQ(run.output, row.output) << row.arguments.substr(0, 20);
        EXPECT_EQ(run.exitCode, row.exitCode) << row.arguments.substr(0, 20);
    }
}

// The entry sets the crash filter: a crash in a pausing Traywake, whose main
// thread is held so the filter always runs before the process could end.
TEST(Program, ACrashLeavesADump) {
    const std::string dump = BuildDirectory() + "Traywake.dmp";
    RunningProgram traywake(BuildDirectory() + "Traywake.exe", "Traywake Q: -na -w:10000");
    ASSERT_TRUE(traywake.Await("abort"));
    SuspendThread(traywake.process.hThread);
    CloseHandle(CreateRemoteThread(traywake.process.hProcess, nullptr, 0, (LPTHREAD_START_ROUTINE)(ULONG_PTR)0x10,
                                   nullptr, 0, nullptr));
    Outcome crash = traywake.Finish();
    EXPECT_NE(crash.output.find("MiniDump written to " + dump + "\r\n"), std::string::npos) << crash.output;
    EXPECT_EQ(crash.exitCode, (DWORD)EXCEPTION_ACCESS_VIOLATION);
    EXPECT_TRUE(DeleteFileA(dump.c_str()));
}

}  // namespace
