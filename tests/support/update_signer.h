// Signing update notices in tests, with the test key pair under tests/keys (update-test.pub and
// update-test.seed), and building a service's three answers for a notice.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zvtest {

// The test key's 64 hex digits, as the test builds trust it.
std::string test_update_public_key();

// The 64-byte Ed25519 signature of the message under the RFC 8032 private seed (64 hex digits).
std::string ed25519_sign(std::string_view seed_hex, std::string_view message);
// Lower-case hex digits of the bytes.
std::string hex_of(std::string_view bytes);
// The signature with the test key, as the 128 hex digits a signature file holds.
std::string test_signature_hex(std::string_view message);

// A notice in the object form, keys in their usual order.
std::string notice_json(std::string_view version, std::string_view file, std::uint64_t size,
                        std::string_view sha256, std::string_view schema = "zelvaron-update/1",
                        std::string_view app = "zelvaron-windows-x64");

}  // namespace zvtest
