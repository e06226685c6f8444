#include "local_http_server_win.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <stdexcept>

namespace zvtest {

namespace {

constexpr std::size_t MAX_REQUEST_HEAD = 64 * 1024;
constexpr auto CLIENT_PATIENCE = std::chrono::seconds(30);  // how long a silent close waits for the client

const char* reason_phrase(int status) {
  switch (status) {
    case 200: return "OK";
    case 204: return "No Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 304: return "Not Modified";
    case 307: return "Temporary Redirect";
    case 308: return "Permanent Redirect";
    case 400: return "Bad Request";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Status";
  }
}

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool iequals(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

bool send_all(SOCKET s, std::string_view data) {
  while (!data.empty()) {
    int chunk = static_cast<int>(std::min<std::size_t>(data.size(), 1 << 20));
    int n = send(s, data.data(), chunk, 0);
    if (n <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

std::string hex(std::size_t n) {
  static constexpr char DIGITS[] = "0123456789abcdef";
  std::string out;
  do {
    out.insert(out.begin(), DIGITS[n % 16]);
    n /= 16;
  } while (n != 0);
  return out;
}

bool parse_head(const std::string& head, ReceivedRequest& out) {
  std::size_t line_end = head.find("\r\n");
  std::string_view line(head.data(), line_end);
  std::size_t sp1 = line.find(' ');
  std::size_t sp2 = line.rfind(' ');
  if (sp1 == std::string_view::npos || sp2 == sp1) return false;
  out.method = std::string(line.substr(0, sp1));
  out.target = std::string(line.substr(sp1 + 1, sp2 - sp1 - 1));
  std::size_t pos = line_end + 2;
  while (pos < head.size()) {
    std::size_t end = head.find("\r\n", pos);
    if (end == std::string::npos || end == pos) break;
    std::string_view h(head.data() + pos, end - pos);
    std::size_t colon = h.find(':');
    if (colon != std::string_view::npos) {
      out.headers.emplace_back(std::string(trim(h.substr(0, colon))), std::string(trim(h.substr(colon + 1))));
    }
    pos = end + 2;
  }
  return true;
}

}  // namespace

ServedResponse answer(int status, std::string body, Headers headers) {
  ServedResponse r;
  r.status = status;
  r.headers = std::move(headers);
  r.body = std::move(body);
  return r;
}

ServedResponse answer(std::string body, Headers headers) { return answer(200, std::move(body), std::move(headers)); }

ServedResponse redirect_to(int status, std::string location) {
  return answer(status, "", {{"Location", std::move(location)}});
}

std::optional<std::string> ReceivedRequest::header(std::string_view name) const {
  for (const auto& [k, v] : headers) {
    if (iequals(k, name)) return v;
  }
  return std::nullopt;
}

LocalHttpServer::LocalHttpServer() {
  WSADATA wsa;
  if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) throw std::runtime_error("WSAStartup failed");
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) throw std::runtime_error("socket failed");
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  if (bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(s, SOMAXCONN) != 0) {
    closesocket(s);
    throw std::runtime_error("bind or listen failed");
  }
  int len = sizeof addr;
  getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
  port_ = ntohs(addr.sin_port);
  listener_ = static_cast<std::uintptr_t>(s);
  acceptor_ = std::thread([this] { accept_loop(); });
}

LocalHttpServer::~LocalHttpServer() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    for (auto c : clients_) shutdown(static_cast<SOCKET>(c), SD_BOTH);
  }
  stop_cv_.notify_all();
  closesocket(static_cast<SOCKET>(listener_));
  if (acceptor_.joinable()) acceptor_.join();
  std::vector<std::thread> workers;
  {
    std::lock_guard lock(mutex_);
    workers.swap(workers_);
  }
  for (auto& w : workers) w.join();
  WSACleanup();
}

std::string LocalHttpServer::base_url() const { return "http://127.0.0.1:" + std::to_string(port_); }

std::string LocalHttpServer::url(std::string_view target) const { return base_url() + std::string(target); }

void LocalHttpServer::route(std::string target, ServedResponse response) {
  route(std::move(target), [response](const ReceivedRequest&) { return response; });
}

void LocalHttpServer::route(std::string target, Handler handler) {
  std::lock_guard lock(mutex_);
  routes_[std::move(target)] = std::move(handler);
}

void LocalHttpServer::drip_to_every_connection(std::string bytes, std::chrono::milliseconds interval) {
  std::lock_guard lock(mutex_);
  drip_all_.emplace(std::move(bytes), interval);
}

bool LocalHttpServer::drip(std::uintptr_t client, std::string_view bytes, std::chrono::milliseconds interval) {
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0 && !pause(interval)) return false;
    if (!send_all(static_cast<SOCKET>(client), bytes.substr(i, 1))) return false;
  }
  return true;
}

std::vector<ReceivedRequest> LocalHttpServer::requests() const {
  std::lock_guard lock(mutex_);
  return received_;
}

std::size_t LocalHttpServer::request_count() const {
  std::lock_guard lock(mutex_);
  return received_.size();
}

std::size_t LocalHttpServer::connection_count() const {
  std::lock_guard lock(mutex_);
  return connections_;
}

void LocalHttpServer::close_without_notice() {
  std::lock_guard lock(mutex_);
  close_without_notice_ = true;
}

void LocalHttpServer::await_client(std::uintptr_t client) {
  const auto until = std::chrono::steady_clock::now() + CLIENT_PATIENCE;
  while (std::chrono::steady_clock::now() < until) {
    {
      std::lock_guard lock(mutex_);
      if (stopping_) return;
    }
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(static_cast<SOCKET>(client), &readable);
    timeval step{0, 100'000};
    if (select(0, &readable, nullptr, nullptr, &step) != 0) return;
  }
}

bool LocalHttpServer::pause(std::chrono::milliseconds d) {
  std::unique_lock lock(mutex_);
  return !stop_cv_.wait_for(lock, d, [this] { return stopping_; });
}

void LocalHttpServer::accept_loop() {
  for (;;) {
    SOCKET c = accept(static_cast<SOCKET>(listener_), nullptr, nullptr);
    std::lock_guard lock(mutex_);
    if (c == INVALID_SOCKET || stopping_) {
      if (c != INVALID_SOCKET) closesocket(c);
      return;
    }
    auto client = static_cast<std::uintptr_t>(c);
    ++connections_;
    clients_.push_back(client);
    workers_.emplace_back([this, client] { serve(client); });
  }
}

void LocalHttpServer::serve(std::uintptr_t client) {
  SOCKET s = static_cast<SOCKET>(client);
  auto finish = [&] {
    // Closing with unread input would reset the connection and could lose the answer.
    shutdown(s, SD_SEND);
    DWORD wait = 1000;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&wait), sizeof wait);
    char sink[512];
    while (recv(s, sink, sizeof sink, 0) > 0) {
    }
    std::lock_guard lock(mutex_);
    clients_.erase(std::remove(clients_.begin(), clients_.end(), client), clients_.end());
    closesocket(s);
  };

  std::optional<std::pair<std::string, std::chrono::milliseconds>> drip_all;
  bool silent = false;
  {
    std::lock_guard lock(mutex_);
    drip_all = drip_all_;
    silent = close_without_notice_;
  }
  if (drip_all) {
    drip(client, drip_all->first, drip_all->second);
    return finish();
  }

  std::string head;
  char buffer[4096];
  while (head.find("\r\n\r\n") == std::string::npos && head.size() < MAX_REQUEST_HEAD) {
    int n = recv(s, buffer, sizeof buffer, 0);
    if (n <= 0) return finish();
    head.append(buffer, static_cast<std::size_t>(n));
    // Not a request line (a TLS hello, say): refuse at once instead of waiting for a blank line.
    if (head.front() < 'A' || head.front() > 'Z') {
      send_all(s, "HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
      return finish();
    }
  }
  ReceivedRequest request;
  if (!parse_head(head, request)) return finish();

  Handler handler;
  {
    std::lock_guard lock(mutex_);
    received_.push_back(request);
    auto it = routes_.find(request.target);
    if (it != routes_.end()) handler = it->second;
  }
  ServedResponse r;
  if (handler) {
    r = handler(request);
  } else {
    r.status = 404;
    r.headers = {{"Content-Type", "text/plain"}};
    r.body = "not found";
  }

  if (r.headers_delay.count() > 0 && !pause(r.headers_delay)) return finish();
  if (r.raw) {
    send_all(s, *r.raw);
    return finish();
  }

  std::string out = "HTTP/1.1 " + std::to_string(r.status) + " " + reason_phrase(r.status) + "\r\n";
  for (const auto& [k, v] : r.headers) out += k + ": " + v + "\r\n";
  if (r.framing == Framing::ContentLength) out += "Content-Length: " + std::to_string(r.body.size()) + "\r\n";
  if (r.framing == Framing::Chunked) out += "Transfer-Encoding: chunked\r\n";
  if (!silent) out += "Connection: close\r\n";
  out += "\r\n";
  const bool head_sent = r.head_drip_interval.count() > 0 ? drip(client, out, r.head_drip_interval) : send_all(s, out);
  if (!head_sent) return finish();

  std::string_view body = r.body;
  if (r.close_after) body = body.substr(0, std::min(*r.close_after, body.size()));
  std::size_t step = r.drip_interval.count() > 0 ? std::max<std::size_t>(r.drip_bytes, 1) : std::max<std::size_t>(body.size(), 1);
  for (std::size_t pos = 0; pos < body.size(); pos += step) {
    if (pos > 0 && r.drip_interval.count() > 0 && !pause(r.drip_interval)) return finish();
    std::string_view piece = body.substr(pos, step);
    bool sent = r.framing == Framing::Chunked
                    ? send_all(s, hex(piece.size()) + "\r\n" + std::string(piece) + "\r\n")
                    : send_all(s, piece);
    if (!sent) return finish();
  }
  if (r.framing == Framing::Chunked && !r.close_after) send_all(s, "0\r\n\r\n");
  if (silent && r.framing != Framing::CloseDelimited && !r.close_after) await_client(client);
  finish();
}

}  // namespace zvtest
