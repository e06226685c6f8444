// Is there a newer program? The update notice and its Ed25519 signature are fetched from the
// update service, the signature is checked against the public key built into the program, and
// the notice's version is compared with the running one. Used by the update-check loop, by
// "--check-update" and by the install (self_update.h).
//
// Below the update base: "/windows.json" (the notice), "/windows.json.sig" (its signature as
// hex text) and "/" + the notice's file (the new program).
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "app/app_messages.h"
#include "app/app_state.h"
#include "app/guarded.h"
#include "http_client.h"
#include "json_reader.h"
#include "result.h"

namespace qx {

inline constexpr std::string_view UPDATE_BUILT_IN_BASE = "https://updates.zelvarons.app/update";
inline constexpr std::string_view UPDATE_LOCAL_PREFIX = "http://127.0.0.1:";
inline constexpr std::string_view UPDATE_SCHEMA = "zelvaron-update/1";
inline constexpr std::string_view UPDATE_APP = "zelvaron-windows-x64";
inline constexpr std::size_t UPDATE_NOTICE_LIMIT = 4'096;
inline constexpr std::size_t UPDATE_SIGNATURE_LIMIT = 256;
inline constexpr std::uint64_t UPDATE_MAX_SIZE = 33'554'432;  // 32 MiB
inline constexpr std::size_t UPDATE_MAX_FILE_NAME = 64;
inline constexpr std::chrono::seconds UPDATE_NOTICE_TIMEOUT{12};
inline constexpr std::chrono::seconds UPDATE_DOWNLOAD_TIMEOUT{180};
inline constexpr std::chrono::seconds UPDATE_CHECK_INTERVAL{43'200};

// The public key this build trusts: 64 hex digits, set by the build (CMake's
// ZELVARON_UPDATE_PUBLIC_KEY) in a source file of each program, so tests can build their own.
extern const char* const UPDATE_PUBLIC_KEY;

// The update notice. JSON: an object with exactly these six keys (none missing, none repeated,
// no other), or an array of the six values in this order.
struct Manifest {
  std::string schema;
  std::string app;
  std::string version;
  std::string file;
  std::uint64_t size = 0;
  std::string sha256;
  friend bool operator==(const Manifest&, const Manifest&) = default;
};
const JsonRecord<Manifest>& json_record(JsonTag<Manifest>);

// The outcome of a check: a newer program (its notice), the newest already, or why not.
struct UpdateCheck {
  enum class Kind { Available, UpToDate, Failed };
  Kind kind = Kind::UpToDate;
  Manifest manifest;  // Available only
  std::string error;  // Failed only

  static UpdateCheck available(Manifest m) { return {Kind::Available, std::move(m), {}}; }
  static UpdateCheck up_to_date() { return {}; }
  static UpdateCheck failed(std::string text) { return {Kind::Failed, {}, std::move(text)}; }
};

// The base from the value of "ZELVARON_UPDATE_BASE" (raw UTF-16, none when unset): honoured only
// when it is valid UTF-16 and begins "http://127.0.0.1:"; otherwise the built-in base.
std::string update_base_url(const std::optional<std::u16string>& variable);
std::string update_base_url();  // this process's variable (Windows only)

// One GET with the client's own user agent: the body of a 200 answer of at most `limit` bytes,
// or "could not download: ...", "the site answered N", the read error, "larger than expected".
Result<std::string, std::string> http_get_limited(HttpGet& http, const std::string& url, std::size_t limit,
                                                  std::chrono::seconds timeout);

// Three parts of 1 to 5 ASCII digits joined by "."; none for anything else.
std::optional<std::uint32_t> parse_version_part(std::string_view part);
std::optional<std::array<std::uint32_t, 3>> parse_version(std::string_view text);

// Where a check looks and what it trusts.
struct UpdateSource {
  HttpGet* http = nullptr;
  std::string base;
  std::string public_key_hex;
  std::string running_version;
};
// This program's: the platform transport, update_base_url(), UPDATE_PUBLIC_KEY, APP_VERSION.
UpdateSource platform_update_source();

// Fetches and checks the notice; each failure ends the check with its text.
UpdateCheck check_for_update(const UpdateSource& source);

// The "--check-update" line: {"available":V|null,"running":R} or {"error":E,"running":R}, compact,
// keys in byte order, ending in a line feed; and the exit code (1 for an error).
std::string check_update_line(const UpdateCheck& check, std::string_view running_version);
int check_update_exit_code(const UpdateCheck& check);
// The console mode itself: attaches the parent console, checks and prints (Windows only).
int run_check_update();

// One round of the update-check loop: an offered version is stored in the state (when it is set
// and not poisoned) and the window is told, even when the state could not be written; being up
// to date or failing stores and posts nothing.
void offer_update(const UpdateCheck& check, Guarded<AppState>& state, WindowPoster& poster);

// The loop's thread body: a check at once, then one every UPDATE_CHECK_INTERVAL, forever.
[[noreturn]] void update_check_loop(const std::function<UpdateCheck()>& check, Guarded<AppState>& state,
                                    WindowPoster& poster, const std::function<void(std::chrono::seconds)>& sleep);
[[noreturn]] void update_check_loop(WindowHandle window);  // Windows only

}  // namespace qx
