// The real Traywake.exe under Wine, started with exact command lines: usage,
// options and the drive outcomes that the test prefix can produce.
#include "tests/support/program_run.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kBanner =
    "\r\nTraywake V1.6 (Win32) - loads a media into a drive or brings a volume online\r\n"
    "https://traywake.example.org/\r\n";
const std::string kUsage =
    "\r\nUsage:\r\nTraywake DriveSpec [-na][-w:nnnn]\r\n\r\nDriveSpec is the drive whose media to "
    "load, e.g. D:\r\n-na  no about info\r\n-w:nnnn  wait nnnn milliseconds before close\r\n\r\n";

TEST(LoadCommandEndToEnd, UsageIsShownOnceWithOneBanner) {
    const char* rows[] = {
        "",              // no DriveSpec
        "-?",
        "/?",
        "-? -na",
        "/na -na",       // the first argument is never an option
        "E: -na foo",    // an option not starting with - or /
        "E: \"\"",
        "E: -?",
        "E: -na -na -na -na -na -na",  // eight arguments with the program
        "a b c d e f g h i j",
    };
    for (const char* arguments : rows) {
        ProgramRun run = RunTraywake(arguments);
        ASSERT_TRUE(run.finished) << arguments;
        EXPECT_EQ(run.output, kBanner + kUsage) << arguments;
        EXPECT_EQ(run.exitCode, 2u) << arguments;
    }
}

TEST(LoadCommandEndToEnd, NoAboutOptionInEachPosition) {
    const char* rows[] = {
        "Q: -na",
        "Q: -na -f -w:0",
        "Q: -f -na -w:0",
        "Q: -f -w:0 -na",
        "Q: -f -x -y -w:0 /NA",  // seven arguments with the program: still accepted
    };
    for (const char* arguments : rows) {
        ProgramRun run = RunTraywake(arguments);
        ASSERT_TRUE(run.finished) << arguments << " start error " << run.startError;
        EXPECT_EQ(run.output, "invalid drive Q: - abort\r\n\r\n") << arguments;
        EXPECT_EQ(run.exitCode, 1u) << arguments;
    }
}

TEST(LoadCommandEndToEnd, WaitOptionIsClampedBeforeTheFailurePause) {
    // An invalid drive pauses for the wait time; clamping keeps 99999 to 10 s.
    const struct {
        const char* arguments;
        DWORD atLeastMs, belowMs;
    } rows[] = {
        {"Q: -na -w:-5", 0, 1500},
        {"Q: -na -w:300", 300, 1800},
        {"Q: -na -n:300", 300, 1800},
        {"Q: -na -w:99999", 10000, 11500},
    };
    for (const auto& row : rows) {
        DWORD start = GetTickCount();
        ProgramRun run = RunTraywake(row.arguments);
        DWORD took = GetTickCount() - start;
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.output, "invalid drive Q: - abort\r\n\r\n");
        EXPECT_EQ(run.exitCode, 1u);
        EXPECT_GE(took, row.atLeastMs) << row.arguments;
        EXPECT_LT(took, row.belowMs) << row.arguments;
    }
}

TEST(LoadCommandEndToEnd, QuotedDriveSpecReachesTheProgramWhole) {
    ProgramRun run = RunTraywake("\"Q:\\no such dir\" -na");
    EXPECT_EQ(run.output, "invalid drive Q: - abort\r\n\r\n");
    EXPECT_EQ(run.exitCode, 1u);
}

TEST(LoadCommandEndToEnd, DrivesOfTheTestPrefix) {
    // C: and Z: are volumes of the prefix and D: an optical drive. Wine names
    // no drive type for a volume GUID path, answers no length request (so
    // nothing is refused as loaded), describes each volume as a SCSI device
    // without vendor or product, and refuses both control requests.
    const std::string failed = " online (SCSI Device)... err=NOT_SUPPORTED\r\nfailed\r\n\r\n";
    const std::string invalid = "invalid drive  - abort\r\n\r\n";
    const struct {
        const char* arguments;
        const char* directory;
        std::string output;
        DWORD exitCode;
    } rows[] = {
        {"c: -na", nullptr, "Bring volume C:\\" + failed, 1},
        {"Z:\\ -na", nullptr, "Bring volume Z:\\" + failed, 1},
        {"d: -na", nullptr, "Bring volume D:\\" + failed, 1},
        {"C:\\windows -na", nullptr, "Bring volume C:" + failed, 1},
        {"\\ -na", nullptr, "Bring volume " + failed, 1},      // the program's volume, Z:
        {". -na", "C:\\", "Bring volume " + failed, 1},
        {"\\\\?\\Volume{00000000-0000-0000-0000-000000000043} -na", nullptr, "Bring volume " + failed, 1},
        {"volume{00000000-0000-0000-0000-000000000044}\\ -na", nullptr, "Bring volume " + failed, 1},
        {"Volume{00000000-0000-0000-0000-000000000043}xy -na", nullptr, "Bring volume " + failed, 1},
        {"q: -na", nullptr, "invalid drive Q: - abort\r\n\r\n", 1},
        {"\\x -na", nullptr, invalid, 1},
        {".. -na", nullptr, invalid, 1},
        {"1: -na", nullptr, invalid, 1},
        {"AB -na", nullptr, invalid, 1},
        {"\\\\?\\Volume{00000000-0000-0000-0000-000000000043 -na", nullptr, invalid, 1},
    };
    for (const auto& row : rows) {
        ProgramRun run = RunTraywake(row.arguments, row.directory);
        ASSERT_TRUE(run.finished) << row.arguments;
        EXPECT_EQ(run.output, row.output) << row.arguments;
        EXPECT_EQ(run.exitCode, row.exitCode) << row.arguments;
    }
}

}  // namespace
