// Splitting the process command line into the argument list.
//
// The rules are the program's own, not the C runtime's: quotes toggle a
// quoting flag and are never part of an argument, there is no escape, and at
// most kMaxArgs arguments are formed.
#pragma once
#include <windows.h>

enum { kArgSlots = 32, kMaxArgs = 31 };

BOOL IsArgSeparator(int c);

// Splits commandLine into *count arguments whose pointers go into
// args[kArgSlots]; returns the one heap block that holds their text, for
// FreeBlock. Entries from *count on are unset, except that entry 31 is null
// when the cap of 31 arguments stopped the splitting.
char* SplitCommandLine(const char* commandLine, int* count, char** args);
// The splitting itself, into a block of at least lstrlenA(commandLine) + 1 bytes.
void SplitIntoBlock(const char* commandLine, char* block, int* count, char** args);
