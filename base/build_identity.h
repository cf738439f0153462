// Who publishes this build: the web address the banner shows and the address
// the crash message asks for the dump to be sent to. Both are set when the
// build is configured (TRAYWAKE_HOME_URL, TRAYWAKE_SUPPORT_ADDRESS).
#pragma once

extern const char kWebAddress[];
extern const char kSupportAddress[];
