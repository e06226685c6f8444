#include "core_error.h"

#include <gtest/gtest.h>

namespace {

using qx::CoreError;

TEST(CoreErrorMessage, EveryVariantHasItsDisplayText) {
  const struct {
    CoreError e;
    const char* text;
  } cases[] = {
      {CoreError::payload_too_large(600000, 524288), "payload too large: 600000 bytes exceeds limit of 524288"},
      {CoreError::invalid_schema("items max is 8"), "invalid schema: items max is 8"},
      {CoreError::invalid_url("http://x"), "invalid url: http://x"},
      {CoreError::invalid_hex_color("#abc12"), "invalid hex color: #abc12"},
      {CoreError::invalid_xml("no RSS <item> or Atom <entry> found"), "invalid xml: no RSS <item> or Atom <entry> found"},
      {CoreError::invalid_svg("x"), "invalid svg: x"},
      {CoreError::invalid_signature(), "invalid cryptographic signature"},
      {CoreError::invalid_key("short"), "invalid cryptographic key: short"},
      {CoreError::serialization("missing field `badge` at line 1 column 9"),
       "serialization error: missing field `badge` at line 1 column 9"},
  };
  for (const auto& c : cases) EXPECT_EQ(qx::core_error_message(c.e), c.text);
}

TEST(CoreErrorMessage, PayloadIsInsertedUnchanged) {
  EXPECT_EQ(qx::core_error_message(CoreError::invalid_url("")), "invalid url: ");
  EXPECT_EQ(qx::core_error_message(CoreError::payload_too_large(18446744073709551615ull, 0)),
            "payload too large: 18446744073709551615 bytes exceeds limit of 0");
}

}  // namespace
