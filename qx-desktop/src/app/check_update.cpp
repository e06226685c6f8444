#include "app/check_update.h"

#include <nlohmann/json.hpp>

#include "app/check_update_crypto.h"
#include "unicode_text.h"
#include "version.h"

namespace qx {

const JsonRecord<Manifest>& json_record(JsonTag<Manifest>) {
  static const JsonRecord<Manifest> r{"Manifest",
                                      {
                                          json_field<&Manifest::schema>("schema"),
                                          json_field<&Manifest::app>("app"),
                                          json_field<&Manifest::version>("version"),
                                          json_field<&Manifest::file>("file"),
                                          json_field<&Manifest::size>("size"),
                                          json_field<&Manifest::sha256>("sha256"),
                                      },
                                      true};
  return r;
}

namespace {

bool is_valid_utf16(std::u16string_view s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char16_t c = s[i];
    if (c >= 0xDC00 && c <= 0xDFFF) return false;
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 == s.size() || s[i + 1] < 0xDC00 || s[i + 1] > 0xDFFF) return false;
      ++i;
    }
  }
  return true;
}

// A bare file name the service may offer: "*.exe", at most 64 bytes of A-Z, a-z, 0-9, "-" and
// ".", never "..", so that it can name nothing but a file right below the base.
bool is_download_file_name(std::string_view file) {
  if (file.size() > UPDATE_MAX_FILE_NAME || !file.ends_with(".exe")) return false;
  if (file.find("..") != std::string_view::npos) return false;
  for (char c : file) {
    if (!is_ascii_alnum(c) && c != '-' && c != '.') return false;
  }
  return true;
}

bool is_sha256_text(std::string_view text) {
  if (text.size() != 64) return false;
  for (char c : text) {
    if (!is_ascii_hex(c)) return false;
  }
  return true;
}

bool is_signed_by(std::string_view notice, std::string_view signature_file, std::string_view public_key_hex) {
  const std::optional<std::string> key = decode_hex(public_key_hex);
  if (!key) return false;
  const std::string text = sanitize_utf8(signature_file);
  const std::optional<std::string> signature = decode_hex(trim_unicode_whitespace(text));
  return signature && ed25519_verify(*key, *signature, notice);
}

}  // namespace

std::string update_base_url(const std::optional<std::u16string>& variable) {
  if (variable && is_valid_utf16(*variable)) {
    std::string value = utf16_to_utf8(*variable);
    if (value.starts_with(UPDATE_LOCAL_PREFIX)) return value;
  }
  return std::string(UPDATE_BUILT_IN_BASE);
}

Result<std::string, std::string> http_get_limited(HttpGet& http, const std::string& url, std::size_t limit,
                                                  std::chrono::seconds timeout) {
  HttpRequest request;
  request.url = url;
  request.byte_limit = limit;
  request.timeout = timeout;
  HttpResponse response = http.get(request);
  if (response.error == HttpErrorKind::Request) return err("could not download: " + response.error_text);
  if (response.status != 200) return err("the site answered " + std::to_string(response.status));
  if (response.error == HttpErrorKind::Read) return err(std::move(response.error_text));
  if (response.body.size() > limit) return err(std::string("larger than expected"));
  return std::move(response.body);
}

std::optional<std::uint32_t> parse_version_part(std::string_view part) {
  if (part.empty() || part.size() > 5) return std::nullopt;
  std::uint32_t value = 0;
  for (char c : part) {
    if (!is_ascii_digit(c)) return std::nullopt;
    value = value * 10 + static_cast<std::uint32_t>(c - '0');
  }
  return value;
}

std::optional<std::array<std::uint32_t, 3>> parse_version(std::string_view text) {
  std::array<std::uint32_t, 3> parts{};
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const std::size_t dot = text.find('.');
    const bool last = i + 1 == parts.size();
    if (last != (dot == std::string_view::npos)) return std::nullopt;
    const std::optional<std::uint32_t> part = parse_version_part(text.substr(0, dot));
    if (!part) return std::nullopt;
    parts[i] = *part;
    if (!last) text.remove_prefix(dot + 1);
  }
  return parts;
}

UpdateCheck check_for_update(const UpdateSource& source) {
  Result<std::string, std::string> notice =
      http_get_limited(*source.http, source.base + "/windows.json", UPDATE_NOTICE_LIMIT, UPDATE_NOTICE_TIMEOUT);
  if (!notice) return UpdateCheck::failed(notice.error());
  Result<std::string, std::string> signature = http_get_limited(*source.http, source.base + "/windows.json.sig",
                                                                UPDATE_SIGNATURE_LIMIT, UPDATE_NOTICE_TIMEOUT);
  if (!signature) return UpdateCheck::failed(signature.error());

  if (!is_signed_by(*notice, *signature, source.public_key_hex)) {
    return UpdateCheck::failed("the update is not signed by us");
  }
  JsonResult<Manifest> manifest = read_json_record<Manifest>(*notice);
  if (!manifest) return UpdateCheck::failed("the update notice cannot be read");
  const Manifest& m = *manifest;
  if (m.schema != UPDATE_SCHEMA || m.app != UPDATE_APP) return UpdateCheck::failed("the update is for something else");
  if (!is_download_file_name(m.file) || !is_sha256_text(m.sha256) || m.size < 1 || m.size > UPDATE_MAX_SIZE) {
    return UpdateCheck::failed("the update notice is malformed");
  }
  const auto offered = parse_version(m.version);
  const auto running = parse_version(source.running_version);
  if (!offered || !running) return UpdateCheck::failed("the update has no proper version");
  if (*offered > *running) return UpdateCheck::available(std::move(manifest).value());
  return UpdateCheck::up_to_date();
}

std::string check_update_line(const UpdateCheck& check, std::string_view running_version) {
  nlohmann::json line = nlohmann::json::object();
  line["running"] = std::string(running_version);
  if (check.kind == UpdateCheck::Kind::Failed) {
    line["error"] = check.error;
  } else {
    line["available"] = check.kind == UpdateCheck::Kind::Available ? nlohmann::json(check.manifest.version)
                                                                    : nlohmann::json(nullptr);
  }
  return dump_json(line, JsonStyle::Compact) + "\n";
}

int check_update_exit_code(const UpdateCheck& check) { return check.kind == UpdateCheck::Kind::Failed ? 1 : 0; }

void offer_update(const UpdateCheck& check, Guarded<AppState>& state, WindowPoster& poster) {
  if (check.kind != UpdateCheck::Kind::Available) return;
  state.with([&](AppState& s) { s.available_update = check.manifest.version; });
  poster.post(WM_APP_DATA);
}

void update_check_loop(const std::function<UpdateCheck()>& check, Guarded<AppState>& state, WindowPoster& poster,
                       const std::function<void(std::chrono::seconds)>& sleep) {
  for (;;) {
    offer_update(check(), state, poster);
    sleep(UPDATE_CHECK_INTERVAL);
  }
}

}  // namespace qx
