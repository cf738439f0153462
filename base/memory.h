// Process heap and the program's own memory fill and copy routines.
//
// The program links no C runtime, so these are the only memory helpers it has.
// AllocZeroed never returns null: it waits a second and tries again while the
// heap is exhausted, so no caller needs a failure path for memory.
#pragma once
#include <windows.h>

extern HANDLE ProcessHeap;

void* AllocZeroed(DWORD size);
BOOL FreeBlock(void* block);
void* FillBytes(void* destination, int value, DWORD count);
void* CopyBytes(void* destination, const void* source, DWORD count);
void* CopyDwords(void* destination, const void* source, DWORD countBytes);
