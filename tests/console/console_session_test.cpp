// The console session: colour arithmetic, the control handler, ownership of
// the console window, and no colour call at all when output is redirected.
#include "console/console_session.h"
#include "app/memory.h"
#include "console/con_printf.h"
#include "tests/support/fake_console.h"
#include "tests/support/fake_device.h"
#include "tests/support/load_command_run.h"
#include "tests/support/output_capture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(SetTextColor, AttributesStartFromTheSavedOnes) {
    const struct {
        WORD saved;
        WORD color;
        WORD written;
    } rows[] = {
        {0x07, 14, 0x0E}, {0x07, 10, 0x0A}, {0x07, 12, 0x0C}, {0x07, 0, 0x07},
        {0xF0, 14, 0xF6}, {0xF0, 10, 0xF2}, {0xF0, 12, 0xF4}, {0xF0, 0, 0xF0},
        {0x1F, 12, 0x1C}, {0x70, 14, 0x7E},
        {0x4007, 14, 0x400E},  // bits above the background come through
        {0xC0F0, 10, 0xC0F2},
    };
    for (const auto& row : rows) {
        FakeConsole console(false, false);
        ConsoleSession session;
        session.m_wSavedAttributes = row.saved;
        session.SetTextColor(14);  // a colour before: the next one does not mix with it
        session.SetTextColor(row.color);
        ASSERT_EQ(console.attributesWritten.size(), 2u);
        EXPECT_EQ(console.attributesWritten[1], row.written) << std::hex << row.saved << " " << row.color;
        EXPECT_EQ(ColorAttributes(row.saved, row.color), row.written);
    }
}

TEST(SetTextColor, NothingIsWrittenWithoutSavedAttributes) {
    FakeConsole console(true, true);
    ConsoleSession session;
    session.m_wSavedAttributes = 0;
    for (WORD color : {14, 10, 12, 0}) session.SetTextColor(color);
    EXPECT_TRUE(console.attributesWritten.empty());
}

TEST(ConsoleSession, RedirectedOutputGetsTheConsoleBytesAndNoColourCall) {
    FakeConsole console(false, false);
    FakeDevice fake;
    LoadCommandOutcome outcome = RunLoadCommandWith({"Q:", "-na"});
    EXPECT_EQ(outcome.output, "invalid drive Q: - abort\r\n\r\n");
    EXPECT_TRUE(console.attributesWritten.empty());
    StdoutCapture capture;
    ConsoleSession session;
    capture.Finish();
    EXPECT_TRUE(session.m_isOutputRedirected);
    EXPECT_EQ(session.m_wSavedAttributes, 0);
    EXPECT_NE(std::string(session.m_szModulePath).find("console_tests.exe"), std::string::npos);
}

// Scripted success, so the run reaches its wait before close.
void ScriptLoadableDrive(FakeDevice& fake) {
    const std::string volume = "\\\\?\\Volume{0a1b2c3d-0000-1111-2222-333344445555}";
    fake.mountPoints["E:\\"] = volume + "\\";
    fake.driveTypes[volume + "\\"] = DRIVE_CDROM;
    fake.AddVolume(volume).loadMediaSucceeds = true;
}

TEST(ConsoleSession, OwnConsoleWaitsBeforeClosingAndAsksForAKey) {
    const struct {
        const char* name;
        bool visible, owned;
        std::vector<std::string> arguments;
        std::string endsWith;
        DWORD atLeastMs;
    } rows[] = {
        // Success waits 2000 ms by default in a console of its own.
        {"own, success", true, true, {"E:", "-na"}, "success\r\n\r\n", 2000},
        {"shared, success", true, false, {"E:", "-na"}, "success\r\n\r\n", 0},
        // Usage asks for a key; standard input here is no console, so the
        // prompt stays about 2.2 s.
        {"own, usage", true, true, {"-?", "-na"}, "close\r\n\r\nPress any key to close", 2200},
        {"hidden, usage", false, true, {"-?", "-na"}, "close\r\n\r\n", 0},
        {"shared, usage", true, false, {"-?", "-na"}, "close\r\n\r\n", 0},
    };
    for (const auto& row : rows) {
        FakeConsole console(row.visible, row.owned);
        FakeDevice fake;
        ScriptLoadableDrive(fake);
        DWORD start = GetTickCount();
        LoadCommandOutcome outcome = RunLoadCommandWith(row.arguments);
        DWORD took = GetTickCount() - start;
        EXPECT_EQ(outcome.output.substr(outcome.output.size() - std::min(outcome.output.size(), row.endsWith.size())),
                  row.endsWith) << row.name;
        EXPECT_GE(took + 20, row.atLeastMs) << row.name;  // the tick has a coarse grain
        EXPECT_TRUE(console.attributesWritten.empty()) << row.name;  // output is a file
    }
}

}  // namespace
