// The feed library's error. Its display text is what the user sees (stored in a feed slot,
// shown by "Add feed", printed by the console modes).
#pragma once

#include <cstdint>
#include <string>

#include "result.h"

namespace qx {

enum class CoreErrorKind {
  PayloadTooLarge,
  InvalidSchema,
  InvalidUrl,
  InvalidHexColor,
  InvalidXml,
  InvalidSvg,
  InvalidSignature,
  InvalidKey,
  Serialization,
};

struct CoreError {
  CoreErrorKind kind = CoreErrorKind::InvalidSchema;
  std::string text;        // the payload of every variant but PayloadTooLarge and InvalidSignature
  std::uint64_t size = 0;  // PayloadTooLarge only
  std::uint64_t limit = 0;

  static CoreError payload_too_large(std::uint64_t size, std::uint64_t limit) {
    return {CoreErrorKind::PayloadTooLarge, {}, size, limit};
  }
  static CoreError invalid_schema(std::string m) { return {CoreErrorKind::InvalidSchema, std::move(m)}; }
  static CoreError invalid_url(std::string m) { return {CoreErrorKind::InvalidUrl, std::move(m)}; }
  static CoreError invalid_hex_color(std::string m) { return {CoreErrorKind::InvalidHexColor, std::move(m)}; }
  static CoreError invalid_xml(std::string m) { return {CoreErrorKind::InvalidXml, std::move(m)}; }
  static CoreError invalid_svg(std::string m) { return {CoreErrorKind::InvalidSvg, std::move(m)}; }
  static CoreError invalid_signature() { return {CoreErrorKind::InvalidSignature, {}}; }
  static CoreError invalid_key(std::string m) { return {CoreErrorKind::InvalidKey, std::move(m)}; }
  static CoreError serialization(std::string m) { return {CoreErrorKind::Serialization, std::move(m)}; }

  friend bool operator==(const CoreError&, const CoreError&) = default;
};

// The display text, for example "payload too large: 600000 bytes exceeds limit of 524288".
std::string core_error_message(const CoreError& e);

template <class T>
using CoreResult = Result<T, CoreError>;

}  // namespace qx
