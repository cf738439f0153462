// Splitting the command line: the program's own quoting rules, argument cap
// and separators, from a table of command lines and the arguments they give.
#include "app/memory.h"
#include "app/split_command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct SplitRow {
    const char* commandLine;
    std::vector<std::string> arguments;
};

std::vector<std::string> Words(int count) {
    std::vector<std::string> words;
    for (int i = 0; i < count; ++i) words.push_back("w" + std::to_string(i));
    return words;
}

std::string Joined(const std::vector<std::string>& words, const std::string& after) {
    std::string line;
    for (size_t i = 0; i < words.size(); ++i) line += (i ? " " : "") + words[i];
    return line + after;
}

class SplitCommandLineTest : public ::testing::Test {
protected:
    std::vector<std::string> Split(const std::string& line, char** lastEntry = nullptr) {
        char* args[kArgSlots];
        for (char*& slot : args) slot = reinterpret_cast<char*>(0x1);  // "not set" marker
        int count = -1;
        char* block = SplitCommandLine(line.c_str(), &count, args);
        std::vector<std::string> result;
        for (int i = 0; i < count; ++i) result.push_back(args[i]);
        if (count == 0) {
            EXPECT_STREQ(args[0], "");
        }
        if (lastEntry) *lastEntry = args[kMaxArgs];
        FreeBlock(block);
        return result;
    }
};

TEST_F(SplitCommandLineTest, WorkedExamples) {
    const SplitRow rows[] = {
        {"", {}},
        {"Traywake", {"Traywake"}},
        {"\"C:\\Tools\\Traywake.exe\" D: -na", {"C:\\Tools\\Traywake.exe", "D:", "-na"}},
        {"Traywake  D:   -w:500  ", {"Traywake", "D:", "-w:500"}},
        {"Traywake\tD:\r\n-na", {"Traywake", "D:", "-na"}},
        {"Traywake\fD:", {"Traywake", "D:"}},
        {"Traywake a\vb", {"Traywake", "a\vb"}},
        {" Traywake D:", {"", "Traywake", "D:"}},
        {" ", {""}},
        {" \t\r\n ", {""}},
        {"\"", {""}},
        {"Traywake \"\"", {"Traywake", ""}},
        {"Traywake \"\" D:", {"Traywake", "", "D:"}},
        {"Traywake a\"\" b", {"Traywake", "a", "b"}},
        {"Traywake a\"\"b", {"Traywake", "ab"}},
        {"Traywake \"a b\"c", {"Traywake", "a bc"}},
        {"Traywake \"a\"b\" c\"", {"Traywake", "ab c"}},
        {"Traywake \"\"\"a b\"\"\"", {"Traywake", "a b"}},
        {"Traywake \"\"\"\"", {"Traywake", ""}},
        {"Traywake \"D: -na", {"Traywake", "D: -na"}},
        {"Traywake \"C:\\dir\\\" x", {"Traywake", "C:\\dir\\", "x"}},
        {"Traywake \"a\" \"b c\" \"\" d", {"Traywake", "a", "b c", "", "d"}},
    };
    for (const SplitRow& row : rows) EXPECT_EQ(Split(row.commandLine), row.arguments) << row.commandLine;
}

TEST_F(SplitCommandLineTest, CapsAtThirtyOneArgumentsAndNullsTheLastEntry) {
    struct CapRow {
        std::string line;
        size_t count;
        bool lastEntryNull;
    };
    const CapRow rows[] = {
        {Joined(Words(40), ""), 31, true},
        {Joined(Words(31), "   "), 31, true},
        {Joined(Words(31), ""), 31, false},
        {Joined(Words(30), " "), 30, false},
    };
    for (const CapRow& row : rows) {
        char* lastEntry = nullptr;
        std::vector<std::string> arguments = Split(row.line, &lastEntry);
        ASSERT_EQ(arguments.size(), row.count) << row.line;
        EXPECT_EQ(arguments.back(), "w" + std::to_string(row.count - 1));
        EXPECT_EQ(lastEntry == nullptr, row.lastEntryNull) << row.line;
    }
}

TEST_F(SplitCommandLineTest, LongArgumentIsNotTruncated) {
    std::string longWord(20000, 'x');
    EXPECT_EQ(Split("Traywake " + longWord + " y"),
              (std::vector<std::string>{"Traywake", longWord, "y"}));
}

}  // namespace
