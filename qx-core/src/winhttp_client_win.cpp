// The HTTP transport on WinHTTP.
//
// WinHTTP is used in its plainest form and the rest is done here, the same way on Windows and
// under Wine: redirects are followed by hand (WinHTTP's own following hides the final address
// and would take a non-http Location as a relative path).
//
// The overall deadline: every blocking call gets only the time that is left, but WinHTTP's
// receive timer starts again with every byte, so a server that trickles its headers, its TLS
// handshake or its body could keep a call blocked far past the deadline. The exchange therefore
// runs on a thread of its own while the caller waits until it ends or the deadline passes. At the
// deadline the caller returns a time-out at once and closes the request handle, which wakes the
// blocked call when the next byte arrives (or its own time-out fires); the thread then ends.
#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "http_client.h"
#include "unicode_text.h"
#include "url.h"
#include "winhttp_errors.h"

namespace qx {

namespace {

using Clock = std::chrono::steady_clock;

constexpr DWORD CONNECT_TIMEOUT_MS = 30'000;
constexpr std::size_t READ_CHUNK = 64 * 1024;

class InternetHandle {
 public:
  InternetHandle() = default;
  explicit InternetHandle(HINTERNET h) : h_(h) {}
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;
  InternetHandle(InternetHandle&& o) noexcept : h_(o.h_) { o.h_ = nullptr; }
  InternetHandle& operator=(InternetHandle&& o) noexcept {
    if (this != &o) {
      reset();
      h_ = o.h_;
      o.h_ = nullptr;
    }
    return *this;
  }
  ~InternetHandle() { reset(); }
  HINTERNET get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }

 private:
  void reset() {
    if (h_) WinHttpCloseHandle(h_);
    h_ = nullptr;
  }
  HINTERNET h_ = nullptr;
};

class Deadline {
 public:
  explicit Deadline(Clock::time_point end) : end_(end) {}
  Clock::time_point end() const { return end_; }
  bool passed() const { return Clock::now() >= end_; }
  // What is left, at least 1 ms: a 0 would mean "no time-out" to WinHTTP.
  DWORD remaining_ms() const {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end_ - Clock::now()).count();
    if (left < 1) return 1;
    if (left > 0x7FFFFFFF) return 0x7FFFFFFF;
    return static_cast<DWORD>(left);
  }

 private:
  Clock::time_point end_;
};

// What the waiting caller and the exchange's thread share. The thread writes `progress` only
// under the lock (the caller may copy it at the deadline) and reads it freely, as its only writer.
struct Exchange {
  std::mutex mutex;
  std::condition_variable ended;
  bool finished = false;
  bool abandoned = false;          // the caller returned at the deadline
  HINTERNET request = nullptr;     // the open request handle, while the thread owns one
  bool in_call = false;            // the thread is (about to be) blocked in a call on it
  std::string here;                // the address of the current hop
  HttpResponse progress;           // the response so far; status is set once headers arrived
  std::atomic<DWORD> secure_failure_flags{0};  // why the server's certificate was refused
};

// WinHTTP tells why it refuses a server's certificate only through this notice, which comes
// before the call fails with ERROR_WINHTTP_SECURE_FAILURE.
void CALLBACK on_secure_failure(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info, DWORD length) {
  if (status != WINHTTP_CALLBACK_STATUS_SECURE_FAILURE || context == 0 || !info || length < sizeof(DWORD)) return;
  reinterpret_cast<Exchange*>(context)->secure_failure_flags.store(*static_cast<const DWORD*>(info));
}

void watch_secure_failures(HINTERNET request, Exchange& ex) {
  DWORD_PTR context = reinterpret_cast<DWORD_PTR>(&ex);
  if (WinHttpSetOption(request, WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof context)) {
    WinHttpSetStatusCallback(request, on_secure_failure, WINHTTP_CALLBACK_FLAG_SECURE_FAILURE, 0);
  }
}

// The exchange's request handle. The caller closes it at the deadline only while a call on it
// is blocked; otherwise it is closed here, so it is closed exactly once.
class ExchangeRequest {
 public:
  ExchangeRequest(Exchange& ex, HINTERNET h) : ex_(ex), h_(h) {
    std::lock_guard lock(ex_.mutex);
    ex_.request = h_;
  }
  ExchangeRequest(const ExchangeRequest&) = delete;
  ExchangeRequest& operator=(const ExchangeRequest&) = delete;
  ~ExchangeRequest() {
    std::lock_guard lock(ex_.mutex);
    if (ex_.request == h_) WinHttpCloseHandle(h_);
    ex_.request = nullptr;
  }
  HINTERNET get() const { return h_; }

 private:
  Exchange& ex_;
  HINTERNET h_;
};

// Runs one call that may block on the network. After the caller gave up, it is not made (the
// handle may already be closed) and fails with ERROR_WINHTTP_OPERATION_CANCELLED.
template <class F>
bool blocking_call(Exchange& ex, F&& call) {
  {
    std::lock_guard lock(ex.mutex);
    if (ex.abandoned) {
      SetLastError(ERROR_WINHTTP_OPERATION_CANCELLED);
      return false;
    }
    ex.in_call = true;
  }
  const BOOL ok = call();
  const DWORD code = GetLastError();
  std::lock_guard lock(ex.mutex);
  ex.in_call = false;
  if (ex.abandoned) {
    SetLastError(ERROR_WINHTTP_OPERATION_CANCELLED);
    return false;
  }
  SetLastError(code);
  return ok != FALSE;
}

template <class F>
void publish(Exchange& ex, F&& change) {
  std::lock_guard lock(ex.mutex);
  change(ex.progress);
}

// Header values arrive as UTF-16. Code units below 0x100 are the header's own bytes (which
// may be UTF-8); anything else is kept as UTF-8.
std::string header_bytes(const std::wstring& w) {
  std::string out;
  out.reserve(w.size());
  for (wchar_t c : w) {
    if (c < 0x100) {
      out += static_cast<char>(c);
    } else {
      append_utf8(out, static_cast<char32_t>(c));
    }
  }
  return out;
}

// The value of one header, or false when the response has none.
bool query_header(HINTERNET request, DWORD info, std::string& out) {
  DWORD size = 0;
  WinHttpQueryHeaders(request, info, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER, &size,
                      WINHTTP_NO_HEADER_INDEX);
  if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) return false;
  std::wstring buffer(size / sizeof(wchar_t) + 1, L'\0');
  DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
  if (!WinHttpQueryHeaders(request, info, WINHTTP_HEADER_NAME_BY_INDEX, buffer.data(), &bytes,
                           WINHTTP_NO_HEADER_INDEX)) {
    return false;
  }
  buffer.resize(bytes / sizeof(wchar_t));
  out = header_bytes(buffer);
  return true;
}

bool is_chunked(HINTERNET request) {
  std::string coding;
  return query_header(request, WINHTTP_QUERY_TRANSFER_ENCODING, coding) &&
         ascii_ifind(coding, "chunked") != std::string::npos;
}

std::optional<std::uint64_t> parse_content_length(std::string_view text) {
  text = trim_xml_blanks(text);
  if (text.empty() || text.size() > 19) return std::nullopt;
  std::uint64_t n = 0;
  for (char c : text) {
    if (!is_ascii_digit(c)) return std::nullopt;
    n = n * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return n;
}

bool is_redirect_status(DWORD status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// A host for WinHttpConnect: an internationalised name goes in its ASCII form.
std::wstring connect_host(const std::string& host) {
  std::wstring wide = utf8_to_wide(host);
  bool ascii = std::all_of(host.begin(), host.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (ascii) return wide;
  wchar_t buffer[256];
  int n = IdnToAscii(0, wide.c_str(), static_cast<int>(wide.size()), buffer, 256);
  if (n <= 0) return {};
  return std::wstring(buffer, static_cast<std::size_t>(n));
}

void set_timeouts(HINTERNET request, const Deadline& deadline) {
  DWORD left = deadline.remaining_ms();
  int ms = static_cast<int>(left);
  WinHttpSetTimeouts(request, ms, static_cast<int>(std::min(left, CONNECT_TIMEOUT_MS)), ms, ms);
  // Under Wine only this option, set on the request, bounds the wait for the headers.
  WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &left, sizeof left);
  WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_TIMEOUT, &left, sizeof left);
}

InternetHandle open_session(const std::optional<std::string>& user_agent) {
  std::wstring agent = user_agent ? utf8_to_wide(*user_agent) : std::wstring();
  InternetHandle session(WinHttpOpen(user_agent ? agent.c_str() : nullptr, WINHTTP_ACCESS_TYPE_NO_PROXY,
                                     WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) return session;
  DWORD protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3;
  if (!WinHttpSetOption(session.get(), WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols)) {
    // Systems without TLS 1.3 refuse the pair.
    protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2;
    WinHttpSetOption(session.get(), WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols);
  }
  DWORD never = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
  WinHttpSetOption(session.get(), WINHTTP_OPTION_REDIRECT_POLICY, &never, sizeof never);
  return session;
}

// Requests are made with redirects, cookies, automatic authentication and keep-alive off, and
// never with the user's Windows credentials. Without keep-alive every request (and every hop of a
// redirect) opens a connection of its own and closes it after the answer: Wine keeps idle
// connections in a pool that outlives the session, and a server that closes after one answer
// without saying so would fail the next request sent over one.
bool restrict_request(HINTERNET request) {
  constexpr DWORD ALWAYS = WINHTTP_DISABLE_REDIRECTS | WINHTTP_DISABLE_COOKIES | WINHTTP_DISABLE_KEEP_ALIVE;
  DWORD features = ALWAYS | WINHTTP_DISABLE_AUTHENTICATION;
  if (!WinHttpSetOption(request, WINHTTP_OPTION_DISABLE_FEATURE, &features, sizeof features)) {
    features = ALWAYS;
    if (!WinHttpSetOption(request, WINHTTP_OPTION_DISABLE_FEATURE, &features, sizeof features)) return false;
  }
  DWORD logon = WINHTTP_AUTOLOGON_SECURITY_LEVEL_HIGH;
  WinHttpSetOption(request, WINHTTP_OPTION_AUTOLOGON_POLICY, &logon, sizeof logon);
  return true;
}

class WinHttpClient final : public HttpGet {
 public:
  HttpResponse get(const HttpRequest& request) override {
    try {
      return wait_for_exchange(request);
    } catch (...) {
      return failed(request, "out of memory");
    }
  }

 private:
  static HttpResponse failed(const HttpRequest& request, std::string_view reason) {
    HttpResponse r;
    r.error = HttpErrorKind::Request;
    r.error_text = percent_encode_unsafe(request.url) + ": " + std::string(reason);
    return r;
  }

  static HttpResponse wait_for_exchange(const HttpRequest& req) {
    const Deadline deadline(Clock::now() + req.timeout);
    auto ex = std::make_shared<Exchange>();
    auto work = [ex, req, deadline] {
      HttpResponse r;
      try {
        r = run(req, deadline, *ex);
      } catch (...) {
        r = failed(req, "out of memory");
      }
      std::lock_guard lock(ex->mutex);
      ex->progress = std::move(r);
      ex->finished = true;
      ex->ended.notify_all();
    };
    try {
      std::thread(work).detach();
    } catch (const std::system_error&) {
      work();  // no thread to be had: the per-call time-outs alone bound the wait
    }

    std::unique_lock lock(ex->mutex);
    if (ex->ended.wait_until(lock, deadline.end(), [&] { return ex->finished; })) return std::move(ex->progress);

    ex->abandoned = true;
    if (ex->in_call && ex->request) {
      WinHttpCloseHandle(ex->request);
      ex->request = nullptr;
    }
    HttpResponse r = ex->progress;
    if (r.status != 0) {
      r.error = HttpErrorKind::Read;
      r.error_text = winhttp_failure_text(ERROR_WINHTTP_TIMEOUT);
    } else {
      r.error = HttpErrorKind::Request;
      r.error_text = (ex->here.empty() ? percent_encode_unsafe(req.url) : ex->here) + ": " + winhttp_failure_text(ERROR_WINHTTP_TIMEOUT);
    }
    return r;
  }

  static HttpResponse run(const HttpRequest& req, const Deadline& deadline, Exchange& ex) {
    HttpResponse resp;
    auto fail = [&resp](HttpErrorKind kind, std::string text) {
      resp.error = kind;
      resp.error_text = std::move(text);
      return resp;
    };

    auto first = parse_url(req.url);
    if (!first) return fail(HttpErrorKind::Request, percent_encode_unsafe(req.url) + ": invalid address");
    resp.first_url = resp.final_url = first->to_string();
    publish(ex, [&](HttpResponse& p) { p.first_url = p.final_url = resp.first_url; });
    if (!is_allowed_request_url(*first)) {
      return fail(HttpErrorKind::Request, resp.first_url + ": only https:// addresses are supported");
    }

    InternetHandle session = open_session(req.user_agent);
    if (!session) return fail(HttpErrorKind::Request, resp.first_url + ": " + winhttp_failure_text(GetLastError()));

    Url current = *first;
    int followed = 0;
    for (;;) {
      std::string here = current.to_string();
      {
        std::lock_guard lock(ex.mutex);
        ex.here = here;
      }
      auto request_failed = [&](DWORD code) {
        if (deadline.passed()) code = ERROR_WINHTTP_TIMEOUT;
        return fail(HttpErrorKind::Request, here + ": " + winhttp_failure_text(code, ex.secure_failure_flags.load()));
      };

      std::wstring host = connect_host(current.host);
      if (host.empty()) return fail(HttpErrorKind::Request, here + ": invalid address");
      InternetHandle connection(WinHttpConnect(session.get(), host.c_str(), current.port, 0));
      if (!connection) return request_failed(GetLastError());

      LPCWSTR accept[] = {L"*/*", nullptr};
      DWORD flags = WINHTTP_FLAG_ESCAPE_DISABLE | WINHTTP_FLAG_ESCAPE_DISABLE_QUERY;
      if (current.scheme == "https") flags |= WINHTTP_FLAG_SECURE;
      std::wstring target = utf8_to_wide(current.path);
      HINTERNET opened = WinHttpOpenRequest(connection.get(), L"GET", target.c_str(), nullptr, WINHTTP_NO_REFERER,
                                            accept, flags);
      if (!opened) return request_failed(GetLastError());
      ExchangeRequest request(ex, opened);
      if (!restrict_request(request.get())) return request_failed(GetLastError());
      watch_secure_failures(request.get(), ex);

      set_timeouts(request.get(), deadline);
      if (!blocking_call(ex, [&] {
            return WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0);
          })) {
        return request_failed(GetLastError());
      }
      if (deadline.passed()) return request_failed(ERROR_WINHTTP_TIMEOUT);
      set_timeouts(request.get(), deadline);
      if (!blocking_call(ex, [&] { return WinHttpReceiveResponse(request.get(), nullptr); })) {
        return request_failed(GetLastError());
      }
      if (deadline.passed()) return request_failed(ERROR_WINHTTP_TIMEOUT);

      DWORD status = 0;
      DWORD size = sizeof status;
      if (!WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                               WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX)) {
        return request_failed(ERROR_WINHTTP_INVALID_SERVER_RESPONSE);
      }

      std::string location;
      if (is_redirect_status(status) && query_header(request.get(), WINHTTP_QUERY_LOCATION, location)) {
        if (followed >= req.max_redirects) return fail(HttpErrorKind::Request, here + ": too many redirects");
        auto next = resolve_url(current, location);
        if (!next) return fail(HttpErrorKind::Request, here + ": redirected to an invalid address");
        if (!is_allowed_redirect(current, *next)) {
          return fail(HttpErrorKind::Request, here + ": redirected to a non-https address");
        }
        current = std::move(*next);
        ++followed;
        resp.redirected = true;
        resp.final_url = current.to_string();
        publish(ex, [&](HttpResponse& p) {
          p.redirected = true;
          p.final_url = resp.final_url;
        });
        continue;
      }

      resp.status = static_cast<int>(status);
      if (!query_header(request.get(), WINHTTP_QUERY_CONTENT_TYPE, resp.content_type)) resp.content_type.clear();
      publish(ex, [&](HttpResponse& p) {
        p.status = resp.status;
        p.content_type = resp.content_type;
      });
      read_body(request.get(), deadline, req.byte_limit, ex, resp);
      return resp;
    }
  }

  // Reads until the end of the body or byte_limit + 1 bytes, whichever comes first. Asking
  // how much is waiting before each read keeps every wait short enough for the deadline (a
  // plain read blocks until its whole buffer is full).
  static void read_body(HINTERNET request, const Deadline& deadline, std::size_t limit, Exchange& ex,
                        HttpResponse& resp) {
    const std::size_t cap = limit == static_cast<std::size_t>(-1) ? limit : limit + 1;
    // The body grows in the shared progress, where the caller finds it at the deadline; this
    // thread is its only writer.
    const std::string& body = ex.progress.body;
    auto read_failed = [&](DWORD code) {
      resp.error = HttpErrorKind::Read;
      resp.error_text = winhttp_failure_text(deadline.passed() ? ERROR_WINHTTP_TIMEOUT : code);
      std::lock_guard lock(ex.mutex);
      if (resp.body.empty()) resp.body = std::move(ex.progress.body);
    };
    std::string chunk;
    while (body.size() < cap) {
      if (deadline.passed()) return read_failed(ERROR_WINHTTP_TIMEOUT);
      set_timeouts(request, deadline);
      DWORD available = 0;
      if (!blocking_call(ex, [&] { return WinHttpQueryDataAvailable(request, &available); })) {
        const DWORD code = GetLastError();
        // Wine's WinHTTP sometimes fails on a chunked body whose only chunk is the last, empty
        // one, with this code; nothing was lost: the body is empty.
        if (code == ERROR_INSUFFICIENT_BUFFER && body.empty() && is_chunked(request)) break;
        return read_failed(code);
      }
      if (available == 0) break;
      std::size_t want = std::min({static_cast<std::size_t>(available), cap - body.size(), READ_CHUNK});
      chunk.resize(want);
      DWORD got = 0;
      if (!blocking_call(ex, [&] { return WinHttpReadData(request, chunk.data(), static_cast<DWORD>(want), &got); })) {
        return read_failed(GetLastError());
      }
      if (got == 0) break;
      publish(ex, [&](HttpResponse& p) { p.body.append(chunk.data(), got); });
    }
    {
      std::lock_guard lock(ex.mutex);
      resp.body = std::move(ex.progress.body);
    }
    // Under Wine a connection that closes early simply ends the body; a body shorter than its
    // declared length is damaged, not complete.
    std::string declared;
    if (resp.body.size() < cap && query_header(request, WINHTTP_QUERY_CONTENT_LENGTH, declared)) {
      auto length = parse_content_length(declared);
      if (length && resp.body.size() < *length) read_failed(ERROR_WINHTTP_CONNECTION_ERROR);
    }
  }
};

}  // namespace

HttpGet& platform_http_client() {
  // Never destroyed: detached workers may still be fetching while the process ends.
  static auto* client = new WinHttpClient();
  return *client;
}

}  // namespace qx
