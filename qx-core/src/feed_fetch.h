// Turning a feed source into a feed: fetching an "https://" address (size limit, charset
// choice and decoding) and loading a source that is either a local file path or an address.
// Nothing here keeps state or takes a lock; every call blocks on the caller's thread for up to
// the 12 s time-out, so never call these while holding the application state lock.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "feed_records.h"
#include "feed_text.h"  // MAX_FEED_BYTES, the same limit for the fetched body
#include "http_client.h"
#include "local_file.h"
#include "result.h"

namespace qx {

inline constexpr int FEED_HTTP_TIMEOUT_SECS = 12;

// The options every feed, feed-service and picture request starts from: the program's user
// agent, the 12 s overall time-out, at most 5 redirects, and the feed byte limit (a caller with
// another limit sets its own). The url is left empty.
HttpRequest build_http_agent();

// The decoded body of an "https://" address, or an error text for the user:
// "only https:// feeds are supported" (no request made), "http error: ...",
// "read error: ...", "that feed is larger than 2 MB".
Result<std::string, std::string> fetch_feed(HttpGet& http, std::string_view address);
Result<std::string, std::string> fetch_feed(std::string_view address);  // platform transport

// The same fetch, with the address the text came from: the last one when redirects were
// followed, else the address as given (relative links in the text are seen from there).
struct FetchedPage {
  std::string text;
  std::string final_url;
};
Result<FetchedPage, std::string> fetch_feed_page(HttpGet& http, std::string_view address);

// A source that names an existing local file (or folder) is read from disk as UTF-8
// ("file error: ..."); anything else is fetched. The text is then parsed into a feed; a parse
// failure gives the feed error's display text.
Result<QxFeedV1, std::string> load_feed(HttpGet& http, LocalFiles& files, std::string_view source);
Result<QxFeedV1, std::string> load_feed(std::string_view source);  // platform transport and disk

}  // namespace qx
