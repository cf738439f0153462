// Colours and key waits on a real console. Wine gives a program a console
// only inside a terminal, so these run from the tmux check
// (tests/console/real-console-check) and are skipped elsewhere.
#include "console/console_session.h"
#include "console/key_waits.h"
#include "tests/support/fake_console.h"
#include "tests/support/input_records.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

bool HaveConsole() {
    DWORD mode = 0;
    CONSOLE_SCREEN_BUFFER_INFO info;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) &&
           GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info);
}

// Writes the records into the console input after the given delays.
std::thread TypeLater(std::vector<std::pair<DWORD, INPUT_RECORD>> keys) {
    return std::thread([keys] {
        for (const auto& key : keys) {
            Sleep(key.first);
            DWORD written = 0;
            WriteConsoleInputA(GetStdHandle(STD_INPUT_HANDLE), &key.second, 1, &written);
        }
    });
}

DWORD PendingInput() {
    DWORD count = 0;
    GetNumberOfConsoleInputEvents(GetStdHandle(STD_INPUT_HANDLE), &count);
    return count;
}

class RealConsole : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveConsole()) GTEST_SKIP() << "no console: run by tests/console/real-console-check";
    }
};

TEST_F(RealConsole, SleepOrKeyEndsAtTheReleaseAndEmptiesTheQueue) {
    std::thread typist = TypeLater({{300, Key(true, VK_RETURN, '\r')}, {100, Key(false, VK_RETURN, '\r')},
                                    {0, Key(true, 'Z', 'z')}});
    DWORD start = GetTickCount();
    DWORD key = SleepOrKey(5000);
    DWORD took = GetTickCount() - start;
    typist.join();
    EXPECT_EQ(key, (DWORD)VK_RETURN);
    EXPECT_LT(took, 4000u);
    // The release flushed the queue; the Z typed right after it may follow.
    FlushConsoleInputBuffer(GetStdHandle(STD_INPUT_HANDLE));
    EXPECT_EQ(PendingInput(), 0u);
}

TEST_F(RealConsole, SleepOrKeyIgnoresKeysWithModifiersAndKeysTypedBefore) {
    DWORD written = 0;
    INPUT_RECORD early[] = {Key(true, 'Q', 'q'), Key(false, 'Q', 'q')};
    WriteConsoleInputA(GetStdHandle(STD_INPUT_HANDLE), early, 2, &written);
    std::thread typist = TypeLater({{200, Key(true, 'A', 1, LEFT_CTRL_PRESSED)}, {0, Key(false, 'A', 1, LEFT_CTRL_PRESSED)},
                                    {0, Key(true, 'S', 'S', SHIFT_PRESSED)}, {0, Key(false, 'S', 'S', SHIFT_PRESSED)}});
    EXPECT_EQ(SleepOrKey(800), 0u);
    typist.join();
}

TEST_F(RealConsole, PressAnyKeyWaitsForAKeyWithACharacterAndLeavesItQueued) {
    FakeConsole console(true, true);  // a console of our own, as after a double-click
    ConsoleSession session;
    FlushConsoleInputBuffer(GetStdHandle(STD_INPUT_HANDLE));
    std::thread typist = TypeLater({{300, Key(true, VK_SHIFT, 0, SHIFT_PRESSED)}, {0, Key(true, VK_CAPITAL, 0)},
                                    {0, Key(true, VK_F5, 0)}, {300, Key(false, 'X', 'x')}});
    DWORD start = GetTickCount();
    session.Wait4KeyIfStartedStandalone();
    DWORD took = GetTickCount() - start;
    typist.join();
    EXPECT_GE(took + 20, 600u);  // not before the letter
    EXPECT_LT(took, 3000u);
    EXPECT_EQ(PendingInput(), 4u);  // it only peeks
    FlushConsoleInputBuffer(GetStdHandle(STD_INPUT_HANDLE));
}

TEST_F(RealConsole, PressAnyKeyIsNotBlindedByAFullQueueOfKeysThatEndNothing) {
    FakeConsole console(true, true);
    ConsoleSession session;
    FlushConsoleInputBuffer(GetStdHandle(STD_INPUT_HANDLE));
    std::thread typist([] {
        Sleep(300);
        std::vector<INPUT_RECORD> held(1500, Key(true, 'A', 'A', SHIFT_PRESSED));
        DWORD written = 0;
        WriteConsoleInputA(GetStdHandle(STD_INPUT_HANDLE), held.data(), (DWORD)held.size(), &written);
        Sleep(300);
        INPUT_RECORD letter = Key(true, 'X', 'x');
        WriteConsoleInputA(GetStdHandle(STD_INPUT_HANDLE), &letter, 1, &written);
    });
    DWORD start = GetTickCount();
    session.Wait4KeyIfStartedStandalone();
    typist.join();
    EXPECT_LT(GetTickCount() - start, 5000u);
    FlushConsoleInputBuffer(GetStdHandle(STD_INPUT_HANDLE));
}

}  // namespace
