// What the program knows about its console, and the colour operation.
//
// Colours always start from the attributes saved at start, so they respect the
// user's background and never mix; on a light background the dark variant of
// a colour is used, which stays readable. When output is not a console the
// saved attributes are 0 and no colour call is made at all.
#include "console/console_session.h"
#include "base/memory.h"
#include "base/process_records.h"
#include "console/console_calls.h"

ConsoleSession* Console;
volatile LONG StoppableWaitRuns;
volatile LONG StopRequested;

BOOL WINAPI CtrlHandler(DWORD controlType) {
    switch (controlType) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        // A wait may end early; the load itself goes on.
        if (StoppableWaitRuns) StopRequested = TRUE;
        return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        // Handled: a tray that is closing is not left half-way by Ctrl+C.
        return TRUE;
    default:
        return FALSE;
    }
}

ConsoleSession::ConsoleSession() {
    ReadModulePath(m_szModulePath);
    SetConsoleCtrlHandler(CtrlHandler, TRUE);
    m_hOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    m_hInput = GetStdHandle(STD_INPUT_HANDLE);
    SetConsoleMode(m_hInput, ENABLE_PROCESSED_INPUT | ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT);
    CONSOLE_SCREEN_BUFFER_INFO info;
    m_wSavedAttributes =
        ConsoleCall.GetConsoleScreenBufferInfo(m_hOutput, &info) ? info.wAttributes : 0;
}

WORD ColorAttributes(WORD savedAttributes, WORD color) {
    if (color == kColorRestore) return savedAttributes;
    if (savedAttributes & BACKGROUND_INTENSITY) color &= 0xFFF7;
    return (WORD)((savedAttributes & 0xFFF0) | color);
}

void ConsoleSession::SetTextColor(WORD color) {
    if (m_wSavedAttributes == 0) return;
    if (color == kColorRestore) {
        ConsoleCall.SetConsoleTextAttribute(m_hOutput, m_wSavedAttributes);
        return;
    }
    ConsoleCall.SetConsoleTextAttribute(GetStdHandle(STD_OUTPUT_HANDLE),
                                        ColorAttributes(m_wSavedAttributes, color));
}

// A pseudo console (Windows Terminal, the default host of Windows 11) hands
// out a hidden stand-in window of this class, owned by the host's process;
// the window the user sees belongs to the terminal.
static BOOL IsPseudoConsoleWindow(HWND window) {
    char className[32];
    if (!ConsoleCall.GetClassNameA(window, className, sizeof className)) return FALSE;
    return lstrcmpiA(className, "PseudoConsoleWindow") == 0;
}

BOOL ConsoleSession::IsOwnConsole() {
    HWND window = ConsoleCall.GetConsoleWindow();
    if (IsPseudoConsoleWindow(window)) {
        // Started alone in a new console, as by a double-click: no shell shares it.
        DWORD processIds[2];
        return ConsoleCall.GetConsoleProcessList(processIds, ARRAYSIZE(processIds)) == 1;
    }
    DWORD processId = 0;
    ConsoleCall.GetWindowThreadProcessId(window, &processId);
    return processId == GetCurrentProcessId();
}

// A pseudo console's own window is never shown: the user sees the window
// of its terminal, which owns it. A host that shows no window (automation)
// leaves it unowned, so nobody sees the console.
BOOL IsConsoleVisible() {
    HWND window = ConsoleCall.GetConsoleWindow();
    if (IsPseudoConsoleWindow(window)) window = ConsoleCall.GetAncestor(window, GA_ROOTOWNER);
    return ConsoleCall.IsWindowVisible(window);
}
