// The program's own version stamp: hexadecimal text, the number formatting,
// and the stamp read from the version resource under Wine.
#include "diag/version_stamp.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(ParseHexText, DigitsOfBothCasesAndNothingElse) {
    const struct {
        const char* text;
        DWORD value;
    } rows[] = {
        {"1a2B", 0x1A2B}, {"12G4", 0}, {"", 0}, {"01060000", 0x01060000}, {"FFFFFFFF", 0xFFFFFFFF},
        {"123456789", 0x23456789},  // the leading digit falls out
        {"12 ", 0}, {"-1", 0},
    };
    for (const auto& row : rows) EXPECT_EQ(ParseHexText(row.text), row.value) << row.text;
}

TEST(SetVersionNumbers, LowEightBitsAndTheirTexts) {
    const struct {
        DWORD ms, ls;
        BYTE major, minor, build, revision;
        DWORD hexCode;
        WORD high;
        const char* text;
    } rows[] = {
        {0x00010006, 0x00000000, 1, 6, 0, 0, 0x01060000, 0x0106, "1.6.0"},
        {0x0001000C, 0x00220003, 1, 12, 34, 3, 0x01123403, 0x0112, "1.12.34"},
        // 100 prints as three digits: "0100000000" loses its leading zero.
        {0x00640000, 0x00000000, 100, 0, 0, 0, 0x00000000, 0x0000, "100.0.0"},
        {0x00010000, 0x00FF0001, 1, 0, 255, 1, 0x10025501, 0x1002, "1.0.255"},  // "010025501"
        {0x01000101, 0x00000000, 0, 1, 0, 0, 0x00010000, 0x0001, "0.1.0"},  // 256 becomes 0, 257 becomes 1
    };
    for (const auto& row : rows) {
        VersionStamp stamp = {};
        SetVersionNumbers(row.ms, row.ls, &stamp);
        EXPECT_EQ(stamp.major, row.major);
        EXPECT_EQ(stamp.minor, row.minor);
        EXPECT_EQ(stamp.build, row.build);
        EXPECT_EQ(stamp.revision, row.revision);
        EXPECT_EQ(stamp.hexCode, row.hexCode) << row.text;
        EXPECT_EQ(stamp.hexCodeHigh, row.high) << row.text;
        EXPECT_STREQ(stamp.text, row.text);
    }
}

TEST(ReadVersionStamp, ThisBuildIsVersion1600) {
    VersionStamp stamp = {};
    std::memset(&stamp, 0x5A, sizeof stamp);
    ASSERT_TRUE(ReadVersionStamp(&stamp));
    EXPECT_EQ(stamp.major, 1);
    EXPECT_EQ(stamp.minor, 6);
    EXPECT_EQ(stamp.build, 0);
    EXPECT_EQ(stamp.revision, 0);
    EXPECT_EQ(stamp.hexCode, 0x01060000u);
    EXPECT_EQ(stamp.hexCodeHigh, 0x0106);
    EXPECT_STREQ(stamp.text, "1.6.0");
}

TEST(LoadSystemLibrary, LoadsFromTheSystemDirectoryOnly) {
    HMODULE version = LoadSystemLibrary("version.dll");
    ASSERT_NE(version, nullptr);
    char path[MAX_PATH];
    char system[MAX_PATH];
    GetModuleFileNameA(version, path, MAX_PATH);
    GetSystemDirectoryA(system, MAX_PATH);
    EXPECT_EQ(std::string(path).rfind(system, 0), 0u) << path;
    FreeLibrary(version);
    EXPECT_EQ(LoadSystemLibrary("no-such-library.dll"), nullptr);
}

}  // namespace
