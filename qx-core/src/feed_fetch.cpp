#include "feed_fetch.h"

#include "core_error.h"
#include "feed_charset.h"
#include "feed_text.h"
#include "unicode_text.h"
#include "version.h"

namespace qx {

namespace {

constexpr std::string_view HTTPS_PREFIX = "https://";

bool starts_with_https(std::string_view s) { return s.substr(0, HTTPS_PREFIX.size()) == HTTPS_PREFIX; }

// A local file's text: read whole, and only valid UTF-8 is accepted (no charset guessing for
// files; a byte-order mark stays for the parser to skip).
Result<std::string, std::string> read_local_text(LocalFiles& files, std::string_view path) {
  auto bytes = files.read_whole(path);
  if (!bytes) return err(std::move(bytes).error());
  if (!is_valid_utf8(*bytes)) return err(std::string("the file is not valid UTF-8 text"));
  return std::move(bytes).value();
}

}  // namespace

HttpRequest build_http_agent() {
  HttpRequest request;
  request.user_agent = std::string(USER_AGENT);
  request.byte_limit = MAX_FEED_BYTES;
  request.timeout = std::chrono::seconds(FEED_HTTP_TIMEOUT_SECS);
  request.max_redirects = MAX_HTTP_REDIRECTS;
  return request;
}

Result<FetchedPage, std::string> fetch_feed_page(HttpGet& http, std::string_view address) {
  if (!starts_with_https(address)) return err(std::string("only https:// feeds are supported"));

  HttpRequest request = build_http_agent();
  request.url = std::string(address);
  HttpResponse response = http.get(request);

  if (response.error == HttpErrorKind::Request) return err("http error: " + response.error_text);
  if (response.status >= 400) {
    std::string text = "http error: " + response.final_url + ": status code " + std::to_string(response.status);
    if (response.redirected) text += " (redirected from " + response.first_url + ")";
    return err(std::move(text));
  }
  if (response.error == HttpErrorKind::Read) return err("read error: " + response.error_text);
  if (response.body.size() > MAX_FEED_BYTES) return err(std::string("that feed is larger than 2 MB"));
  return FetchedPage{decode_feed_body(response.content_type, response.body),
                     response.redirected ? response.final_url : std::string(address)};
}

Result<std::string, std::string> fetch_feed(HttpGet& http, std::string_view address) {
  auto page = fetch_feed_page(http, address);
  if (!page) return err(std::move(page).error());
  return std::move(page->text);
}

Result<std::string, std::string> fetch_feed(std::string_view address) {
  return fetch_feed(platform_http_client(), address);
}

Result<QxFeedV1, std::string> load_feed(HttpGet& http, LocalFiles& files, std::string_view source) {
  Result<std::string, std::string> text = err(std::string());
  if (!starts_with_https(source) && files.path_kind(source) != PathKind::None) {
    text = read_local_text(files, source);
    if (!text) return err("file error: " + text.error());
  } else if (files.path_kind(source) == PathKind::File) {
    text = read_local_text(files, source);
    if (!text) return err(std::move(text).error());
  } else {
    text = fetch_feed(http, source);
    if (!text) return err(std::move(text).error());
  }

  auto feed = parse_feed_text(*text);
  if (!feed) return err(core_error_message(feed.error()));
  return std::move(feed).value();
}

Result<QxFeedV1, std::string> load_feed(std::string_view source) {
  return load_feed(platform_http_client(), platform_local_files(), source);
}

}  // namespace qx
