// The process entry point: the first of the program's own code that runs.
//
// There is no C runtime start-up before it, so nothing may rely on static
// constructors; every process-wide value is a load-time constant.
#include "app/load_command.h"
#include "base/memory.h"
#include "app/split_command_line.h"
#include "diag/crash_dump.h"

extern "C" void TraywakeStart() {
    ProcessHeap = GetProcessHeap();
    SetUnhandledExceptionFilter(CrashDumpFilter);
    int count = 0;
    char* args[kArgSlots];
    char* block = SplitCommandLine(GetCommandLineA(), &count, args);
    int exitCode = RunLoadCommand(count, args);
    FreeBlock(block);
    ExitProcess((UINT)exitCode);
}
