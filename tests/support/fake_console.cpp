// A scripted stand-in for the console seam.
#include "tests/support/fake_console.h"

#include "console/console_calls.h"

#include <algorithm>

FakeConsole* FakeConsole::current;

namespace {

HWND const kWindow = reinterpret_cast<HWND>(0x7E57);

HWND WINAPI FakeGetConsoleWindow() {
    return kWindow;
}

DWORD WINAPI FakeGetWindowThreadProcessId(HWND window, LPDWORD processId) {
    *processId = window == kWindow && FakeConsole::current->ownedByUs ? GetCurrentProcessId() : 4;
    return 1;
}

BOOL WINAPI FakeIsWindowVisible(HWND window) {
    return window == kWindow && FakeConsole::current->visible;
}

BOOL WINAPI FakeGetConsoleScreenBufferInfo(HANDLE, PCONSOLE_SCREEN_BUFFER_INFO info) {
    info->wAttributes = FakeConsole::current->attributes;
    return FakeConsole::current->attributes != 0;
}

BOOL WINAPI FakeSetConsoleTextAttribute(HANDLE, WORD attributes) {
    char marker[16];
    DWORD written = 0;
    int length = wsprintfA(marker, "{%X}", attributes);
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), marker, (DWORD)length, &written, nullptr);
    return TRUE;
}

void WINAPI FakeSleep(DWORD milliseconds) {
    FakeConsole::current->calls += "sleep " + std::to_string(milliseconds) + " ";
    FakeConsole::current->now += milliseconds;
}

DWORD WINAPI FakeGetTickCount() {
    return FakeConsole::current->now;
}

// Signalled when a record is due within the time, and the clock moves to it.
DWORD WINAPI FakeWaitForSingleObject(HANDLE, DWORD milliseconds) {
    FakeConsole* console = FakeConsole::current;
    if (!console->inputIsConsole) return WAIT_OBJECT_0;
    LONG until = console->input.empty() ? LONG_MAX : (LONG)(console->input.front().first - console->now);
    if (until <= (LONG)milliseconds) {
        if (until > 0) console->now += (DWORD)until;
        return WAIT_OBJECT_0;
    }
    console->now += milliseconds;
    return WAIT_TIMEOUT;
}

BOOL TakeRecords(PINPUT_RECORD records, DWORD length, LPDWORD count, bool remove) {
    FakeConsole* console = FakeConsole::current;
    if (!console->inputIsConsole) return FALSE;
    *count = (DWORD)std::min<size_t>(length, console->Due());
    for (DWORD i = 0; i < *count; ++i) records[i] = console->input[i].second;
    if (remove) console->input.erase(console->input.begin(), console->input.begin() + *count);
    return TRUE;
}

BOOL WINAPI FakeReadConsoleInputA(HANDLE, PINPUT_RECORD records, DWORD length, LPDWORD count) {
    return TakeRecords(records, length, count, true);
}

BOOL WINAPI FakePeekConsoleInputA(HANDLE, PINPUT_RECORD records, DWORD length, LPDWORD count) {
    FakeConsole::current->calls += "peek ";
    // An hour without the key a test meant to type: unreadable, so the wait ends.
    if (FakeConsole::current->now - FakeConsole::current->start > 3600000) return FALSE;
    return TakeRecords(records, length, count, false);
}

BOOL WINAPI FakeFlushConsoleInputBuffer(HANDLE) {
    FakeConsole* console = FakeConsole::current;
    console->calls += "flush ";
    console->input.erase(console->input.begin(), console->input.begin() + console->Due());
    return TRUE;
}

}  // namespace

FakeConsole::FakeConsole(bool isVisible, bool isOwnedByUs, WORD screenAttributes)
    : visible(isVisible), ownedByUs(isOwnedByUs), attributes(screenAttributes) {
    current = this;
    ConsoleCall = {FakeGetConsoleWindow,  FakeGetWindowThreadProcessId, FakeIsWindowVisible,
                   FakeGetConsoleScreenBufferInfo, FakeSetConsoleTextAttribute, FakeSleep,
                   FakeGetTickCount,      FakeWaitForSingleObject, FakeReadConsoleInputA,
                   FakePeekConsoleInputA, FakeFlushConsoleInputBuffer};
}

FakeConsole::~FakeConsole() {
    ConsoleCall = SystemConsoleCalls;
    current = nullptr;
}

void FakeConsole::Type(DWORD tick, bool down, WORD virtualKey, char character, DWORD state) {
    INPUT_RECORD record = {};
    record.EventType = KEY_EVENT;
    record.Event.KeyEvent.bKeyDown = down;
    record.Event.KeyEvent.wRepeatCount = 1;
    record.Event.KeyEvent.wVirtualKeyCode = virtualKey;
    record.Event.KeyEvent.uChar.AsciiChar = character;
    record.Event.KeyEvent.dwControlKeyState = state;
    input.emplace_back(start + tick, record);
}

size_t FakeConsole::Due() const {
    size_t due = 0;
    while (due < input.size() && (LONG)(input[due].first - now) <= 0) ++due;
    return due;
}
