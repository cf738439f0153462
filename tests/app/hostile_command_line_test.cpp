// Hostile command lines: any bytes, any length up to the system's 32767
// characters, unbalanced quotes and floods of separators must end with exit
// code 0, 1 or 2, without corrupting the heap or hanging.
#include "app/load_command.h"
#include "app/memory.h"
#include "app/split_command_line.h"
#include "tests/support/fake_device.h"
#include "tests/support/output_capture.h"
#include "tests/support/program_run.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

// Bytes 1 to 255, weighted towards the ones the splitter treats specially.
std::string HostileLine(std::mt19937& random, size_t length) {
    static const char special[] = {' ', '\t', '\n', '\f', '\r', '\v', '"', '"', '-', '/', ':', '\\', '?'};
    std::string line;
    for (size_t i = 0; i < length; ++i) {
        if (random() % 2) line += special[random() % sizeof special];
        else line += (char)(1 + random() % 255);
    }
    return line;
}

// Waits are the one thing a random line may ask for; they are not what this
// test is about, so "-w:"/"-n:" options are defused.
void DefuseWaits(std::string& line) {
    for (size_t i = 0; i + 1 < line.size(); ++i)
        if (line[i + 1] == ':' && std::string("wWnN").find(line[i]) != std::string::npos)
            line[i + 1] = '.';
}

TEST(HostileCommandLine, InProcessRunsEndWithAKnownExitCode) {
    std::mt19937 random(20261206);
    FakeDevice fake;  // nothing exists: every DriveSpec is invalid
    for (int round = 0; round < 3000; ++round) {
        size_t length = round % 50 == 0 ? 32767 : random() % 400;
        std::string line = "Traywake " + HostileLine(random, length);
        DefuseWaits(line);
        int count = 0;
        char* args[kArgSlots];
        char* block = SplitCommandLine(line.c_str(), &count, args);
        ASSERT_GE(count, 1);
        ASSERT_LE(count, kMaxArgs);
        StdoutCapture capture;
        int exitCode = RunLoadCommand(count, args);
        capture.Finish();
        FreeBlock(block);
        ASSERT_TRUE(exitCode == 1 || exitCode == 2) << round;
        ASSERT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr)) << round;
    }
}

TEST(HostileCommandLine, RealProgramSurvivesLongLines) {
    std::mt19937 random(7);
    const std::string lines[] = {
        std::string(32000, ' '),
        std::string(32000, '"'),
        "\"" + std::string(31000, 'x'),
        HostileLine(random, 32000),
        HostileLine(random, 5000),
    };
    for (std::string arguments : lines) {
        DefuseWaits(arguments);
        ProgramRun run = RunTraywake(arguments);
        ASSERT_TRUE(run.finished);
        EXPECT_TRUE(run.exitCode == 1 || run.exitCode == 2) << run.exitCode;
    }
}

}  // namespace
