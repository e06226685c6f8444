#include "core_error.h"

namespace qx {

std::string core_error_message(const CoreError& e) {
  switch (e.kind) {
    case CoreErrorKind::PayloadTooLarge:
      // std::to_string: plain digits, never a locale's separators.
      return "payload too large: " + std::to_string(e.size) + " bytes exceeds limit of " + std::to_string(e.limit);
    case CoreErrorKind::InvalidSchema: return "invalid schema: " + e.text;
    case CoreErrorKind::InvalidUrl: return "invalid url: " + e.text;
    case CoreErrorKind::InvalidHexColor: return "invalid hex color: " + e.text;
    case CoreErrorKind::InvalidXml: return "invalid xml: " + e.text;
    case CoreErrorKind::InvalidSvg: return "invalid svg: " + e.text;
    case CoreErrorKind::InvalidSignature: return "invalid cryptographic signature";
    case CoreErrorKind::InvalidKey: return "invalid cryptographic key: " + e.text;
    case CoreErrorKind::Serialization: return "serialization error: " + e.text;
  }
  return "serialization error: " + e.text;
}

}  // namespace qx
