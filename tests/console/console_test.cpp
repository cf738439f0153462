// Console output, trace lines, colours, the control handler and the two key
// waits, through the console seam's scripted clock and keys.
#include "console/con_printf.h"
#include "console/console_session.h"
#include "console/key_waits.h"
#include "console/trace.h"
#include "tests/support/fake_console.h"
#include "tests/support/harness.h"

#include <gtest/gtest.h>

#include <cstring>
#include <regex>

namespace {

std::string Pairs(int count) {
    std::string pairs;
    while (count--) pairs += "\r\n";
    return pairs;
}

TEST(ConPrintf, LineEndsAndTheBound) {
    const struct {
        std::string text, bytes;
    } rows[] = {
        {"a\nb\r\n\n", "a\r\nb\r\n\r\n"},
        {std::string(600, '\n'), Pairs(511)},  // 1022 bytes; a pair more would pass 1023
        {std::string(1022, 'x') + "\n", std::string(1022, 'x')},
        {std::string(1021, 'x') + "\ny", std::string(1021, 'x') + "\r\n"},
        {std::string(1023, 'x'), std::string(1023, 'x')},
    };
    for (const auto& row : rows) {
        GuardedBuffer text(kTextBufferSize);
        std::memcpy(text.data(), row.text.c_str(), row.text.size() + 1);
        text.data()[-1] = '\r';  // not part of the text: a first LF is bare
        LfToCrLf((char*)text.data());
        EXPECT_EQ(std::string((char*)text.data()), row.bytes) << row.text.size();
    }
    StdoutCapture capture;
    EXPECT_EQ(ConPrintf("%s=%u\n", "size", 7u), 8);
    EXPECT_EQ(capture.Finish(), "size=7\r\n");
}

TEST(Trace, LevelsAndTheDebuggerLine) {
    StdoutCapture capture;
    Trace(2, "hidden %u", 2u);
    EXPECT_STREQ(TraceText, "hidden 2");
    LastTraceTick = GetTickCount() - 20000;
    Trace(1, "shown %s", "one");
    Trace(0, "shown %s", "zero");
    EXPECT_EQ(capture.Finish(), "\r\nshown one\r\nshown zero");
    EXPECT_TRUE(std::regex_match(TraceDebuggerLine, std::regex("\n\\[Quillet\\] +[0-9]{1,4}: shown zero\n")))
        << TraceDebuggerLine;
}

TEST(ConsoleSession, ColoursStartFromTheScreen) {
    const struct {
        WORD screen, color;
        std::string written;
    } rows[] = {
        {0x07, kColorGreen, "{A}"},
        {0x1F, kColorYellow, "{1E}"},
        {0xF0, kColorRed, "{F4}"},  // light background: the dark variant
        {0x2E, kColorRestore, "{2E}"},
        {0, kColorRed, ""},  // not a console: no colour call at all
    };
    for (const auto& row : rows) {
        FakeConsole console(false, false, row.screen);
        ConsoleSession session;
        StdoutCapture capture;
        session.SetTextColor(row.color);
        EXPECT_EQ(capture.Finish(), row.written) << row.screen;
    }
}

TEST(CtrlHandler, HandlesWhatWouldEndTheProgram) {
    for (DWORD event = 0; event < 8; ++event)
        EXPECT_EQ(CtrlHandler(event) != 0, event != 3 && event != 4 && event < 7) << event;
}

struct Key {
    DWORD tick;
    bool down;
    WORD code;
    char character;
    DWORD state;
};

TEST(SleepOrKey, EndsAtTheReleaseOfAPlainKey) {
    const struct {
        const char* name;
        DWORD milliseconds;
        std::vector<Key> keys;
        bool inputIsConsole;
        DWORD key, elapsed;
    } rows[] = {
        {"no time", 0, {{0, true, 'A', 'a', 0}}, true, 0, 0},
        {"no key", 2000, {}, true, 0, 2000},
        {"enter released", 2000, {{500, true, VK_RETURN, 0, 0}, {600, false, VK_RETURN, 0, 0}}, true, VK_RETURN, 600},
        {"released before the wait", 2000, {{0, false, 'Q', 'q', 0}}, true, 0, 2000},
        {"with shift", 2000, {{100, true, 'A', 'A', SHIFT_PRESSED}, {200, false, 'A', 'A', SHIFT_PRESSED}}, true, 0, 2000},
        {"other key released", 2000, {{100, true, 'A', 0, 0}, {200, false, 'B', 0, 0}}, true, 0, 2000},
        {"code 0", 2000, {{100, true, 0, 0, NUMLOCK_ON}, {300, false, 0, 0, 0}}, true, 0, 300},
        {"input not a console", 300, {}, false, 0, 300},
    };
    for (const auto& row : rows) {
        FakeConsole console(true, false);
        console.inputIsConsole = row.inputIsConsole;
        for (const Key& key : row.keys) console.Type(key.tick, key.down, key.code, key.character, key.state);
        RememberedKey = 'Q';
        EXPECT_EQ(SleepOrKey(row.milliseconds), row.key) << row.name;
        EXPECT_EQ(console.now - console.start, row.elapsed) << row.name;
    }
    FakeConsole console(true, false);  // a release ends the wait and empties the queue
    for (int i = 0; i < 150; ++i) console.Type(500, i != 0, 'Z', 'z');
    RememberedKey = 'Z';
    EXPECT_EQ(SleepOrKey(2000), (DWORD)'Z');
    EXPECT_EQ(console.Due(), 0u);
}

TEST(SleepOrKey, RemembersTheKeyAcrossCallsAndNeedsAVisibleWindow) {
    FakeConsole console(false, false);
    ConsoleSession session;
    console.Type(0, true, 'R', 'r');
    EXPECT_EQ(session.SleepOrKeyIfVisible(1000), 0u);  // hidden: no wait at all
    EXPECT_EQ(console.now - console.start, 0u);
    console.visible = true;
    console.Type(100, true, 'R', 'r');
    EXPECT_EQ(session.SleepOrKeyIfVisible(150), 0u);
    console.Type(200, false, 'R', 'r');
    EXPECT_EQ(session.SleepOrKeyIfVisible(1000), (DWORD)'R');
    EXPECT_EQ(console.now - console.start, 200u);
}

TEST(Wait4KeyIfStartedStandalone, OnlyACharacterKeyEndsIt) {
    const struct {
        const char* name;
        bool visible, own, inputIsConsole;
        std::vector<Key> keys;
        DWORD elapsed;
        std::string output;
    } rows[] = {
        {"hidden", false, true, true, {}, 0, ""},
        {"shared console", true, false, true, {}, 100, ""},
        {"letter", true, true, true, {{300, true, 'A', 'a', 0}}, 400, "Press any key to close"},
        {"key-up with a character", true, true, true, {{300, false, 'A', 'a', 0}}, 400, "Press any key to close"},
        {"typed before", true, true, true, {{0, true, 'A', 'a', 0}, {500, true, 'B', 'b', 0}}, 600, "Press any key to close"},
        {"modifiers, pause, caps, F1, ctrl first", true, true, true,
         {{300, true, VK_SHIFT, 'x', 0}, {300, true, VK_CAPITAL, 'x', 0}, {300, true, VK_PAUSE, 'x', 0},
          {300, true, VK_F1, 0, 0}, {400, true, 'C', 'c', LEFT_CTRL_PRESSED}, {500, true, 'D', 'd', 0}},
         600, "Press any key to close"},
        {"input not a console", true, true, false, {}, 2300, "Press any key to close"},
    };
    for (const auto& row : rows) {
        FakeConsole console(row.visible, row.own);
        console.inputIsConsole = row.inputIsConsole;
        for (const Key& key : row.keys) console.Type(key.tick, key.down, key.code, key.character, key.state);
        ScopedHeap heap;
        ConsoleSession session;
        StdoutCapture capture;
        session.Wait4KeyIfStartedStandalone();
        EXPECT_EQ(capture.Finish(), row.output) << row.name;
        EXPECT_EQ(console.now - console.start, row.elapsed) << row.name;
        EXPECT_EQ(heap.BusyBlocks(), 0) << row.name;
    }
}

TEST(Wait4KeyIfStartedStandalone, AFullQueueOfKeysThatEndNothingDoesNotHideTheNext) {
    FakeConsole console(true, true);
    for (int i = 0; i < 1500; ++i) console.Type(300, true, VK_SHIFT, 0, 0);
    console.Type(300, true, 'E', 'e');
    ConsoleSession session;
    StdoutCapture capture;
    session.Wait4KeyIfStartedStandalone();
    EXPECT_EQ(console.now - console.start, 500u);
}

}  // namespace
