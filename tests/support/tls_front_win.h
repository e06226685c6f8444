// An "https://localhost:<port>" face for a LocalHttpServer, so that the real transport can be
// tested over TLS with its normal certificate checks. The TLS side is tls_front.py, which ctest
// runs around every test program whose name begins "https_"; this class asks it, over the control
// port in ZV_TLS_FRONT, for a listener that relays to the server, and closes it when destroyed.
//
//   zvtest::LocalHttpServer server;
//   zvtest::TlsFront front(server);
//   server.route("/feed", zvtest::answer(rss));
//   fetch_feed(front.url("/feed"));
//
// The server sees every request unchanged (its Host header names localhost and the front's
// port); a redirect it sends to server.url(...) leads back to plain http.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "local_http_server_win.h"

namespace zvtest {

enum class Certificate {
  Trusted,    // DNS:localhost, signed by the test authority
  Untrusted,  // DNS:localhost, self-signed
};

class TlsFront {
 public:
  // Adds the test authority to the Root store first. Throws std::runtime_error when the front
  // cannot be had (the program was not started through ctest, for one).
  explicit TlsFront(const LocalHttpServer& backend, Certificate certificate = Certificate::Trusted);
  ~TlsFront();
  TlsFront(const TlsFront&) = delete;
  TlsFront& operator=(const TlsFront&) = delete;

  std::uint16_t port() const { return port_; }
  std::string base_url() const;                    // "https://localhost:<port>"
  std::string url(std::string_view target) const;  // base_url() + target

 private:
  std::uintptr_t control_;
  std::uint16_t port_ = 0;
};

// Adds the test authority (fixtures/tls/test-ca.der) to the current user's Root store, which the
// prefix keeps; once per process. Programs this one starts then trust the front too. Throws
// std::runtime_error on failure.
void trust_test_authority();

}  // namespace zvtest
