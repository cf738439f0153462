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

static BOOL ReadStampWith(HMODULE version, VersionStamp* stamp) {
    GetFileVersionInfoWFunction getFileVersionInfo =
        (GetFileVersionInfoWFunction)(void*)GetProcAddress(version, "GetFileVersionInfoW");
    VerQueryValueWFunction verQueryValue =
        (VerQueryValueWFunction)(void*)GetProcAddress(version, "VerQueryValueW");
    // GetProcAddress leaves ERROR_PROC_NOT_FOUND for a function not there.
    if (!getFileVersionInfo || !verQueryValue) return FALSE;

    WCHAR path[kPathChars];
    if (!ReadModulePathW(path)) return FALSE;

    BYTE info[1024];
    if (!getFileVersionInfo(path, 0, sizeof info, info)) {
        ConPrintf("error %u on GetFileVersionInfo(%S)\n", GetLastError(), path);
        return FALSE;
    }
    VS_FIXEDFILEINFO* fixed = 0;
    UINT length = 0;
    if (!verQueryValue(info, L"\\", (LPVOID*)&fixed, &length) || length == 0) {
        ConPrintf("error %u on VerQueryValue\n", GetLastError());
        return FALSE;
    }
    stamp->major = (BYTE)HIWORD(fixed->dwFileVersionMS);
    stamp->minor = (BYTE)LOWORD(fixed->dwFileVersionMS);
    return TRUE;
}

BOOL ReadVersionStamp(VersionStamp* stamp) {
    HMODULE version = LoadSystemLibrary("version.dll");
    if (!version) {
        ConPrintf("error: %s not found", "version.dll");
        return FALSE;
    }
    BOOL filled = ReadStampWith(version, stamp);
    // A library released leaves the last error alone.
    FreeLibrary(version);
    return filled;
}
