// What a WinHTTP failure means, in words a user understands: the reason that follows
// "{address}: " in the transport's error texts. Codes that Wine never produces are covered too
// (a server asking for a client certificate, each cause of a certificate that is refused).
#pragma once

#include <cstdint>
#include <string>

namespace qx {

// `code` is the failing call's last error; `secure_failure_flags` are the flags of the secure
// failure notice, which WinHTTP sends before failing with ERROR_WINHTTP_SECURE_FAILURE (0 when
// none came). A code with no text of its own reads "WinHTTP error {code}".
std::string winhttp_failure_text(std::uint32_t code, std::uint32_t secure_failure_flags = 0);

}  // namespace qx
