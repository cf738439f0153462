// Splitting the process command line into the argument list.
//
// One pass over the bytes, writing into a block as long as the command line:
// every argument byte comes from one command-line byte and every closing zero
// but the last replaces at least one separator, so the block cannot overflow.
#include "app/split_command_line.h"
#include "base/memory.h"

BOOL IsArgSeparator(int c) {
    switch (c & 0xFF) {
    case ' ':
    case '\t':
    case '\n':
    case '\f':
    case '\r':
        return TRUE;
    default:
        return FALSE;
    }
}

char* SplitCommandLine(const char* commandLine, int* count, char** args) {
    char* block = (char*)AllocZeroed((DWORD)lstrlenA(commandLine) + 1);
    SplitIntoBlock(commandLine, block, count, args);
    return block;
}

void SplitIntoBlock(const char* commandLine, char* block, int* count, char** args) {
    const char* read = commandLine;
    char* write = block;
    BOOL quoting = FALSE;

    *count = 0;
    args[0] = block;
    if (*read == 0) return;

    for (;;) {
        ++*count;
        for (;;) {
            char c = *read;
            if (c == 0) {
                *write = 0;
                return;
            }
            if (c == '"') {
                while (*read == '"') {
                    quoting = !quoting;
                    ++read;
                }
                if (*read == 0) {
                    *write = 0;
                    return;
                }
                c = *read;
            }
            if (!quoting && IsArgSeparator(c)) break;
            *write++ = c;
            ++read;
        }
        *write = 0;
        if (*count == kMaxArgs) {
            args[kMaxArgs] = 0;
            return;
        }
        while (IsArgSeparator(*read)) ++read;
        if (*read == 0) return;
        ++write;
        args[*count] = write;
    }
}
