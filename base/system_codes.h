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

// The loading mechanisms of MMC's Removable Medium feature that a hand
// takes in (Microsoft's scsi.h, which the cdrom driver sample's zpodd.c
// reads; MinGW-w64 has them only in ddk/scsi.h, a kernel-mode header).
#ifndef LOADING_MECHANISM_CADDY
#define LOADING_MECHANISM_CADDY 0x00
#define LOADING_MECHANISM_TRAY 0x01
#define LOADING_MECHANISM_POPUP 0x02
#endif
