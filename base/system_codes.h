// System codes the MinGW-w64 headers lack, defined once here, each with where
// it comes from, for the program and its tests alike. Every other status,
// error and control code is taken from the system headers by name.
#pragma once
#include <windows.h>
#include <winioctl.h>

// 433, "A device which does not exist was specified." (Microsoft, "System
// Error Codes (0-499)"; windows-sys has the same value).
#ifndef ERROR_NO_SUCH_DEVICE
#define ERROR_NO_SUCH_DEVICE 433L
#endif

// STORAGE_BUS_TYPE's NVMe over fabrics, which follows BusTypeUfs (Microsoft,
// "STORAGE_BUS_TYPE enumeration (winioctl.h)"); the MinGW-w64 headers end at
// BusTypeUfs.
enum { BusTypeNvmeof = BusTypeUfs + 1 };
