// Console output, colours, the control handler and the two key waits,
// through the console seam's scripted clock and keys.
#include "console/con_printf.h"
#include "console/console_session.h"
#include "console/key_waits.h"
#include "tests/support/fake_console.h"
#include "tests/support/harness.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(ConPrintf, LineEndsAndTheBound) {
    std::string pairs;
    for (int i = 0; i < 511; ++i) pairs += "\r\n";  // 1022 bytes; a pair more would pass 1023
    const std::string x1021(1021, 'x'), x1022(1022, 'x');
    const std::pair<std::string, std::string> rows[] = {
        {"a\nb\r\n\n", "a\r\nb\r\n\r\n"}, {std::string(600, '\n'), pairs}, {x1022 + "\n", x1022},
        {x1021 + "\ny", x1021 + "\r\n"}, {x1022 + "x", x1022 + "x"},
    };
    for (const auto& row : rows) {
        GuardedBuffer text(kTextBufferSize);
        std::memcpy(text.data(), row.first.c_str(), row.first.size() + 1);
        text.data()[-1] = '\r';  // not part of the text: a first LF is bare
        EXPECT_EQ(std::string(LfToCrLf((char*)text.data())), row.second) << row.first.size();
    }
    StdoutCapture capture;
    EXPECT_EQ(ConPrintf("%s=%u\n", "size", 7u), 8);
    EXPECT_EQ(capture.Finish(), "size=7\r\n");
}

TEST(ConsoleSession, ColoursStartFromTheScreenAndCtrlEventsAreHandled) {
    const struct { WORD screen, color; std::string written; } rows[] = {
        {0x07, kColorGreen, "{A}"}, {0x1F, kColorYellow, "{1E}"}, {0xF0, kColorRed, "{F4}"},  // light: dark variant
        {0x2E, kColorRestore, "{2E}"}, {0, kColorRed, ""},  // not a console: no colour call at all
    };
    for (const auto& row : rows) {
        FakeConsole console(false, false, row.screen);
        ConsoleSession session;
        StdoutCapture capture;
        session.SetTextColor(row.color);
        EXPECT_EQ(capture.Finish(), row.written) << row.screen;
    }
    for (DWORD event = 0; event < 8; ++event) EXPECT_EQ(CtrlHandler(event) != 0, event != 3 && event != 4 && event < 7);
}

TEST(SleepOrKey, EndsAtTheReleaseOfAPlainKey) {
    const struct { DWORD milliseconds; std::vector<Key> keys; bool inputIsConsole; DWORD key, elapsed; } rows[] = {
        {0, {{0, true, 'A', 'a', 0}}, true, 0, 0},
        {2000, {}, true, 0, 2000},
        {2000, {{500, true, VK_RETURN, 0, 0}, {600, false, VK_RETURN, 0, 0}}, true, VK_RETURN, 600},
        {2000, {{0, false, 'Q', 'q', 0}}, true, 0, 2000},  // released before the wait
        {2000, {{100, true, 'A', 'A', SHIFT_PRESSED}, {200, false, 'A', 'A', SHIFT_PRESSED}}, true, 0, 2000},
        {2000, {{100, true, 'A', 0, 0}, {200, false, 'B', 0, 0}}, true, 0, 2000},
        {2000, {{100, true, 0, 0, NUMLOCK_ON}, {300, false, 0, 0, 0}}, true, 0, 300},  // code 0
        {300, {}, false, 0, 300},
    };
    for (const auto& row : rows) {
        FakeConsole console(true, false);
        console.Type(row.keys), console.inputIsConsole = row.inputIsConsole;
        RememberedKey = 'Q';
        EXPECT_EQ(SleepOrKey(row.milliseconds), row.key) << &row - rows;
        EXPECT_EQ(console.now - console.start, row.elapsed) << &row - rows;
    }
    FakeConsole console(true, false);  // a release ends the wait and empties the queue
    for (int i = 0; i < 150; ++i) console.Type({{500, i != 0, 'Z', 'z'}});
    RememberedKey = 'Z';
    EXPECT_EQ(SleepOrKey(2000), (DWORD)'Z');
    EXPECT_EQ(console.Due(), 0u);
}

TEST(Wait4KeyIfStartedStandalone, OnlyACharacterKeyEndsIt) {
    std::vector<Key> shifts(1500, {300, true, VK_SHIFT, 0, 0});  // a full queue that ends nothing
    shifts.push_back({300, true, 'E', 'e', 0});
    const struct { bool visible, own, inputIsConsole; std::vector<Key> keys; DWORD elapsed; } rows[] = {
        {false, true, true, {}, 0},
        {true, false, true, {}, 100},
        {true, true, true, {{300, true, 'A', 'a', 0}}, 400},
        {true, true, true, {{300, false, 'A', 'a', 0}}, 400},  // a key-up with a character
        {true, true, true, {{0, true, 'A', 'a', 0}, {500, true, 'B', 'b', 0}}, 600},  // typed before
        {true, true, true,
         {{300, true, VK_SHIFT, 'x', 0}, {300, true, VK_CAPITAL, 'x', 0}, {300, true, VK_PAUSE, 'x', 0},
          {300, true, VK_F1, 0, 0}, {400, true, 'C', 'c', LEFT_CTRL_PRESSED}, {500, true, 'D', 'd', 0}}, 600},
        {true, true, false, {}, 2300},
        {true, true, true, shifts, 500},
    };
    for (const auto& row : rows) {
        FakeConsole console(row.visible, row.own);
        console.Type(row.keys), console.inputIsConsole = row.inputIsConsole;
        ScopedHeap heap;
        ConsoleSession session;
        StdoutCapture capture;
        session.Wait4KeyIfStartedStandalone();
        EXPECT_EQ(capture.Finish(), row.visible && row.own ? "Press any key to close" : "") << &row - rows;
        EXPECT_EQ(console.now - console.start, row.elapsed) << &row - rows;
        EXPECT_EQ(heap.BusyBlocks(), 0);
    }
}

}  // namespace
