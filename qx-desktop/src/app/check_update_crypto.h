// The update's cryptography, from libgcrypt: the SHA-256 of a download and the Ed25519 check of
// the update notice's signature. Safe to call from any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qx {

// Lower-case hex of the SHA-256 of the bytes.
std::string sha256_hex(std::string_view bytes);

// True when the 64-byte signature is a valid Ed25519 (RFC 8032) signature of the message under
// the 32-byte public key. Anything else (wrong lengths, a key that is no curve point) is false.
bool ed25519_verify(std::string_view public_key, std::string_view signature, std::string_view message);

// The bytes of a text of hexadecimal digit pairs (either case); none for anything else.
std::optional<std::string> decode_hex(std::string_view hex);

}  // namespace qx
