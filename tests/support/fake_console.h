// The console seam, scripted: the window, the screen's attributes, a clock that
// only sleeps and waits move, and keys due at chosen ticks. Each attribute set
// is written into standard output as "{X}", so captured output shows colours.
#pragma once
#include "console/console_calls.h"
#include "console/console_session.h"

#include <algorithm>
#include <deque>
#include <string>
#include <vector>

struct Key {
    DWORD tick;
    bool down;
    WORD code;
    char character = 0;
    DWORD state = 0;
};

struct FakeConsole {
    FakeConsole();
    ~FakeConsole() {
        ConsoleCall = SystemConsoleCalls;
    }
    void Type(const std::vector<Key>& keys) {
        for (const Key& key : keys) {
            INPUT_RECORD record = {KEY_EVENT};
            record.Event.KeyEvent = {key.down, 1, key.code, 0, {}, key.state};
            record.Event.KeyEvent.uChar.AsciiChar = key.character;
            input.push_back({start + key.tick, record});
        }
    }
    size_t Due() const {  // records in the queue by now
        return std::find_if(input.begin(), input.end(),
                            [this](auto& r) { return (LONG)(r.first - now) > 0; }) -
               input.begin();
    }

    bool visible = false;
    bool ownedByUs = false;
    bool inputIsConsole = true;   // not a console: waits are signalled, reads fail
    bool pseudoConsole = false;   // Windows Terminal's host: a hidden stand-in window of its own
    bool terminalShown = true;    // a pseudo console's terminal shows a window (automation: none)
    DWORD attachedProcesses = 2;  // sharing the console: 1 when started alone, as by a double-click
    WORD attributes = 0x07;       // 0: output is not a console (the screen cannot be read)
    DWORD start = 0xFFFFF000;     // near the wrap of the tick count
    DWORD now = start;
    std::deque<std::pair<DWORD, INPUT_RECORD>> input;
    DWORD ctrlCAt = 0;  // ticks after the start when Ctrl+C is pressed; 0: never
    // The calls of Calls(), a run of the same one as one entry.
    std::vector<std::pair<std::string, int>> log;
    void Note(const std::string& call) {
        if (!log.empty() && log.back().first == call)
            log.back().second++;
        else
            log.push_back({call, 1});
    }
    // "sleep N ", "flush ", "peek " in order; a run of one call as "sleep 10*30 ".
    std::string Calls() const {
        std::string calls;
        for (auto& entry : log)
            calls +=
                entry.first + (entry.second > 1 ? "*" + std::to_string(entry.second) : "") + " ";
        return calls;
    }
    // The clock moves; Ctrl+C, when due, reaches the handler as from the system's thread.
    void Advance(DWORD milliseconds) {
        now += milliseconds;
        if (!ctrlCAt || now - start < ctrlCAt) return;
        ctrlCAt = 0;
        CtrlHandler(CTRL_C_EVENT);
    }
    static inline FakeConsole* current;
};

namespace fake_console {

HWND const kWindow = (HWND)0x7E57;
HWND const kTerminalWindow = (HWND)0x7E58;
inline FakeConsole& Fake() {
    return *FakeConsole::current;
}

inline HWND WINAPI GetConsoleWindow() {
    return kWindow;
}
// A pseudo console's window is the host's, hidden and of its own class (terminal issue 12570).
inline int WINAPI GetClassNameA(HWND, LPSTR name, int maxChars) {
    return lstrlenA(lstrcpynA(
        name, Fake().pseudoConsole ? "PseudoConsoleWindow" : "ConsoleWindowClass", maxChars));
}
inline DWORD WINAPI GetConsoleProcessList(LPDWORD, DWORD) {
    return Fake().attachedProcesses;
}
// The terminal's window owns the pseudo console's, so GetAncestor(GA_ROOTOWNER)
// gives the terminal's window (terminal pull request 13118); a host that shows
// no window leaves it unowned.
inline HWND WINAPI GetAncestor(HWND window, UINT flags) {
    bool owned = flags == GA_ROOTOWNER && Fake().pseudoConsole && Fake().terminalShown;
    return window == kWindow && owned ? kTerminalWindow : window;
}
inline BOOL WINAPI IsWindowVisible(HWND window) {
    return window == kTerminalWindow ||
           (window == kWindow && Fake().visible && !Fake().pseudoConsole);
}
inline DWORD WINAPI GetTickCount() {
    return Fake().now;
}
// A pseudo console's window belongs to its host's process, never to the program.
inline DWORD WINAPI GetWindowThreadProcessId(HWND window, LPDWORD processId) {
    bool ours = window == kWindow && Fake().ownedByUs && !Fake().pseudoConsole;
    *processId = ours ? GetCurrentProcessId() : 4;
    return 1;
}
// The console calls take the console's own buffers, the screen buffer or the
// input buffer (Microsoft, "GetConsoleScreenBufferInfo", "ReadConsoleInput":
// "A handle to the console screen buffer", "to the console input buffer");
// any other handle fails.
inline bool IsStandard(HANDLE handle, DWORD which) {
    if (handle == GetStdHandle(which)) return true;
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
}
inline BOOL WINAPI GetConsoleScreenBufferInfo(HANDLE output, PCONSOLE_SCREEN_BUFFER_INFO info) {
    if (!IsStandard(output, STD_OUTPUT_HANDLE)) return FALSE;
    info->wAttributes = Fake().attributes;
    return Fake().attributes != 0;
}
inline BOOL WINAPI SetConsoleTextAttribute(HANDLE output, WORD attributes) {
    if (!IsStandard(output, STD_OUTPUT_HANDLE)) return FALSE;
    char marker[16];
    DWORD written;
    return WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), marker, wsprintfA(marker, "{%X}", attributes),
                     &written, nullptr);
}
inline void WINAPI Sleep(DWORD milliseconds) {
    Fake().Note("sleep " + std::to_string(milliseconds));
    Fake().Advance(milliseconds);
}

// Signalled when a record is due within the time; the clock moves to it.
inline DWORD WINAPI WaitForSingleObject(HANDLE input, DWORD milliseconds) {
    if (!IsStandard(input, STD_INPUT_HANDLE)) return WAIT_FAILED;
    if (!Fake().inputIsConsole) return WAIT_OBJECT_0;
    LONG until = Fake().input.empty() ? LONG_MAX : (LONG)(Fake().input.front().first - Fake().now);
    Fake().Advance(until <= (LONG)milliseconds ? std::max(until, 0L) : milliseconds);
    return until <= (LONG)milliseconds ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

inline BOOL TakeRecords(HANDLE input, PINPUT_RECORD records, DWORD length, LPDWORD count,
                        bool remove) {
    if (!IsStandard(input, STD_INPUT_HANDLE)) return FALSE;
    // An hour without the key a test meant to type: unreadable, so the wait ends.
    if (!Fake().inputIsConsole || Fake().now - Fake().start > 3600000) return FALSE;
    *count = (DWORD)std::min<size_t>(length, Fake().Due());
    for (DWORD i = 0; i < *count; ++i) records[i] = Fake().input[i].second;
    if (remove) Fake().input.erase(Fake().input.begin(), Fake().input.begin() + *count);
    return TRUE;
}
inline BOOL WINAPI ReadConsoleInputA(HANDLE input, PINPUT_RECORD r, DWORD n, LPDWORD count) {
    return TakeRecords(input, r, n, count, true);
}
inline BOOL WINAPI PeekConsoleInputA(HANDLE input, PINPUT_RECORD r, DWORD n, LPDWORD count) {
    Fake().Note("peek");
    return TakeRecords(input, r, n, count, false);
}
inline BOOL WINAPI FlushConsoleInputBuffer(HANDLE input) {
    Fake().Note("flush");
    if (!IsStandard(input, STD_INPUT_HANDLE)) return FALSE;
    Fake().input.erase(Fake().input.begin(), Fake().input.begin() + Fake().Due());
    return TRUE;
}

}  // namespace fake_console

inline FakeConsole::FakeConsole() {
    namespace f = fake_console;
    current = this;
    ConsoleCall = {f::GetConsoleWindow,
                   f::GetClassNameA,
                   f::GetConsoleProcessList,
                   f::GetWindowThreadProcessId,
                   f::GetAncestor,
                   f::IsWindowVisible,
                   f::GetConsoleScreenBufferInfo,
                   f::SetConsoleTextAttribute,
                   f::Sleep,
                   f::GetTickCount,
                   f::WaitForSingleObject,
                   f::ReadConsoleInputA,
                   f::PeekConsoleInputA,
                   f::FlushConsoleInputBuffer};
}
