// The exit codes the load command ends with, which scripts read.
#pragma once

enum {
    kExitSuccess = 0,
    kExitFailed = 1,
    kExitNothingDone = 2,
    kExitNotReady = 3,  // only with -r: loaded, but the medium did not become ready
};
