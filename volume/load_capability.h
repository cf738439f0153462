// What an optical drive says of its own loader: can it pull its medium in,
// and does it have a tray.
//
// The drive's answer is read by a pure function that takes the buffer and
// the length the system returned; the probe only fetches those bytes.
#pragma once
#include <windows.h>

enum LoadCapability {
    kLoadUnknown,     // the drive did not say, or said it unclearly
    kLoadsItself,     // START STOP UNIT loads the medium
    kCannotLoadTray,  // a tray or pop-up pushed in by hand (most slim and USB drives)
    kCannotLoadSlot,  // a slot or caddy: the disc goes in by hand
};

enum { kConfigurationAnswerBytes = 1024 };

// The capability the returned bytes of a GET CONFIGURATION answer give:
// the Removable Medium feature's Load bit and loading mechanism, where the
// feature is there, whole, and of a version that has the bit.
LoadCapability ParseLoadCapability(const BYTE* answer, DWORD returnedBytes);

// Asks the drive behind a volume device path, on a read handle of its own;
// prints nothing, and any failure is kLoadUnknown.
LoadCapability ReadLoadCapability(const char* volumeDevicePath);
