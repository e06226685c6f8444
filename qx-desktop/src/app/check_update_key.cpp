// The update public key of one program, from the build (ZV_UPDATE_PUBLIC_KEY). Compiled into each
// program rather than the library, so that a test build can trust a test key while the program
// for users trusts only the release key.
#include "app/check_update.h"

#ifndef ZV_UPDATE_PUBLIC_KEY
#error "ZV_UPDATE_PUBLIC_KEY must name the update public key (64 hex digits)"
#endif

namespace qx {

const char* const UPDATE_PUBLIC_KEY = ZV_UPDATE_PUBLIC_KEY;

}  // namespace qx
