// The program's one version number; the user agent and the self-update compare against it.
#pragma once

namespace qx {

inline constexpr const char* APP_VERSION = "0.4.0";
inline constexpr const char* USER_AGENT = "zelvarons-windows/0.4.0";

}  // namespace qx
