// The one HTTP GET of the program. Every fetch (feeds, the feed service, pictures, the update
// notice, its signature and the download) goes through an HttpGet, so that portable code and
// tests can use a fake. The real one is WinHTTP (winhttp_client_win.cpp).
//
// What every transport guarantees:
// - a fresh client per request: no connection, cookie, credential or cache survives it; every
//   request, and every hop of a redirect, opens a connection of its own and closes it;
// - redirects are followed by the transport itself, at most max_redirects hops; a hop from
//   "https://" to anything that is not "https://" is refused, and plain "http://" is used only
//   for the loopback address 127.0.0.1 (a local test or update server);
// - the overall deadline covers the whole exchange, redirects and body included, and holds
//   however slowly the server sends (a trickled handshake, headers or body): get() returns a
//   time-out within moments of it;
// - the body is never read past byte_limit + 1 bytes, so the caller can tell "exactly the limit"
//   from "too large" without the transport ever holding more.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>

namespace qx {

inline constexpr int MAX_HTTP_REDIRECTS = 5;

struct HttpRequest {
  std::string url;
  // The "User-Agent" header; none sends the client's own default.
  std::optional<std::string> user_agent;
  std::size_t byte_limit = 0;
  std::chrono::milliseconds timeout{12'000};
  int max_redirects = MAX_HTTP_REDIRECTS;
};

enum class HttpErrorKind {
  None,
  // No usable response: bad address, name resolution, connection, TLS, time-out before the
  // headers, or a redirect that was refused or one too many. error_text is the client's
  // description, "{address}: {reason}".
  Request,
  // The headers arrived but reading the body failed (time-out, connection closed). status and
  // content_type are set; body holds what arrived. error_text is the reason alone.
  Read,
};

struct HttpResponse {
  int status = 0;             // of the final response
  std::string final_url;      // after redirects
  std::string first_url;      // as requested (normalised)
  bool redirected = false;    // at least one redirect was followed
  std::string content_type;   // "" when the header is absent
  std::string body;           // at most byte_limit + 1 bytes
  HttpErrorKind error = HttpErrorKind::None;
  std::string error_text;

  bool ok() const { return error == HttpErrorKind::None; }
};

class HttpGet {
 public:
  virtual ~HttpGet() = default;
  // Blocks until the exchange ends or the deadline passes; never throws.
  virtual HttpResponse get(const HttpRequest& request) = 0;
};

// The platform's transport (WinHTTP on Windows). Stateless and safe to use from any thread.
// Builds without one answer every request with a Request error.
HttpGet& platform_http_client();

}  // namespace qx
