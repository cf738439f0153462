// The program's own file version, read from its version resource.
//
// version.dll is loaded from the system directory at run time, never linked:
// it keeps the program's imports to the three system libraries it always
// needs, and a DLL of that name beside the program is never picked up.
#include "diag/version_stamp.h"
#include "base/memory.h"
#include "base/process_records.h"
#include "console/con_printf.h"
#include "diag/load_system_library.h"

VersionStamp OwnVersion;

typedef BOOL(WINAPI* GetFileVersionInfoWFunction)(LPCWSTR, DWORD, DWORD, LPVOID);
typedef BOOL(WINAPI* VerQueryValueWFunction)(LPCVOID, LPCWSTR, LPVOID*, PUINT);

DWORD ParseHexText(const char* text) {
    DWORD value = 0;
    for (; *text; ++text) {
        char c = *text;
        DWORD digit;
        if (c >= '0' && c <= '9')
            digit = (DWORD)(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = (DWORD)(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            digit = (DWORD)(c - 'A' + 10);
        else
            return 0;
        value = value * 16 + digit;
    }
    return value;
}

void SetVersionNumbers(DWORD fileVersionMS, DWORD fileVersionLS, VersionStamp* stamp) {
    stamp->major = (BYTE)HIWORD(fileVersionMS);
    stamp->minor = (BYTE)LOWORD(fileVersionMS);
    stamp->build = (BYTE)HIWORD(fileVersionLS);
    stamp->revision = (BYTE)LOWORD(fileVersionLS);
    // Three-digit numbers make the text longer than eight digits; the leading
    // digits then fall out of the 32-bit value, as they always have.
    char digits[16];
    wsprintfA(digits, "%02u%02u%02u%02u", stamp->major, stamp->minor, stamp->build,
              stamp->revision);
    stamp->hexCode = ParseHexText(digits);
    stamp->hexCodeHigh = HIWORD(stamp->hexCode);
    wsprintfA(stamp->text, "%u.%u.%u", stamp->major, stamp->minor, stamp->build);
}

static BOOL ReadStampWith(HMODULE version, VersionStamp* stamp) {
    GetFileVersionInfoWFunction getFileVersionInfo =
        (GetFileVersionInfoWFunction)(void*)GetProcAddress(version, "GetFileVersionInfoW");
    VerQueryValueWFunction verQueryValue =
        (VerQueryValueWFunction)(void*)GetProcAddress(version, "VerQueryValueW");
    if (!getFileVersionInfo || !verQueryValue) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return FALSE;
    }

    WCHAR path[kPathChars];
    if (!ReadModulePathW(path)) return FALSE;
    FillBytes(stamp, 0, sizeof *stamp);

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
    SetVersionNumbers(fixed->dwFileVersionMS, fixed->dwFileVersionLS, stamp);
    return TRUE;
}

BOOL ReadVersionStamp(VersionStamp* stamp) {
    HMODULE version = LoadSystemLibrary("version.dll");
    if (!version) {
        ConPrintf("error: %s not found", "version.dll");
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    BOOL filled = ReadStampWith(version, stamp);
    DWORD error = GetLastError();
    FreeLibrary(version);
    SetLastError(error);
    return filled;
}
