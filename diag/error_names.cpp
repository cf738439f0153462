// Names for Win32 error codes, and the handle test.
//
// The names keep the spelling users and scripts already grep for: most drop
// the ERROR_ prefix, a few pipe and logon codes keep it, and 0 reads "ok".
#include "diag/error_names.h"

struct ErrorNameEntry {
    DWORD code;
    const char* name;
};

static const ErrorNameEntry ErrorNames[] = {
    {0u, "ok"},
    {1u, "INVALID_FUNCTION"},
    {2u, "FILE_NOT_FOUND"},
    {3u, "PATH_NOT_FOUND"},
    {5u, "ACCESS_DENIED"},
    {6u, "INVALID_HANDLE"},
    {8u, "NOT_ENOUGH_MEMORY"},
    {13u, "INVALID_DATA"},
    {18u, "NO_MORE_FILES"},
    {19u, "WRITE_PROTECT"},
    {21u, "NOT_READY"},
    {22u, "BAD_COMMAND"},
    {23u, "CRC"},
    {24u, "BAD_LENGTH"},
    {31u, "GEN_FAILURE"},
    {32u, "SHARING_VIOLATION"},
    {33u, "LOCK_VIOLATION"},
    {50u, "NOT_SUPPORTED"},
    {53u, "BAD_NETPATH"},
    {55u, "DEV_NOT_EXIST"},
    {87u, "INVALID_PARAMETER"},
    {121u, "SEM_TIMEOUT"},
    {123u, "INVALID_NAME"},
    {145u, "DIR_NOT_EMPTY"},
    {161u, "BAD_PATHNAME"},
    {183u, "ALREADY_EXISTS"},
    {193u, "BAD_EXE_FORMAT"},
    {206u, "FILENAME_EXCED_RANGE"},
    {216u, "EXE_MACHINE_TYPE_MISMATCH"},
    {230u, "BAD_PIPE"},
    {231u, "ERROR_PIPE_BUSY"},
    {232u, "ERROR_NO_DATA"},
    {233u, "ERROR_PIPE_NOT_CONNECTED"},
    {234u, "ERROR_MORE_DATA"},
    {433u, "NO_SUCH_DEVICE"},
    {535u, "PIPE_CONNECTED"},
    {536u, "PIPE_LISTENING"},
    {618u, "UNSUPPORTED_COMPRESSION"},
    {665u, "FILE_SYSTEM_LIMITATION"},
    {740u, "ELEVATION_REQUIRED"},
    {997u, "IO_PENDING"},
    {1004u, "INVALID_FLAGS"},
    {1005u, "UNRECOGNIZED_VOLUME"},
    {1006u, "FILE_INVALID"},
    {1007u, "FULLSCREEN_MODE"},
    {1008u, "NO_TOKEN"},
    {1110u, "MEDIA_CHANGED"},
    {1115u, "SHUTDOWN_IN_PROGRESS"},
    {1117u, "IO_DEVICE"},
    {1151u, "APP_WRONG_OS"},
    {1168u, "NOT_FOUND"},
    {1212u, "INVALID_DOMAINNAME"},
    {1235u, "REQUEST_ABORTED"},
    {1245u, "NOT_LOGGED_ON"},
    {1260u, "ACCESS_DISABLED_BY_POLICY"},
    {1312u, "ERROR_NO_SUCH_LOGON_SESSION"},
    {1313u, "ERROR_NO_SUCH_PRIVILEGE"},
    {1314u, "ERROR_PRIVILEGE_NOT_HELD"},
    {1326u, "LOGON_FAILURE"},
    {1332u, "NONE_MAPPED"},
    {1346u, "BAD_IMPERSONATION_LEVEL"},
    {1355u, "NO_SUCH_DOMAIN"},
    {1392u, "FILE_CORRUPT"},
    {1393u, "DISK_CORRUPT"},
    {1450u, "NO_SYSTEM_RESOURCES"},
    {1451u, "NONPAGED_SYSTEM_RESOURCES"},
    {1452u, "PAGED_SYSTEM_RESOURCES"},
    {1460u, "TIMEOUT"},
    {1785u, "UNRECOGNIZED_MEDIA"},
    {1789u, "TRUSTED_RELATIONSHIP_FAILURE"},
    {1814u, "RESOURCE_NAME_NOT_FOUND"},
    {2401u, "OPEN_FILES"},
    {2404u, "DEVICE_IN_USE"},
    {4390u, "NOT_A_REPARSE_POINT"},
    {6002u, "FILE_ENCRYPTED"},
    {0x80310000u, "FVE_E_LOCKED_VOLUME"},
    {0x80310017u, "FVE_E_VOLUME_NOT_BOUND"},
};

// "0x%X" of 0xFFFFFFFF is 10 characters.
static char UnnamedErrorText[11];

const char* ErrorName(DWORD code) {
    for (const ErrorNameEntry& entry : ErrorNames)
        if (entry.code == code) return entry.name;
    wsprintfA(UnnamedErrorText, code < 0x10000000u ? "%u" : "0x%X", code);
    return UnnamedErrorText;
}

const char* LastErrorName() {
    return ErrorName(GetLastError());
}

BOOL IsValidHandle(HANDLE handle) {
    return handle != 0 && handle != INVALID_HANDLE_VALUE;
}
