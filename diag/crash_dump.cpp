// The unhandled-exception filter that leaves a minidump for the maker.
//
// The dump goes beside the program file with the extension ".dmp"; when that
// folder is read-only it goes to the temporary directory as "Quillet.dmp".
// DBGHELP.DLL is loaded only here, at the moment of the crash, so a normal
// run never maps it, and from the system directory, so a DLL of that name
// beside the program never runs. The exception is always passed on to the system.
#include "diag/crash_dump.h"
#include "base/build_identity.h"
#include "base/memory.h"
#include "base/process_records.h"
#include "console/trace.h"
#include "diag/load_system_library.h"
#include <dbghelp.h>
#include <shlwapi.h>

typedef BOOL(WINAPI* MiniDumpWriteDumpFunction)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE,
                                                PMINIDUMP_EXCEPTION_INFORMATION,
                                                PMINIDUMP_USER_STREAM_INFORMATION,
                                                PMINIDUMP_CALLBACK_INFORMATION);

static HANDLE CreateDumpFile(const char* path) {
    return CreateFileA(path, GENERIC_WRITE, FILE_SHARE_WRITE, 0, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, 0);
}

static void WriteDump(MiniDumpWriteDumpFunction writeDump, EXCEPTION_POINTERS* exception) {
    char primaryPath[MAX_PATH];
    char fallbackPath[MAX_PATH];
    lstrcpynA(primaryPath, OwnModulePath, MAX_PATH);
    PathRenameExtensionA(primaryPath, ".dmp");
    DWORD tempLength = GetTempPathA(MAX_PATH, fallbackPath);
    if (tempLength == 0 || tempLength > MAX_PATH - sizeof "Quillet.dmp") fallbackPath[0] = 0;
    lstrcatA(fallbackPath, "Quillet.dmp");

    const char* reportedPath = primaryPath;
    HANDLE file = CreateDumpFile(primaryPath);
    if (file == INVALID_HANDLE_VALUE) {
        reportedPath = fallbackPath;
        file = CreateDumpFile(fallbackPath);
        if (file == INVALID_HANDLE_VALUE) return;
    }

    MINIDUMP_EXCEPTION_INFORMATION information = {GetCurrentThreadId(), exception, FALSE};
    if (writeDump(GetCurrentProcess(), GetCurrentProcessId(), file, MiniDumpNormal, &information, 0,
                  0))
        Trace(0, "MiniDump written to %s\nplease send it to %s", reportedPath, kSupportAddress);
    else
        Trace(0, "writing MiniDump failed with err=0x%X", GetLastError());
    CloseHandle(file);
}

LONG WINAPI CrashDumpFilter(EXCEPTION_POINTERS* exception) {
    Trace(0, "Exception 0x%08X at 0x%p!", exception->ExceptionRecord->ExceptionCode,
          exception->ExceptionRecord->ExceptionAddress);
    HMODULE dbghelp = LoadSystemLibrary("DBGHELP.DLL");
    if (!dbghelp) {
        Trace(0, "\ncannot load dbghelp.dll -> no crashdump\n");
    } else {
        MiniDumpWriteDumpFunction writeDump =
            (MiniDumpWriteDumpFunction)(void*)GetProcAddress(dbghelp, "MiniDumpWriteDump");
        if (writeDump)
            WriteDump(writeDump, exception);
        else
            Trace(1, "\nerror: dbghelp.dll too old");
        FreeLibrary(dbghelp);
    }
    Trace(0, "\n");
    Sleep(100);
    return EXCEPTION_CONTINUE_SEARCH;
}
