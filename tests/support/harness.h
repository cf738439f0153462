// A private heap whose blocks are counted, buffers that end at a no-access page,
// and standard output on a pipe.
#pragma once
#include "base/memory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

// The process heap, taken first as the program's own entry does.
inline HANDLE TakeProcessHeap() {
    ProcessHeap = GetProcessHeap();
    return ProcessHeap;
}
inline const HANDLE kProcessHeapTaken = TakeProcessHeap();

struct ScopedHeap {  // the program's ProcessHeap while it lives
    HANDLE heap = HeapCreate(0, 0, 0);
    HANDLE previous = ProcessHeap;
    ScopedHeap() {
        ProcessHeap = heap;
    }
    ~ScopedHeap() {
        ProcessHeap = previous;
        HeapDestroy(heap);
    }
    // Blocks left allocated; -1 when the heap is broken (a block freed twice, or
    // written past or after its release).
    int BusyBlocks() const {
        if (!HeapValidate(heap, 0, nullptr)) return -1;
        int busy = 0;
        PROCESS_HEAP_ENTRY entry = {};
        while (HeapWalk(heap, &entry)) busy += (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) ? 1 : 0;
        return busy;
    }
};

struct GuardedBuffer {  // size bytes that end where a no-access page begins
    explicit GuardedBuffer(size_t size, BYTE fill = 0) {
        size_t pages = (size + 4095) / 4096;
        DWORD old = 0;
        base = (BYTE*)VirtualAlloc(nullptr, (pages + 1) * 4096, MEM_RESERVE | MEM_COMMIT,
                                   PAGE_READWRITE);
        VirtualProtect(base + pages * 4096, 4096, PAGE_NOACCESS, &old);
        bytes = base + pages * 4096 - size;
        FillMemory(bytes, size, fill);
    }
    ~GuardedBuffer() {
        VirtualFree(base, 0, MEM_RELEASE);
    }
    BYTE* data() const {
        return bytes;
    }
    BYTE* base;
    BYTE* bytes;
};

// Standard output on a pipe until Finish(); the pipe holds more than any run writes.
struct StdoutCapture {
    HANDLE previous = GetStdHandle(STD_OUTPUT_HANDLE);
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    StdoutCapture() {
        CreatePipe(&readEnd, &writeEnd, nullptr, 1 << 16);
        SetStdHandle(STD_OUTPUT_HANDLE, writeEnd);
    }
    ~StdoutCapture() {
        Finish();
    }
    std::string Finish() {
        std::string bytes(1 << 16, 0);
        DWORD got = 0;
        if (!writeEnd) return "";
        SetStdHandle(STD_OUTPUT_HANDLE, previous);
        CloseHandle(writeEnd);
        ReadFile(readEnd, &bytes[0], 1 << 16, &got, nullptr);
        CloseHandle(readEnd);
        writeEnd = nullptr;
        return bytes.substr(0, got);
    }
};
