// The options of the load command and their parser.
//
// Only the first characters of an option count, in any case, and "/" works
// like "-": "-na", "/NA", "-NAx" all mean no banner, "-Force" means "-F",
// "-w:500" and "-n:500" both set the wait, "-r", "-rX" and "-r:0" wait up to
// a minute for the medium. Unknown letters are ignored so that
// old scripts with options of other versions keep working.
#include "app/load_options.h"
#include "base/process_records.h"
#include "base/text_edits.h"
#include <shlwapi.h>

void InitLoadOptions(LoadOptions* options) {
    options->waitMs = kWaitNotGiven;
    options->force = FALSE;
    options->noAbout = FALSE;
    options->readySeconds = 0;
}

static LONG ClampWait(int milliseconds) {
    if (milliseconds < 0) return 0;
    if (milliseconds > kMaxWaitMs) return kMaxWaitMs;
    return milliseconds;
}

// Seconds on purpose, and capped: "-r:30000" typed after "-w" must not
// mean eight hours.
static DWORD ReadySeconds(const char* option) {
    int seconds = option[2] == ':' ? StrToIntA(option + 3) : 0;
    if (seconds <= 0) return kReadyDefaultSeconds;
    if (seconds > kReadyMaxSeconds) return kReadyMaxSeconds;
    return (DWORD)seconds;
}

BOOL ParseLoadOptions(int argc, char** args, LoadOptions* options) {
    char option[kPathChars];
    for (int i = 2; i < argc; ++i) {
        lstrcpynA(option, args[i], kPathChars);
        CharUpperA(option);
        ReplaceChar(option, '/', '-');
        if (option[0] != '-' || option[1] == '?') return FALSE;
        if (option[1] == 'F') {
            options->force = TRUE;
        } else if (option[1] == 'N' && option[2] == 'A') {
            options->noAbout = TRUE;
        } else if (option[1] == 'R') {
            options->readySeconds = ReadySeconds(option);
        } else if ((option[1] == 'N' || option[1] == 'W') && option[2] == ':') {
            options->waitMs = ClampWait(StrToIntA(option + 3));
        }
    }
    return TRUE;
}
