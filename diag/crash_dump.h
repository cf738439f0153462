// The unhandled-exception filter that leaves a minidump for the maker.
#pragma once
#include <windows.h>

LONG WINAPI CrashDumpFilter(EXCEPTION_POINTERS* exception);
