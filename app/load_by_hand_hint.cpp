// The line that tells the user what to do by hand when an optical drive
// cannot load its medium itself.
//
// It is asked for where it can be true: after a refused load with no disc in
// before (a drive whose tray is shut on a disc refuses the load too, and
// "push it in" would be false there), and after a wait that found no medium.
#include "app/load_by_hand_hint.h"
#include "console/con_printf.h"
#include "console/console_session.h"
#include "volume/load_capability.h"

void PrintLoadByHandHint(const char* volumeDevicePath, DWORD loadError) {
    LoadCapability capability = ReadLoadCapability(volumeDevicePath);
    const char* hint = 0;
    if (capability == kCannotLoadTray)
        hint = "the drive cannot close its tray itself - push it in";
    else if (capability == kCannotLoadSlot)
        hint = "the drive has no tray to close - insert the disc by hand";
    else if (capability == kLoadUnknown && loadError == ERROR_INVALID_FUNCTION)
        hint = "the drive refused to load - if its tray is open, push it in";
    if (!hint) return;
    Console->SetTextColor(kColorYellow);
    ConPrintf("%s\n", hint);
    Console->SetTextColor(kColorRestore);
}
