// Waiting a little, or for a key, before a console of the program's own
// closes with the outcome still unread.
//
// Both waits read input records, not characters: keys typed before the wait
// are flushed, modifier keys alone never end a wait, and neither does a key
// pressed together with Alt, Ctrl or Shift. Both poll in short sleeps rather
// than spin, also when standard input is not a console at all.
#include "console/key_waits.h"
#include "base/memory.h"
#include "console/con_printf.h"
#include "console/console_session.h"
#include "console/console_calls.h"

enum { kSleepPollMs = 10, kPressAnyKeyPollMs = 100, kUnreadableInputMs = 2000 };

WORD RememberedKey;

static BOOL IsPlainKeyRecord(const INPUT_RECORD& record) {
    return record.EventType == KEY_EVENT &&
           (record.Event.KeyEvent.dwControlKeyState & kModifierMask) == 0;
}

BOOL FindReleasedKey(const INPUT_RECORD* records, DWORD count, WORD* rememberedKey,
                     WORD* releasedKey) {
    for (DWORD i = 0; i < count; ++i) {
        if (!IsPlainKeyRecord(records[i])) continue;
        const KEY_EVENT_RECORD& key = records[i].Event.KeyEvent;
        if (key.bKeyDown) {
            *rememberedKey = key.wVirtualKeyCode;
        } else if (key.wVirtualKeyCode == *rememberedKey) {
            // The code may be 0 (keys the system cannot name): found is its own answer.
            *releasedKey = key.wVirtualKeyCode;
            return TRUE;
        }
    }
    return FALSE;
}

BOOL FindPressedCharacterKey(const INPUT_RECORD* records, DWORD count) {
    for (DWORD i = 0; i < count; ++i) {
        if (!IsPlainKeyRecord(records[i])) continue;
        const KEY_EVENT_RECORD& key = records[i].Event.KeyEvent;
        // Shift, Ctrl, Alt, Pause and Caps Lock alone are not "any key".
        if (key.wVirtualKeyCode >= VK_SHIFT && key.wVirtualKeyCode <= VK_CAPITAL) continue;
        // A cursor or function key has no character; it stays in the queue
        // because the wait only peeks, so look past it to later keys.
        if (key.uChar.AsciiChar != 0) return TRUE;
    }
    return FALSE;
}

// One poll: waits up to milliseconds for input and reads it; TRUE with its
// code in *key when the remembered key was released.
static BOOL PollKeyRelease(HANDLE input, DWORD milliseconds, WORD* key) {
    INPUT_RECORD records[kSleepRecords];
    DWORD waited = ConsoleCall.WaitForSingleObject(input, milliseconds);
    if (waited == WAIT_TIMEOUT) return FALSE;
    DWORD count = 0;
    // A handle that is not a console is signalled at once and cannot be
    // read; sleep instead of turning the wait into a busy loop.
    if (waited != WAIT_OBJECT_0 ||
        !ConsoleCall.ReadConsoleInputA(input, records, kSleepRecords, &count)) {
        ConsoleCall.Sleep(milliseconds);
        return FALSE;
    }
    return FindReleasedKey(records, count, &RememberedKey, key);
}

DWORD SleepOrKey(DWORD milliseconds) {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD start = ConsoleCall.GetTickCount();
    ConsoleCall.FlushConsoleInputBuffer(input);
    while (ConsoleCall.GetTickCount() - start < milliseconds) {
        WORD key = 0;
        if (PollKeyRelease(input, kSleepPollMs, &key)) {
            ConsoleCall.FlushConsoleInputBuffer(input);
            return key;
        }
    }
    return 0;
}

BOOL SleepUnlessStopped(DWORD milliseconds) {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    BOOL keysCount = IsConsoleVisible();
    DWORD start = ConsoleCall.GetTickCount();
    for (;;) {
        DWORD elapsed = ConsoleCall.GetTickCount() - start;
        if (StopRequested || elapsed >= milliseconds) return StopRequested;
        // The last slice ends where the wait does, never after it.
        DWORD sliceMs = milliseconds - elapsed;
        if (sliceMs > kSleepPollMs) sliceMs = kSleepPollMs;
        WORD key = 0;
        if (!keysCount) {
            ConsoleCall.Sleep(sliceMs);
        } else if (PollKeyRelease(input, sliceMs, &key)) {
            ConsoleCall.FlushConsoleInputBuffer(input);
            return TRUE;
        }
    }
}

DWORD ConsoleSession::SleepOrKeyIfVisible(DWORD milliseconds) {
    if (!IsConsoleVisible()) return 0;
    return SleepOrKey(milliseconds);
}

void ConsoleSession::Wait4KeyIfStartedStandalone() {
    if (!IsConsoleVisible()) return;
    ConsoleCall.Sleep(kPressAnyKeyPollMs);
    if (!IsOwnConsole()) return;

    ConsoleCall.FlushConsoleInputBuffer(m_hInput);
    ConPrintf("Press any key to close");
    INPUT_RECORD* records = (INPUT_RECORD*)AllocZeroed(kPressAnyKeyRecords * sizeof(INPUT_RECORD));
    BOOL readable;
    for (;;) {
        ConsoleCall.Sleep(kPressAnyKeyPollMs);
        DWORD count = 0;
        readable = ConsoleCall.PeekConsoleInputA(m_hInput, records, kPressAnyKeyRecords, &count);
        if (!readable || FindPressedCharacterKey(records, count)) break;
        // A full window of records that end nothing (a held Shift+key, say)
        // would hide every later key: take them out of the queue.
        if (count == kPressAnyKeyRecords)
            ConsoleCall.ReadConsoleInputA(m_hInput, records, count, &count);
    }
    FreeBlock(records);
    if (!readable) ConsoleCall.Sleep(kUnreadableInputMs);
    ConsoleCall.Sleep(kPressAnyKeyPollMs);
}
