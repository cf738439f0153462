// Console input records as a keyboard produces them, built for tests.
#pragma once
#include <windows.h>

inline INPUT_RECORD Key(bool down, WORD virtualKey, char character = 0, DWORD state = 0) {
    INPUT_RECORD record = {};
    record.EventType = KEY_EVENT;
    record.Event.KeyEvent.bKeyDown = down;
    record.Event.KeyEvent.wRepeatCount = 1;
    record.Event.KeyEvent.wVirtualKeyCode = virtualKey;
    record.Event.KeyEvent.uChar.AsciiChar = character;
    record.Event.KeyEvent.dwControlKeyState = state;
    return record;
}
