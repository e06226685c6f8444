// A small HTTP/1.1 server on 127.0.0.1 that a test runs inside its own process (a Winsock
// thread), with scripted answers: any status and headers, redirects, bodies with a
// Content-Length, chunked or ended by closing, stalls before the headers, slow drips, bodies cut
// short, and raw bytes for broken answers. Every request it receives and every connection it
// accepts are counted. It answers one request per connection and then closes, saying so with
// "Connection: close" unless told to close without notice.
//
//   zvtest::LocalHttpServer server;
//   server.route("/feed", zvtest::answer(rss, {{"Content-Type", "application/rss+xml"}}));
//   server.route("/old", zvtest::redirect_to(302, "/feed"));
//   fetch(server.url("/old"));
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace zvtest {

enum class Framing { ContentLength, Chunked, CloseDelimited };

struct ServedResponse {
  int status = 200;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
  Framing framing = Framing::ContentLength;
  std::chrono::milliseconds headers_delay{0};  // pause before the status line
  std::chrono::milliseconds head_drip_interval{0};  // when set, the status line and headers go a byte at a time
  std::chrono::milliseconds drip_interval{0};  // when set, the body goes drip_bytes at a time
  std::size_t drip_bytes = 1;
  std::optional<std::size_t> close_after;      // send only this many body bytes, then close
  std::optional<std::string> raw;              // sent as it is instead of all of the above
};

using Headers = std::vector<std::pair<std::string, std::string>>;

ServedResponse answer(int status, std::string body, Headers headers = {});
ServedResponse answer(std::string body, Headers headers = {});  // 200
ServedResponse redirect_to(int status, std::string location);

struct ReceivedRequest {
  std::string method;
  std::string target;
  std::vector<std::pair<std::string, std::string>> headers;
  // The value of a header (name compared ASCII-case-insensitively), none when absent.
  std::optional<std::string> header(std::string_view name) const;
};

class LocalHttpServer {
 public:
  using Handler = std::function<ServedResponse(const ReceivedRequest&)>;

  LocalHttpServer();  // listens at once on an ephemeral port
  ~LocalHttpServer();
  LocalHttpServer(const LocalHttpServer&) = delete;
  LocalHttpServer& operator=(const LocalHttpServer&) = delete;

  std::uint16_t port() const { return port_; }
  std::string base_url() const;                // "http://127.0.0.1:<port>"
  std::string url(std::string_view target) const;  // base_url() + target

  // Answers for a request target (path and query, exactly). Others get a 404.
  void route(std::string target, ServedResponse response);
  void route(std::string target, Handler handler);

  // From now on every connection gets these bytes, one per interval, without its request being
  // read first: a server that trickles its side of a TLS handshake, say.
  void drip_to_every_connection(std::string bytes, std::chrono::milliseconds interval);

  // From now on answers leave out "Connection: close", and the connection is closed only once the
  // client sends more on it or hangs up: a client that keeps it for its next request finds it
  // closed just as that request goes out.
  void close_without_notice();

  std::vector<ReceivedRequest> requests() const;
  std::size_t request_count() const;
  std::size_t connection_count() const;

 private:
  void accept_loop();
  void serve(std::uintptr_t client);
  bool pause(std::chrono::milliseconds d);  // false when the server is stopping
  bool drip(std::uintptr_t client, std::string_view bytes, std::chrono::milliseconds interval);
  void await_client(std::uintptr_t client);

  std::uintptr_t listener_;
  std::uint16_t port_ = 0;
  mutable std::mutex mutex_;
  std::condition_variable stop_cv_;
  bool stopping_ = false;
  std::map<std::string, Handler> routes_;
  std::optional<std::pair<std::string, std::chrono::milliseconds>> drip_all_;
  bool close_without_notice_ = false;
  std::size_t connections_ = 0;
  std::vector<ReceivedRequest> received_;
  std::vector<std::uintptr_t> clients_;
  std::vector<std::thread> workers_;
  std::thread acceptor_;
};

}  // namespace zvtest
