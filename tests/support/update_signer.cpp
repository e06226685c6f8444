#include "update_signer.h"

#include <gcrypt.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace zvtest {

namespace {

std::string first_line(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string line;
  if (!std::getline(in, line)) throw std::runtime_error("cannot read " + path);
  return line;
}

std::string key_file(const char* name) { return first_line(std::string(ZV_KEYS_DIR) + "/" + name); }

std::string bytes_of_hex(std::string_view hex) {
  std::string out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    out += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
  }
  return out;
}

// A token's bytes, left-padded to `width` (libgcrypt may drop leading zero bytes of r and s).
std::string token_bytes(gcry_sexp_t list, const char* name, std::size_t width) {
  gcry_sexp_t token = gcry_sexp_find_token(list, name, 0);
  if (!token) throw std::runtime_error(std::string("no ") + name + " in the signature");
  std::size_t n = 0;
  const char* data = gcry_sexp_nth_data(token, 1, &n);
  std::string out(data, n);
  gcry_sexp_release(token);
  if (out.size() < width) out.insert(0, width - out.size(), '\0');
  return out;
}

}  // namespace

std::string hex_of(std::string_view bytes) {
  static constexpr char DIGITS[] = "0123456789abcdef";
  std::string out;
  for (unsigned char b : bytes) {
    out += DIGITS[b >> 4];
    out += DIGITS[b & 15];
  }
  return out;
}

std::string test_update_public_key() { return key_file("update-test.pub"); }

std::string ed25519_sign(std::string_view seed_hex, std::string_view message) {
  gcry_check_version(nullptr);
  const std::string seed = bytes_of_hex(seed_hex);
  gcry_sexp_t key = nullptr, data = nullptr, sig = nullptr;
  if (gcry_sexp_build(&key, nullptr, "(private-key (ecc (curve Ed25519) (flags eddsa) (d %b)))",
                      static_cast<int>(seed.size()), seed.data()) ||
      gcry_sexp_build(&data, nullptr, "(data (flags eddsa) (hash-algo sha512) (value %b))",
                      static_cast<int>(message.size()), message.data()) ||
      gcry_pk_sign(&sig, data, key)) {
    gcry_sexp_release(key);
    gcry_sexp_release(data);
    throw std::runtime_error("signing failed");
  }
  std::string out = token_bytes(sig, "r", 32) + token_bytes(sig, "s", 32);
  gcry_sexp_release(key);
  gcry_sexp_release(data);
  gcry_sexp_release(sig);
  return out;
}

std::string test_signature_hex(std::string_view message) {
  return hex_of(ed25519_sign(key_file("update-test.seed"), message));
}

std::string notice_json(std::string_view version, std::string_view file, std::uint64_t size,
                        std::string_view sha256, std::string_view schema, std::string_view app) {
  std::ostringstream out;
  out << R"({"schema":")" << schema << R"(","app":")" << app << R"(","version":")" << version << R"(","file":")"
      << file << R"(","size":)" << size << R"(,"sha256":")" << sha256 << R"("})";
  return out.str();
}

}  // namespace zvtest
