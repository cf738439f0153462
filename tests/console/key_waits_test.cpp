// Key waits: which input records end a wait, from scripted record sequences,
// and the waits themselves where no console is needed.
#include "console/key_waits.h"
#include "console/console_session.h"
#include "tests/support/fake_console.h"
#include "tests/support/input_records.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

INPUT_RECORD Focus() {
    INPUT_RECORD record = {};
    record.EventType = FOCUS_EVENT;
    return record;
}

TEST(FindReleasedKey, ReleaseOfTheRememberedKeyEndsTheWait) {
    const struct {
        const char* name;
        std::vector<INPUT_RECORD> records;
        WORD rememberedBefore;
        DWORD result;
        WORD rememberedAfter;
    } rows[] = {
        {"enter down and up", {Key(true, VK_RETURN, '\r'), Key(false, VK_RETURN, '\r')}, 0, VK_RETURN, VK_RETURN},
        {"held key, then released", {Key(true, 'A'), Key(true, 'A'), Key(true, 'A'), Key(false, 'A')}, 0, 'A', 'A'},
        {"only down", {Key(true, 'A')}, 0, 0, 'A'},
        {"up of another key", {Key(true, 'A'), Key(false, 'B')}, 0, 0, 'A'},
        {"down carried over from an earlier call", {Key(false, 'C')}, 'C', 'C', 'C'},
        {"with shift", {Key(true, 'A', 'A', SHIFT_PRESSED), Key(false, 'A', 'A', SHIFT_PRESSED)}, 0, 0, 0},
        {"with left ctrl", {Key(true, 'A', 1, LEFT_CTRL_PRESSED), Key(false, 'A', 1, LEFT_CTRL_PRESSED)}, 0, 0, 0},
        {"with right alt", {Key(true, 'A', 0, RIGHT_ALT_PRESSED), Key(false, 'A', 0, RIGHT_ALT_PRESSED)}, 0, 0, 0},
        {"lock keys do not matter", {Key(true, 'A', 'a', NUMLOCK_ON | CAPSLOCK_ON | ENHANCED_KEY),
                                     Key(false, 'A', 'a', SCROLLLOCK_ON)}, 0, 'A', 'A'},
        {"other events pass", {Focus(), Key(true, VK_SPACE, ' '), Focus(), Key(false, VK_SPACE, ' ')}, 0, VK_SPACE, VK_SPACE},
        {"modifier key alone", {Key(true, VK_SHIFT, 0, SHIFT_PRESSED), Key(false, VK_SHIFT)}, 0, 0, 0},
    };
    for (const auto& row : rows) {
        WORD remembered = row.rememberedBefore;
        EXPECT_EQ(FindReleasedKey(row.records.data(), (DWORD)row.records.size(), &remembered), row.result) << row.name;
        EXPECT_EQ(remembered, row.rememberedAfter) << row.name;
    }
}

TEST(FindPressedCharacterKey, AnyKeyWithACharacterButModifiersAndLocks) {
    const struct {
        const char* name;
        std::vector<INPUT_RECORD> records;
        bool ends;
    } rows[] = {
        {"letter down", {Key(true, 'X', 'x')}, true},
        {"letter up", {Key(false, 'X', 'x')}, true},
        {"shift, ctrl, alt, pause, caps lock", {Key(true, VK_SHIFT), Key(true, VK_CONTROL), Key(true, VK_MENU),
                                                Key(true, VK_PAUSE), Key(true, VK_CAPITAL)}, false},
        {"letter with ctrl", {Key(true, 'X', 24, LEFT_CTRL_PRESSED)}, false},
        {"cursor key, then a letter", {Key(true, VK_LEFT, 0, ENHANCED_KEY), Key(false, VK_LEFT), Key(true, 'Y', 'y')}, true},
        {"function key alone", {Key(true, VK_F5), Key(false, VK_F5)}, false},
        {"focus event", {Focus()}, false},
        {"escape", {Key(true, VK_ESCAPE, 27)}, true},
        {"nothing", {}, false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(FindPressedCharacterKey(row.records.data(), (DWORD)row.records.size()) != 0, row.ends) << row.name;
}

TEST(SleepOrKey, ZeroTimeAndHiddenWindowReturnAtOnce) {
    EXPECT_EQ(SleepOrKey(0), 0u);
    FakeConsole console(false, true);
    ConsoleSession session;
    DWORD start = GetTickCount();
    EXPECT_EQ(session.SleepOrKeyIfVisible(5000), 0u);
    EXPECT_LT(GetTickCount() - start, 1000u);
    session.Wait4KeyIfStartedStandalone();  // hidden: no prompt, no wait
    EXPECT_LT(GetTickCount() - start, 1000u);
}

}  // namespace
