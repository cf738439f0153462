// Waiting a little, or for a key, before a console of the program's own
// closes with the outcome still unread.
#pragma once
#include <windows.h>

enum {
    kSleepRecords = 100,
    kPressAnyKeyRecords = 1000,
    kModifierMask = RIGHT_ALT_PRESSED | LEFT_ALT_PRESSED | RIGHT_CTRL_PRESSED | LEFT_CTRL_PRESSED |
                    SHIFT_PRESSED,
};

// The key whose key-down SleepOrKey saw last; carries over between calls.
extern WORD RememberedKey;

// Waits up to milliseconds; returns the virtual-key code whose release ended
// the wait, or 0 when the time ran out.
DWORD SleepOrKey(DWORD milliseconds);

// Waits up to milliseconds; TRUE when a key ended it early (as it ends
// SleepOrKey, in a console the user sees) or Ctrl+C did (StopRequested).
// Keys typed before are not flushed: the caller flushes once, at the start
// of a wait made of several of these.
BOOL SleepUnlessStopped(DWORD milliseconds);

// Record scanning of SleepOrKey: remembers qualifying key-downs; TRUE, with
// its code in releasedKey, at the first qualifying key-up of the remembered key.
BOOL FindReleasedKey(const INPUT_RECORD* records, DWORD count, WORD* rememberedKey,
                     WORD* releasedKey);
// Record scanning of the press-any-key wait: TRUE when a qualifying key
// record carries a character. Records without one are passed over.
BOOL FindPressedCharacterKey(const INPUT_RECORD* records, DWORD count);
