// The entry of every test program: takes the process heap as the program's
// own entry does first, then runs the tests.
#include "base/memory.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ProcessHeap = GetProcessHeap();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
