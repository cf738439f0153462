// Splitting the command line and parsing the options: one table each. The
// split reads its input and writes its block between no-access pages, so a
// one-byte overrun either way faults.
#include "app/load_options.h"
#include "app/split_command_line.h"
#include "tests/support/harness.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace {

std::vector<std::string> Split(const std::string& line, char** lastSlot = nullptr) {
    GuardedBuffer input(line.size() + 1);
    std::memcpy(input.data(), line.c_str(), line.size() + 1);
    GuardedBuffer block(line.size() + 1, 0xCC);
    char* args[kArgSlots];
    for (char*& slot : args) slot = (char*)1;
    int count = -1;
    SplitIntoBlock((const char*)input.data(), (char*)block.data(), &count, args);
    if (lastSlot) *lastSlot = args[kMaxArgs];
    return std::vector<std::string>(args, args + count);
}

std::string Words(int count, const char* separator) {
    std::string line;
    for (int i = 0; i < count; ++i) line += (i ? separator : "") + std::string("w") + std::to_string(i);
    return line;
}

TEST(SplitCommandLine, QuotesAndSeparators) {
    const struct {
        std::string line;
        std::vector<std::string> args;
    } rows[] = {
        {"", {}},
        {"\"C:\\Tools\\Traywake.exe\" D: -na", {"C:\\Tools\\Traywake.exe", "D:", "-na"}},
        {"Traywake\t D:\r\n-na\f-w:5  ", {"Traywake", "D:", "-na", "-w:5"}},
        {"Traywake a\vb", {"Traywake", "a\vb"}},
        {" Traywake", {"", "Traywake"}},
        {"\"", {""}},
        {"Traywake \"\" D:", {"Traywake", "", "D:"}},
        {"Traywake a\"\" b", {"Traywake", "a", "b"}},
        {"Traywake \"a b\"c \"\"\"d e\"\"\"", {"Traywake", "a bc", "d e"}},
        {"Traywake \"C:\\dir\\\" x", {"Traywake", "C:\\dir\\", "x"}},
        {"T \"D: -na", {"T", "D: -na"}},
    };
    for (const auto& row : rows) EXPECT_EQ(Split(row.line), row.args) << row.line;
}

TEST(SplitCommandLine, AtMost31Arguments) {
    const struct {
        std::string line;
        size_t count;
        bool capped;  // slot 31 is null only when the cap stopped the split
    } rows[] = {
        {Words(40, " "), 31, true},
        {Words(31, "   ") + " ", 31, true},
        {Words(31, " "), 31, false},
    };
    for (const auto& row : rows) {
        char* last = nullptr;
        std::vector<std::string> args = Split(row.line, &last);
        EXPECT_EQ(args.size(), row.count);
        EXPECT_EQ(args.back(), "w" + std::to_string(row.count - 1));
        EXPECT_EQ(last == nullptr, row.capped);
    }
}

TEST(SplitCommandLine, HostileLinesStayInsideTheirBlocks) {
    std::mt19937 random(7);
    const char alphabet[] = "\"\" \t\r\n\fab-";
    for (int round = 0; round < 2000; ++round) {
        std::string line(random() % 64, 'x');
        for (char& c : line) c = alphabet[random() % (sizeof alphabet - 1)];
        std::vector<std::string> args = Split(line);
        EXPECT_LE(args.size(), 31u);
    }
}

TEST(ParseLoadOptions, Table) {
    const struct {
        std::vector<std::string> options;
        bool parsed;
        LONG waitMs;
        bool force, noAbout;
    } rows[] = {
        {{}, true, kWaitNotGiven, false, false},
        {{"/NAx", "-Force"}, true, kWaitNotGiven, true, true},
        {{"-n"}, true, kWaitNotGiven, false, false},
        {{"-w:500"}, true, 500, false, false},
        {{"/N:300"}, true, 300, false, false},
        {{"-w:10001"}, true, 10000, false, false},
        {{"-w:-5"}, true, 0, false, false},
        {{"-w500", "-x", "-"}, true, kWaitNotGiven, false, false},
        {{"/w:5/0"}, true, 5, false, false},
        {{"-w:100", "-w:200"}, true, 200, false, false},
        {{std::string(300, '-')}, true, kWaitNotGiven, false, false},
        {{"-na", "foo", "-f"}, false, kWaitNotGiven, false, true},
        {{""}, false, kWaitNotGiven, false, false},
        {{"/?"}, false, kWaitNotGiven, false, false},
    };
    for (const auto& row : rows) {
        std::vector<std::string> args = row.options;
        args.insert(args.begin(), {"Traywake", "E:"});
        std::vector<char*> argv;
        for (std::string& arg : args) argv.push_back(&arg[0]);
        LoadOptions options;
        InitLoadOptions(&options);
        EXPECT_EQ(ParseLoadOptions((int)argv.size(), argv.data(), &options) != 0, row.parsed) << args.size();
        EXPECT_EQ(options.waitMs, row.waitMs);
        EXPECT_EQ(options.force != 0, row.force);
        EXPECT_EQ(options.noAbout != 0, row.noAbout);
    }
}

}  // namespace
