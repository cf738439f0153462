// Process heap and the program's own memory fill and copy routines.
//
// The loops are written out by hand, byte by byte: no store goes through a
// pointer of another type, which link-time optimisation may reorder, and the
// build forbids the compiler to turn the loops back into memset/memcpy
// calls, which the program does not have.
#include "base/memory.h"

HANDLE ProcessHeap;

void* AllocZeroed(DWORD size) {
    for (;;) {
        void* block = HeapAlloc(ProcessHeap, HEAP_ZERO_MEMORY, size);
        if (block) return block;
        Sleep(1000);
    }
}

BOOL FreeBlock(void* block) {
    return HeapFree(ProcessHeap, 0, block);
}

void* FillBytes(void* destination, int value, DWORD count) {
    BYTE* to = (BYTE*)destination;
    for (DWORD i = 0; i < count; ++i) to[i] = (BYTE)value;
    return destination;
}

void* CopyBytes(void* destination, const void* source, DWORD count) {
    BYTE* to = (BYTE*)destination;
    const BYTE* from = (const BYTE*)source;
    for (DWORD i = 0; i < count; ++i) to[i] = from[i];
    return destination;
}

void* CopyDwords(void* destination, const void* source, DWORD countBytes) {
    return CopyBytes(destination, source, countBytes & ~3u);
}
