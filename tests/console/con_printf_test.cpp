// Console output bytes: line-feed expansion, the 1024-byte bound, the write
// to whatever standard output is, and the levelled trace lines.
#include "app/memory.h"
#include "console/con_printf.h"
#include "console/trace.h"
#include "tests/support/output_capture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <string>

namespace {

std::string Expanded(const std::string& text) {
    char buffer[kTextBufferSize] = {};
    text.copy(buffer, kTextBufferSize - 1);
    return LfToCrLf(buffer);
}

TEST(LfToCrLf, BareLineFeedsBecomeCrLf) {
    const struct {
        std::string in, out;
    } rows[] = {
        {"a\nb", "a\r\nb"},
        {"a\r\nb", "a\r\nb"},
        {"\n\n", "\r\n\r\n"},
        {"x\r", "x\r"},
        {"\r\r\n\n", "\r\r\n\r\n"},
        {"", ""},
    };
    for (const auto& row : rows) EXPECT_EQ(Expanded(row.in), row.out) << row.in;
}

TEST(LfToCrLf, ExpansionStaysInsideTheBufferAndNeverSplitsAPair) {
    const struct {
        std::string in;
        size_t length;
        std::string tail;
    } rows[] = {
        {std::string(1023, '\n'), 1022, "\r\n"},             // 511 pairs fit, the 512th does not
        {std::string(1022, 'a') + "\n", 1022, "a"},          // no room for a pair: dropped
        {std::string(1021, 'a') + "\n", 1023, "a\r\n"},
        {std::string(1023, 'a'), 1023, "a"},
        {"\n" + std::string(1022, 'b'), 1023, "b"},          // the leading pair pushes out one b
    };
    for (const auto& row : rows) {
        char buffer[kTextBufferSize + 8];
        std::memset(buffer, 0x5A, sizeof buffer);
        row.in.copy(buffer, kTextBufferSize - 1);
        buffer[row.in.size()] = 0;
        std::string out = LfToCrLf(buffer);
        EXPECT_EQ(out.size(), row.length);
        EXPECT_EQ(out.substr(out.size() - row.tail.size()), row.tail);
        for (int i = kTextBufferSize; i < kTextBufferSize + 8; ++i) EXPECT_EQ(buffer[i], 0x5A) << i;
    }
}

TEST(ConPrintf, WritesTheExpandedBytesAndReturnsTheirCount) {
    const struct {
        const char* format;
        const char* argument;
        std::string bytes;
    } rows[] = {
        {"a\nb", nullptr, "a\r\nb"},
        {"%s", "", ""},
        {"invalid drive %s - abort\n\n", "Q:", "invalid drive Q: - abort\r\n\r\n"},
    };
    for (const auto& row : rows) {
        StdoutCapture capture;
        int written = ConPrintf(row.format, row.argument);
        EXPECT_EQ(capture.Finish(), row.bytes);
        EXPECT_EQ(written, (int)row.bytes.size());
    }
}

TEST(ConPrintf, LongTextIsCutTo1023Bytes) {
    std::string text(2000, 'q');
    StdoutCapture capture;
    EXPECT_EQ(ConPrintf("%s", text.c_str()), 1023);
    EXPECT_EQ(capture.Finish(), std::string(1023, 'q'));
}

TEST(ConPrintf, ReturnsMinusOneWithoutAValidStandardOutput) {
    HANDLE previous = GetStdHandle(STD_OUTPUT_HANDLE);
    SetStdHandle(STD_OUTPUT_HANDLE, INVALID_HANDLE_VALUE);
    int written = ConPrintf("lost");
    SetStdHandle(STD_OUTPUT_HANDLE, previous);
    EXPECT_EQ(written, -1);
}

TEST(Trace, LevelsAboveOneAreFormattedButNotShown) {
    for (int level : {2, 3, 4}) {
        LastTraceTick = 12345;
        StdoutCapture capture;
        Trace(level, "GetDiskCount(%s) res=%u", "X", 2u);
        EXPECT_EQ(capture.Finish(), "");
        EXPECT_STREQ(TraceText, "GetDiskCount(X) res=2");
        EXPECT_EQ(LastTraceTick, 12345u);
    }
}

TEST(Trace, ShownLineGoesToConsoleAndDebuggerWithElapsedTime) {
    const struct {
        DWORD ago;
        const char* pattern;
    } rows[] = {
        // The tick may move on during the call; the width rule is what counts.
        {5, "^\n\\[Quillet\\] +([0-9]{1,4}): abc\n$"},
        {123456, "^\n\\[Quillet\\] (1[0-9]{5}): abc\n$"},
    };
    for (const auto& row : rows) {
        for (int level : {0, 1}) {
            LastTraceTick = GetTickCount() - row.ago;
            StdoutCapture capture;
            Trace(level, "%s", "abc");
            EXPECT_EQ(capture.Finish(), "\r\nabc");
            std::cmatch match;
            ASSERT_TRUE(std::regex_match(TraceDebuggerLine, match, std::regex(row.pattern)))
                << TraceDebuggerLine;
            EXPECT_GE(std::stoul(match[1].str()), row.ago);
            EXPECT_EQ(std::string(TraceDebuggerLine).find(": abc") - std::string("\n[Quillet] ").size(),
                      std::max<size_t>(4, match[1].length()));
        }
    }
}

}  // namespace
