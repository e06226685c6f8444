#include "http_client.h"

#ifndef _WIN32
// Builds for other systems (tests, fuzzing) have no network transport of their own; code under
// test is handed a fake instead.
namespace qx {

namespace {
class NoTransport final : public HttpGet {
 public:
  HttpResponse get(const HttpRequest& request) override {
    HttpResponse r;
    r.error = HttpErrorKind::Request;
    r.error_text = request.url + ": no HTTP transport in this build";
    return r;
  }
};
}  // namespace

HttpGet& platform_http_client() {
  static auto* client = new NoTransport();
  return *client;
}

}  // namespace qx
#endif
