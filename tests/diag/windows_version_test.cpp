// The Windows version probe: flags for every family and version, from
// recorded GetVersionExA answers, and the NT-only refusal of the command.
#include "diag/windows_version.h"
#include "tests/support/fake_device.h"
#include "tests/support/load_command_run.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

OSVERSIONINFOA Answer;
BOOL AnswerSucceeds;

BOOL WINAPI RecordedVersion(LPOSVERSIONINFOA answer) {
    if (!AnswerSucceeds) return FALSE;
    EXPECT_EQ(answer->dwOSVersionInfoSize, sizeof(OSVERSIONINFOA));
    *answer = Answer;
    return TRUE;
}

struct ScriptedVersion {
    ScriptedVersion(DWORD platform, DWORD major, DWORD minor, bool succeeds = true) {
        std::memset(&Answer, 0, sizeof Answer);
        Answer.dwOSVersionInfoSize = sizeof Answer;
        Answer.dwPlatformId = platform;
        Answer.dwMajorVersion = major;
        Answer.dwMinorVersion = minor;
        Answer.dwBuildNumber = 0x12345678;
        AnswerSucceeds = succeeds;
        GetVersionAnswer = RecordedVersion;
    }
    ~ScriptedVersion() { GetVersionAnswer = saved; }
    BOOL(WINAPI* saved)(LPOSVERSIONINFOA) = GetVersionAnswer;
};

// The flags that are set, by name, in field order.
std::string Flags(const OsVersionInfo& info) {
    std::string flags;
    const struct {
        BOOL value;
        const char* name;
    } fields[] = {{info.isNT, "NT"},           {info.isNT4, "NT4"},       {info.isWin2000, "2000"},
                  {info.isWinXP, "XP"},        {info.isVista, "Vista"},   {info.isWin9x, "9x"},
                  {info.isWin95, "95"},        {info.isWin9xMid, "9xMid"}, {info.isWinME, "ME"},
                  {info.isAbove95AndNT4, "Above95AndNT4"}};
    for (const auto& field : fields)
        if (field.value) flags += std::string(flags.empty() ? "" : " ") + field.name;
    return flags;
}

TEST(ProbeWindowsVersion, FlagsForEveryFamilyAndVersion) {
    const struct {
        DWORD platform, major, minor;
        const char* flags;
        const wchar_t* platformText;
    } rows[] = {
        {1, 4, 0, "9x 95", L""},
        {1, 4, 10, "9x 9xMid Above95AndNT4", L""},
        {1, 4, 90, "9x ME Above95AndNT4", L""},
        {2, 4, 0, "NT NT4", L""},
        {2, 5, 0, "NT 2000 Above95AndNT4", L"Win32"},
        {2, 5, 1, "NT XP Above95AndNT4", L"Win32"},
        {2, 5, 2, "NT XP Above95AndNT4", L"Win32"},
        {2, 6, 0, "NT Vista Above95AndNT4", L"Win32"},
        {2, 6, 1, "NT Above95AndNT4", L"Win32"},
        {2, 6, 3, "NT Above95AndNT4", L"Win32"},
        {2, 10, 0, "NT Above95AndNT4", L"Win32"},
    };
    for (const auto& row : rows) {
        ScriptedVersion version(row.platform, row.major, row.minor);
        OsVersionInfo info = {};
        ProbeWindowsVersion(&info);
        std::string label = std::to_string(row.platform) + " " + std::to_string(row.major) + "." + std::to_string(row.minor);
        EXPECT_EQ(Flags(info), row.flags) << label;
        // This 64-bit test program is no WoW64 process.
        EXPECT_FALSE(info.isWow64);
        EXPECT_STREQ(info.szPlatform, row.platformText) << label;
        EXPECT_EQ(info.dwVersion, row.major * 256 + row.minor);
        EXPECT_EQ(info.dwBuild, 0x12345678u);
    }
}

TEST(ProbeWindowsVersion, FailedCallReadsAsAnOldNonNtSystem) {
    ScriptedVersion version(2, 10, 0, false);
    OsVersionInfo info = {};
    ProbeWindowsVersion(&info);
    EXPECT_EQ(Flags(info), "9x 95");
    EXPECT_EQ(info.dwVersion, 0u);
}

TEST(LoadCommand, RefusesOutsideTheNtFamily) {
    for (bool succeeds : {true, false}) {
        ScriptedVersion version(1, 4, 90, succeeds);
        FakeDevice fake;
        LoadCommandOutcome outcome = RunLoadCommandWith({"E:"});
        EXPECT_EQ(outcome.output,
                  "Traywake - works under Windows NT4, 2000, XP, Server 2003, Vista and higher only - abort\r\n\r\n");
        EXPECT_EQ(outcome.exitCode, 2);
        EXPECT_TRUE(fake.log.empty());  // refused before any drive was looked at
    }
}

}  // namespace
