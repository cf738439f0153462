// Splitting the command line: one table. The split reads its input and writes
// its block between no-access pages, so a one-byte overrun either way faults.
// (The options show in the load command's table.)
#include "app/split_command_line.h"
#include "tests/support/harness.h"

// The arguments; *capped: slot 31 is null, as only the cap of 31 arguments leaves it.
std::vector<std::string> Split(const std::string& line, bool* capped = nullptr) {
    GuardedBuffer input(line.size() + 1);
    GuardedBuffer block(line.size() + 1, 0xCC);
    std::memcpy(input.data(), line.c_str(), line.size() + 1);
    char* args[kArgSlots];
    std::fill(args, args + kArgSlots, (char*)1);
    int count = -1;
    SplitIntoBlock((const char*)input.data(), (char*)block.data(), &count, args);
    if (capped) *capped = args[kMaxArgs] == nullptr;
    return std::vector<std::string>(args, args + count);
}

TEST(SplitCommandLine, QuotesSeparatorsAndTheCap) {
    std::vector<std::string> words;
    std::string w31;
    std::string w40;
    for (int i = 0; i < 40; ++i) {
        words.push_back("w" + std::to_string(i));
        (i < 31 ? w31 : w40) += words.back() + " ";
    }
    const std::vector<std::string> first31(words.begin(), words.begin() + 31);
    const struct {
        std::string line;
        std::vector<std::string> args;
        bool capped;
    } rows[] = {
        {"", {}, false},
        {"\"C:\\Tools\\Traywake.exe\" D: -na", {"C:\\Tools\\Traywake.exe", "D:", "-na"}, false},
        {"Traywake\t D:\r\n-na\f-w:5  ", {"Traywake", "D:", "-na", "-w:5"}, false},
        {"Traywake a\vb", {"Traywake", "a\vb"}, false},
        {" Traywake", {"", "Traywake"}, false},
        {"\"", {""}, false},
        {"Traywake \"\" D:", {"Traywake", "", "D:"}, false},
        {"Traywake a\"\" b", {"Traywake", "a", "b"}, false},
        {"Traywake \"a b\"c \"\"\"d e\"\"\"", {"Traywake", "a bc", "d e"}, false},
        {"Traywake \"C:\\dir\\\" x", {"Traywake", "C:\\dir\\", "x"}, false},
        {"T \"D: -na", {"T", "D: -na"}, false},
        {w31 + w40, first31, true},
        {w31 + "  ", first31, true},
        {w31.substr(0, w31.size() - 1), first31, false},
    };
    for (const auto& row : rows) {
        bool capped = false;
        EXPECT_EQ(Split(row.line, &capped), row.args) << row.line;
        EXPECT_EQ(capped, row.capped) << row.line;
    }
    // The block the program takes from its heap holds the line and its zero.
    ScopedHeap heap;
    int count = 0;
    char* args[kArgSlots];
    char* block = SplitCommandLine("Traywake D: -na", &count, args);
    EXPECT_EQ(HeapSize(ProcessHeap, 0, block), sizeof "Traywake D: -na");
    EXPECT_EQ(count, 3);
    FreeBlock(block);
}
