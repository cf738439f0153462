// The program's own file version, read from its version resource.
//
// version.dll is loaded from the system directory at run time, never linked:
// it keeps the program's imports to the three system libraries it always
// needs, and a DLL of that name beside the program is never picked up.
#include "diag/version_stamp.h"
#include "base/process_records.h"
#include "console/con_printf.h"
#include "diag/load_system_library.h"

VersionStamp OwnVersion;

typedef BOOL(WINAPI* GetFileVersionInfoWFunction)(LPCWSTR, DWORD, DWORD, LPVOID);
typedef BOOL(WINAPI* VerQueryValueWFunction)(LPCVOID, LPCWSTR, LPVOID*, PUINT);

static void ReadStampWith(HMODULE version, VersionStamp* stamp) {
    GetFileVersionInfoWFunction getFileVersionInfo =
        (GetFileVersionInfoWFunction)(void*)GetProcAddress(version, "GetFileVersionInfoW");
    VerQueryValueWFunction verQueryValue =
        (VerQueryValueWFunction)(void*)GetProcAddress(version, "VerQueryValueW");
    if (!getFileVersionInfo || !verQueryValue) return;

    WCHAR path[kPathChars];
    if (!ReadModulePathW(path)) return;

    BYTE info[1024];
    if (!getFileVersionInfo(path, 0, sizeof info, info)) {
        ConPrintf("error %u on GetFileVersionInfo(%S)\n", GetLastError(), path);
        return;
    }
    VS_FIXEDFILEINFO* fixed = 0;
    UINT length = 0;
    if (!verQueryValue(info, L"\\", (LPVOID*)&fixed, &length) || length == 0) {
        ConPrintf("error %u on VerQueryValue\n", GetLastError());
        return;
    }
    stamp->major = (BYTE)HIWORD(fixed->dwFileVersionMS);
    stamp->minor = (BYTE)LOWORD(fixed->dwFileVersionMS);
}

void ReadVersionStamp(VersionStamp* stamp) {
    HMODULE version = LoadSystemLibrary("version.dll");
    if (!version) {
        ConPrintf("error: %s not found", "version.dll");
        return;
    }
    ReadStampWith(version, stamp);
    FreeLibrary(version);
}
