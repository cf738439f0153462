// Diagnostics: error names, the crash dump writer (end to end, in a running
// Traywake whose main thread is held so the dump is always written before the
// process can end) and the program's resources.
#include "base/build_identity.h"
#include "diag/error_names.h"
#include "tests/support/harness.h"
#include "traywake_identity.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

TEST(ErrorName, NamesAndNumbers) {
    const struct {
        DWORD code;
        const char* name;
    } rows[] = {
        {0, "ok"}, {21, "NOT_READY"}, {50, "NOT_SUPPORTED"}, {121, "SEM_TIMEOUT"},
        {231, "ERROR_PIPE_BUSY"}, {0x80310000u, "FVE_E_LOCKED_VOLUME"}, {9999, "9999"},
        {0x0FFFFFFF, "268435455"}, {0x90000000u, "0x90000000"},
    };
    for (const auto& row : rows) EXPECT_STREQ(ErrorName(row.code), row.name);
    EXPECT_STREQ(DriveTypeName(DRIVE_CDROM), "DRIVE_CDROM");
    EXPECT_STREQ(DriveTypeName(4294967295u), "DRIVE_4294967295");
}

std::string TempPath(const std::string& name) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    return temp + name;
}

std::string FileStart(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    char start[4] = {};
    file.read(start, 4);
    return std::string(start, 4);
}

// "0x%p" is as wide as a pointer: 8 digits in the 32-bit build, 16 in the 64-bit one.
std::string Address(ULONG_PTR address) {
    char text[32];
    wsprintfA(text, "0x%p", (void*)address);
    return text;
}

TEST(CrashDumpFilter, BesideTheProgramElseInTheTemporaryDirectory) {
    std::string folder = TempPath("traywake-crash-" + std::to_string(GetCurrentProcessId()) + "\\");
    CreateDirectoryA(folder.c_str(), nullptr);
    CopyFileA((BuildDirectory() + "Traywake.exe").c_str(), (folder + "Traywake.exe").c_str(), FALSE);
    const std::string beside = folder + "Traywake.dmp", fallback = TempPath("Quillet.dmp"), mark = folder + "debugger";
    // The exception goes on to the system, whose debugger (set here) leaves a mark.
    HKEY aeDebug = nullptr;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug", 0, nullptr, 0,
                    KEY_SET_VALUE, nullptr, &aeDebug, nullptr);
    auto setDebugger = [&](const std::string& command) {
        RegSetValueExA(aeDebug, "Debugger", 0, REG_SZ, (const BYTE*)command.c_str(), (DWORD)command.size() + 1);
    };
    setDebugger("C:\\windows\\system32\\cmd.exe /c echo crash> \"" + mark + "\"");
    for (const std::string& dump : {fallback, beside}) {
        // A folder where the dump beside the program would go: it cannot be made.
        if (dump == fallback) CreateDirectoryA(beside.c_str(), nullptr);
        // A dump of an earlier crash is replaced.
        if (dump == beside) std::ofstream(beside) << "old";
        RunningProgram traywake(folder + "Traywake.exe", "Traywake Q: -na -w:10000");
        ASSERT_TRUE(traywake.AwaitOutput("abort"));
        // The main thread is held: only the crash can end the process now.
        SuspendThread(traywake.mainThread());
        HANDLE thread = CreateRemoteThread(traywake.process(), nullptr, 0, (LPTHREAD_START_ROUTINE)(ULONG_PTR)0x10,
                                           nullptr, 0, nullptr);
        ASSERT_NE(thread, nullptr);
        CloseHandle(thread);
        Outcome crash = traywake.Finish();
        EXPECT_EQ(crash.output, "invalid drive Q: - abort\r\n\r\n\r\nException 0xC0000005 at " + Address(0x10) +
                                    "!\r\nMiniDump written to " + dump + "\r\nplease send it to " + kSupportAddress +
                                    "\r\n\r\n");
        EXPECT_EQ(crash.exitCode, (DWORD)EXCEPTION_ACCESS_VIOLATION);
        EXPECT_EQ(FileStart(dump), "MDMP");
        EXPECT_EQ(FileStart(mark), "cras");
        DeleteFileA(mark.c_str());
        DeleteFileA(fallback.c_str());
        RemoveDirectoryA(beside.c_str());
    }
    setDebugger("C:\\windows\\system32\\cmd.exe /c exit");
    RegCloseKey(aeDebug);
    for (const char* file : {"Traywake.exe", "Traywake.dmp"}) DeleteFileA((folder + file).c_str());
    RemoveDirectoryA(folder.c_str());
}

BOOL CALLBACK CountIcons(HMODULE, LPCSTR, LPSTR, LONG_PTR count) {
    return ++*(int*)count, TRUE;
}

TEST(ProgramResources, VersionManifestAndIcon) {
    std::string program = BuildDirectory() + "Traywake.exe";
    HMODULE image = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    // The program reads the version block into 1024 bytes.
    EXPECT_LT(SizeofResource(image, FindResourceA(image, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16))), 1024u);
    DWORD handle = 0, size = GetFileVersionInfoSizeA(program.c_str(), &handle);
    std::vector<BYTE> info(size);
    ASSERT_TRUE(GetFileVersionInfoA(program.c_str(), 0, size, info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", (LPVOID*)&fixed, &length));
    EXPECT_EQ(fixed->dwFileVersionMS, TRAYWAKE_VERSION_MS);
    EXPECT_EQ(fixed->dwFileVersionLS, TRAYWAKE_VERSION_LS);

    HRSRC manifest = FindResourceA(image, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_NE(manifest, nullptr);
    std::string text((const char*)LockResource(LoadResource(image, manifest)), SizeofResource(image, manifest));
    for (const char* id : {"e2011457-1546-43c5-a5fe-008deee3d3f0", "35138b9a-5d96-4fbd-8e2d-a2440225f93a",
                           "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38", "1f676c76-80e1-4239-95bb-83d0f6d0da78",
                           "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"})
        EXPECT_NE(text.find(id), std::string::npos) << id;
    int icons = 0;
    EnumResourceNamesA(image, MAKEINTRESOURCEA(3), CountIcons, (LONG_PTR)&icons);
    EXPECT_EQ(icons, 2);  // 16 and 32 pixels
    FreeLibrary(image);
}

}  // namespace
