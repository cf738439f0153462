// The resources of both program files: the version resource the banner
// reads, the manifest that declares the supported Windows versions, and the
// icon. The shipped 32-bit program cannot run here, but it loads as data.
#include "tests/support/program_run.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Programs() {
    const char* win32 = std::getenv("TRAYWAKE_WIN32_PROGRAM");
    std::vector<std::string> programs = {BuildDirectory() + "Traywake.exe"};
    if (win32) programs.push_back(win32);
    return programs;
}

TEST(ProgramResources, TheShippedProgramIsChecked) {
    // ctest names the 32-bit program; a run without it checks only half.
    ASSERT_NE(std::getenv("TRAYWAKE_WIN32_PROGRAM"), nullptr);
    EXPECT_NE(GetFileAttributesA(std::getenv("TRAYWAKE_WIN32_PROGRAM")), INVALID_FILE_ATTRIBUTES);
}

std::wstring Wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

TEST(ProgramResources, VersionResource) {
    const struct {
        const char* name;
        const char* value;
    } strings[] = {
        {"FileDescription", "Traywake (Win32) - Loads a media into a drive"},
        {"Comments", "Works on Windows 2000, XP and higher only"},
        {"InternalName", "Traywake"},
        {"OriginalFilename", "Traywake.exe"},
        {"ProductName", "Traywake"},
        {"FileVersion", "1,6,0,0"},
        {"ProductVersion", "1,6,0,0"},
        {"CompanyName", "Traywake"},
        {"LegalCopyright", "(C) 2026 Traywake"},
        {"LegalTrademarks", ""},
        {"PrivateBuild", ""},
        {"SpecialBuild", ""},
    };
    for (const std::string& program : Programs()) {
        std::wstring path = Wide(program);
        DWORD handle = 0;
        DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
        ASSERT_GT(size, 0u) << program;
        std::vector<BYTE> info(size);
        ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, info.data()));
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", (LPVOID*)&fixed, &length));
        EXPECT_EQ(fixed->dwFileVersionMS, 0x00010006u);
        EXPECT_EQ(fixed->dwFileVersionLS, 0u);
        EXPECT_EQ(fixed->dwProductVersionMS, 0x00010006u);
        EXPECT_EQ(fixed->dwProductVersionLS, 0u);
        EXPECT_EQ(fixed->dwFileFlagsMask, 0x3Fu);
        EXPECT_EQ(fixed->dwFileFlags, 0u);
        EXPECT_EQ(fixed->dwFileOS, 0x40004u);
        EXPECT_EQ(fixed->dwFileType, 1u);
        DWORD* translation = nullptr;
        ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", (LPVOID*)&translation, &length));
        ASSERT_EQ(length, 4u);
        EXPECT_EQ(*translation, 0x04E40000u);  // language neutral, code page 1252
        for (const auto& entry : strings) {
            std::wstring query = L"\\StringFileInfo\\000004E4\\" + Wide(entry.name);
            wchar_t* value = nullptr;
            ASSERT_TRUE(VerQueryValueW(info.data(), query.c_str(), (LPVOID*)&value, &length)) << entry.name;
            EXPECT_EQ(std::wstring(value), Wide(entry.value)) << entry.name << " in " << program;
        }
    }
}

std::string Resource(HMODULE module, LPCSTR type, LPCSTR name) {
    HRSRC found = FindResourceA(module, name, type);
    if (!found) return "";
    HGLOBAL loaded = LoadResource(module, found);
    return std::string(static_cast<const char*>(LockResource(loaded)), SizeofResource(module, found));
}

TEST(ProgramResources, VersionBlockSizeManifestAndIcon) {
    const char* supportedOs[] = {"{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                                 "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
                                 "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"};
    for (const std::string& program : Programs()) {
        HMODULE module = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module, nullptr) << program;
        // The program reads its version block into 1024 bytes; it must fit.
        std::string version = Resource(module, MAKEINTRESOURCEA(16), MAKEINTRESOURCEA(1));
        EXPECT_GT(version.size(), 0u);
        EXPECT_LE(version.size(), 1024u) << program;
        std::string manifest = Resource(module, MAKEINTRESOURCEA(24), MAKEINTRESOURCEA(1));
        EXPECT_NE(manifest.find("<assemblyIdentity version=\"1.0.0.0\" processorArchitecture=\"*\" name=\" \" type=\"win32\"/>"),
                  std::string::npos) << program;
        size_t listed = 0;
        for (size_t at = 0; (at = manifest.find("<supportedOS ", at)) != std::string::npos; ++at) ++listed;
        EXPECT_EQ(listed, 5u);
        for (const char* id : supportedOs) EXPECT_NE(manifest.find(id), std::string::npos) << id;
        EXPECT_EQ(manifest.find("trustInfo"), std::string::npos);

        // The icon group lists 16 and 32 pixel images, each present.
        std::string group = Resource(module, MAKEINTRESOURCEA(14), MAKEINTRESOURCEA(1));
        ASSERT_GE(group.size(), 6u);
        WORD count = *reinterpret_cast<const WORD*>(&group[4]);
        ASSERT_EQ(group.size(), 6u + 14u * count);
        std::vector<int> sizes;
        for (WORD i = 0; i < count; ++i) {
            const BYTE* entry = reinterpret_cast<const BYTE*>(&group[6 + 14 * i]);
            sizes.push_back(entry[0]);
            WORD id = *reinterpret_cast<const WORD*>(entry + 12);
            std::string image = Resource(module, MAKEINTRESOURCEA(3), MAKEINTRESOURCEA(id));
            ASSERT_GE(image.size(), 40u);
            EXPECT_EQ(*reinterpret_cast<const LONG*>(&image[4]), entry[0]);  // the bitmap's width
        }
        EXPECT_EQ(sizes, (std::vector<int>{16, 32})) << program;
        FreeLibrary(module);
    }
}

}  // namespace
