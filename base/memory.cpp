// Process heap and the program's own memory fill and copy routines.
//
// The loops are written out by hand; the build forbids the compiler to turn
// them back into memset/memcpy calls, which the program does not have.
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
    DWORD byte = (DWORD)value & 0xFF;
    DWORD word = byte | (byte << 8) | (byte << 16) | (byte << 24);
    // Byte-wise stores through an unaligned DWORD pointer are fine on x86/x64.
    DWORD UNALIGNED* words = (DWORD UNALIGNED*)destination;
    for (DWORD i = 0; i < count / 4; ++i) words[i] = word;
    BYTE* tail = (BYTE*)destination + (count & ~3u);
    for (DWORD i = 0; i < count % 4; ++i) tail[i] = (BYTE)byte;
    return destination;
}

void* CopyBytes(void* destination, const void* source, DWORD count) {
    BYTE* to = (BYTE*)destination;
    const BYTE* from = (const BYTE*)source;
    for (DWORD i = 0; i < count; ++i) to[i] = from[i];
    return destination;
}

void* CopyDwords(void* destination, const void* source, DWORD countBytes) {
    DWORD UNALIGNED* to = (DWORD UNALIGNED*)destination;
    const DWORD UNALIGNED* from = (const DWORD UNALIGNED*)source;
    for (DWORD i = 0; i < countBytes / 4; ++i) to[i] = from[i];
    return destination;
}
