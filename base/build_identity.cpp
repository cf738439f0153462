// The publisher's addresses, as the build was configured with them.
#include "base/build_identity.h"
#include "traywake_identity.h"

const char kWebAddress[] = TRAYWAKE_HOME_URL_TEXT;
const char kSupportAddress[] = TRAYWAKE_SUPPORT_ADDRESS_TEXT;
