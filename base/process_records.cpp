// The process-wide records. All are load-time constants until the program
// fills them: there is no start-up code to run constructors.
#include "base/process_records.h"

HANDLE m_hVol = INVALID_HANDLE_VALUE;
char OwnModulePath[kPathChars];
char OwnVolumeName[kOwnVolumeChars];
