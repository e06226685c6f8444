// An HttpGet that answers from a table by address and records every request. Like a real
// transport it hands over at most byte_limit + 1 bytes of a body.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "http_client.h"

namespace zvtest {

class FakeHttp final : public qx::HttpGet {
 public:
  std::map<std::string, qx::HttpResponse> answers;  // by address; others fail as a request
  std::vector<qx::HttpRequest> requests;

  // A 200 answer with the body.
  void serve(const std::string& url, std::string body) {
    qx::HttpResponse r;
    r.status = 200;
    r.body = std::move(body);
    answers[url] = std::move(r);
  }

  qx::HttpResponse get(const qx::HttpRequest& request) override {
    requests.push_back(request);
    auto it = answers.find(request.url);
    if (it == answers.end()) {
      qx::HttpResponse r;
      r.error = qx::HttpErrorKind::Request;
      r.error_text = request.url + ": no answer";
      return r;
    }
    qx::HttpResponse r = it->second;
    if (r.body.size() > request.byte_limit + 1) r.body.resize(request.byte_limit + 1);
    return r;
  }
};

}  // namespace zvtest
