#include "app/check_update_crypto.h"

#include <gcrypt.h>

#include <climits>

#include "unicode_text.h"

namespace qx {

namespace {

// libgcrypt wants one initialisation before any thread uses it; a function-local static runs it
// exactly once, whichever thread comes first.
void init_gcrypt() {
  static const bool ready = [] {
    gcry_check_version(nullptr);
    gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
    gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
    return true;
  }();
  (void)ready;
}

// Owns an S-expression.
class Sexp {
 public:
  Sexp() = default;
  Sexp(const Sexp&) = delete;
  Sexp& operator=(const Sexp&) = delete;
  ~Sexp() { gcry_sexp_release(s_); }
  gcry_sexp_t* out() { return &s_; }
  gcry_sexp_t get() const { return s_; }

 private:
  gcry_sexp_t s_ = nullptr;
};

// The order L of the Ed25519 base point, little-endian as S is encoded.
constexpr unsigned char GROUP_ORDER[32] = {0xed, 0xd3, 0xf5, 0x5c, 0x1a, 0x63, 0x12, 0x58, 0xd6, 0x9c, 0xf7,
                                           0xa2, 0xde, 0xf9, 0xde, 0x14, 0,    0,    0,    0,    0,    0,
                                           0,    0,    0,    0,    0,    0,    0,    0,    0,    0x10};

// RFC 8032 refuses S >= L; libgcrypt reduces S instead, so S + L would verify as a second form
// of the same signature.
bool scalar_below_order(std::string_view s) {
  for (int i = 31; i >= 0; --i) {
    const auto byte = static_cast<unsigned char>(s[static_cast<std::size_t>(i)]);
    if (byte != GROUP_ORDER[i]) return byte < GROUP_ORDER[i];
  }
  return false;
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  return ascii_lower(c) - 'a' + 10;
}

}  // namespace

std::string sha256_hex(std::string_view bytes) {
  init_gcrypt();
  unsigned char digest[32];
  gcry_md_hash_buffer(GCRY_MD_SHA256, digest, bytes.data(), bytes.size());
  static constexpr char DIGITS[] = "0123456789abcdef";
  std::string out;
  for (unsigned char b : digest) {
    out += DIGITS[b >> 4];
    out += DIGITS[b & 15];
  }
  return out;
}

bool ed25519_verify(std::string_view public_key, std::string_view signature, std::string_view message) {
  if (public_key.size() != 32 || signature.size() != 64 || message.size() > INT_MAX) return false;
  if (!scalar_below_order(signature.substr(32))) return false;
  init_gcrypt();
  Sexp key, sig, data;
  if (gcry_sexp_build(key.out(), nullptr, "(public-key (ecc (curve Ed25519) (flags eddsa) (q %b)))",
                      static_cast<int>(public_key.size()), public_key.data()) != 0) {
    return false;
  }
  if (gcry_sexp_build(sig.out(), nullptr, "(sig-val (eddsa (r %b) (s %b)))", 32, signature.data(), 32,
                      signature.data() + 32) != 0) {
    return false;
  }
  if (gcry_sexp_build(data.out(), nullptr, "(data (flags eddsa) (hash-algo sha512) (value %b))",
                      static_cast<int>(message.size()), message.data()) != 0) {
    return false;
  }
  return gcry_pk_verify(sig.get(), data.get(), key.get()) == 0;
}

std::optional<std::string> decode_hex(std::string_view hex) {
  if (hex.size() % 2 != 0) return std::nullopt;
  std::string out;
  out.reserve(hex.size() / 2);
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    if (!is_ascii_hex(hex[i]) || !is_ascii_hex(hex[i + 1])) return std::nullopt;
    out += static_cast<char>(hex_value(hex[i]) * 16 + hex_value(hex[i + 1]));
  }
  return out;
}

}  // namespace qx
