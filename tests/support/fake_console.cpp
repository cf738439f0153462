// A scripted stand-in for the console seam.
#include "tests/support/fake_console.h"

#include "console/console_calls.h"

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

BOOL WINAPI FakeSetConsoleTextAttribute(HANDLE, WORD attributes) {
    FakeConsole::current->attributesWritten.push_back(attributes);
    return TRUE;
}

}  // namespace

FakeConsole::FakeConsole(bool isVisible, bool isOwnedByUs) : visible(isVisible), ownedByUs(isOwnedByUs) {
    current = this;
    ConsoleCall = {FakeGetConsoleWindow, FakeGetWindowThreadProcessId, FakeIsWindowVisible,
                   FakeSetConsoleTextAttribute};
}

FakeConsole::~FakeConsole() {
    ConsoleCall = SystemConsoleCalls;
    current = nullptr;
}
