// A scripted stand-in for the console seam.
#include "tests/support/fake_console.h"

#include "console/console_calls.h"

#include <algorithm>

FakeConsole* FakeConsole::current;

namespace {

HWND const kWindow = (HWND)0x7E57;
FakeConsole& Fake() { return *FakeConsole::current; }

HWND WINAPI FakeGetConsoleWindow() { return kWindow; }
BOOL WINAPI FakeIsWindowVisible(HWND window) { return window == kWindow && Fake().visible; }
DWORD WINAPI FakeGetTickCount() { return Fake().now; }

DWORD WINAPI FakeGetWindowThreadProcessId(HWND window, LPDWORD processId) {
    return *processId = window == kWindow && Fake().ownedByUs ? GetCurrentProcessId() : 4, 1;
}

BOOL WINAPI FakeGetConsoleScreenBufferInfo(HANDLE, PCONSOLE_SCREEN_BUFFER_INFO info) {
    return info->wAttributes = Fake().attributes, Fake().attributes != 0;
}

BOOL WINAPI FakeSetConsoleTextAttribute(HANDLE, WORD attributes) {
    char marker[16];
    DWORD written = 0;
    return WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), marker, wsprintfA(marker, "{%X}", attributes), &written, nullptr);
}

void WINAPI FakeSleep(DWORD milliseconds) {
    Fake().calls += "sleep " + std::to_string(milliseconds) + " ";
    Fake().now += milliseconds;
}

// Signalled when a record is due within the time; the clock moves to it.
DWORD WINAPI FakeWaitForSingleObject(HANDLE, DWORD milliseconds) {
    if (!Fake().inputIsConsole) return WAIT_OBJECT_0;
    LONG until = Fake().input.empty() ? LONG_MAX : (LONG)(Fake().input.front().first - Fake().now);
    Fake().now += until <= (LONG)milliseconds ? std::max(until, 0L) : milliseconds;
    return until <= (LONG)milliseconds ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

BOOL TakeRecords(PINPUT_RECORD records, DWORD length, LPDWORD count, bool remove) {
    // An hour without the key a test meant to type: unreadable, so the wait ends.
    if (!Fake().inputIsConsole || Fake().now - Fake().start > 3600000) return FALSE;
    *count = (DWORD)std::min<size_t>(length, Fake().Due());
    for (DWORD i = 0; i < *count; ++i) records[i] = Fake().input[i].second;
    if (remove) Fake().input.erase(Fake().input.begin(), Fake().input.begin() + *count);
    return TRUE;
}

BOOL WINAPI FakeReadConsoleInputA(HANDLE, PINPUT_RECORD records, DWORD length, LPDWORD count) {
    return TakeRecords(records, length, count, true);
}

BOOL WINAPI FakePeekConsoleInputA(HANDLE, PINPUT_RECORD records, DWORD length, LPDWORD count) {
    Fake().calls += "peek ";
    return TakeRecords(records, length, count, false);
}

BOOL WINAPI FakeFlushConsoleInputBuffer(HANDLE) {
    Fake().calls += "flush ";
    Fake().input.erase(Fake().input.begin(), Fake().input.begin() + Fake().Due());
    return TRUE;
}

}  // namespace

FakeConsole::FakeConsole(bool isVisible, bool isOwnedByUs, WORD screenAttributes)
    : visible(isVisible), ownedByUs(isOwnedByUs), attributes(screenAttributes) {
    current = this;
    ConsoleCall = {FakeGetConsoleWindow, FakeGetWindowThreadProcessId, FakeIsWindowVisible, FakeGetConsoleScreenBufferInfo,
                   FakeSetConsoleTextAttribute, FakeSleep, FakeGetTickCount, FakeWaitForSingleObject,
                   FakeReadConsoleInputA, FakePeekConsoleInputA, FakeFlushConsoleInputBuffer};
}

FakeConsole::~FakeConsole() {
    ConsoleCall = SystemConsoleCalls;
    current = nullptr;
}

void FakeConsole::Type(DWORD tick, bool down, WORD virtualKey, char character, DWORD state) {
    INPUT_RECORD record = {};
    record.EventType = KEY_EVENT;
    record.Event.KeyEvent = {down, 1, virtualKey, 0, {}, state};
    record.Event.KeyEvent.uChar.AsciiChar = character;
    input.emplace_back(start + tick, record);
}

size_t FakeConsole::Due() const {
    size_t due = 0;
    while (due < input.size() && (LONG)(input[due].first - now) <= 0) ++due;
    return due;
}
