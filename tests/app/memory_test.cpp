// The program's own memory routines: exact byte counts, nothing beyond them.
#include "app/memory.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(MemoryRoutines, WriteExactlyTheBytesAsked) {
    struct Row {
        const char* routine;
        DWORD count;
        int changed;  // bytes of the 12-byte destination that must change
    };
    const Row rows[] = {
        {"fill", 0, 0},  {"fill", 7, 7},  {"fill", 12, 12}, {"bytes", 0, 0},
        {"bytes", 5, 5}, {"dwords", 6, 4}, {"dwords", 3, 0}, {"dwords", 12, 12},
    };
    const unsigned char source[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    for (const Row& row : rows) {
        unsigned char destination[12];
        std::memset(destination, 0xEE, sizeof destination);
        void* result = nullptr;
        if (std::strcmp(row.routine, "fill") == 0)
            result = FillBytes(destination, 0x1A5, row.count);  // only the low byte counts
        else if (std::strcmp(row.routine, "bytes") == 0)
            result = CopyBytes(destination, source, row.count);
        else
            result = CopyDwords(destination, source, row.count);
        EXPECT_EQ(result, destination);
        for (int i = 0; i < 12; ++i) {
            unsigned char expected = 0xEE;
            if (i < row.changed) expected = std::strcmp(row.routine, "fill") == 0 ? 0xA5 : source[i];
            EXPECT_EQ(destination[i], expected) << row.routine << " count " << row.count << " byte " << i;
        }
    }
}

}  // namespace
