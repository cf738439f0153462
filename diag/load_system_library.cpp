// Loading an optional system DLL by its full path in the system directory.
#include "diag/load_system_library.h"

HMODULE LoadSystemLibrary(const char* fileName) {
    char path[MAX_PATH];
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length + 1 + (UINT)lstrlenA(fileName) >= MAX_PATH) return 0;
    lstrcatA(path, "\\");
    lstrcatA(path, fileName);
    return LoadLibraryA(path);
}
