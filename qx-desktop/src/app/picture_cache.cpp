#include "app/picture_cache.h"

#include <algorithm>
#include <array>
#include <utility>

#include "app/feed_slots.h"
#include "app/state_media.h"
#include "feed_fetch.h"

namespace qx {

namespace {

constexpr std::uint64_t rotl(std::uint64_t x, int b) { return (x << b) | (x >> (64 - b)); }

struct SipState {
  std::uint64_t v0, v1, v2, v3;

  void rounds(int n) {
    for (int i = 0; i < n; ++i) {
      v0 += v1;
      v1 = rotl(v1, 13);
      v1 ^= v0;
      v0 = rotl(v0, 32);
      v2 += v3;
      v3 = rotl(v3, 16);
      v3 ^= v2;
      v0 += v3;
      v3 = rotl(v3, 21);
      v3 ^= v0;
      v2 += v1;
      v1 = rotl(v1, 17);
      v1 ^= v2;
      v2 = rotl(v2, 32);
    }
  }

  void compress(std::uint64_t m, int c_rounds) {
    v3 ^= m;
    rounds(c_rounds);
    v0 ^= m;
  }
};

std::uint64_t read_le64(const unsigned char* p, std::size_t n) {
  std::uint64_t m = 0;
  for (std::size_t i = 0; i < n; ++i) m |= static_cast<std::uint64_t>(p[i]) << (8 * i);
  return m;
}

constexpr std::array<std::string_view, 3> PICTURE_SIGNATURES = {
    std::string_view("\xFF\xD8\xFF", 3),              // JPEG
    std::string_view("\x89PNG\r\n", 6),               // PNG
    std::string_view("GIF8", 4),                      // GIF
};

}  // namespace

std::uint64_t sip_hash(std::string_view bytes, std::uint64_t k0, std::uint64_t k1, int c_rounds, int d_rounds) {
  SipState s{k0 ^ 0x736f6d6570736575ULL, k1 ^ 0x646f72616e646f6dULL, k0 ^ 0x6c7967656e657261ULL,
             k1 ^ 0x7465646279746573ULL};
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t whole = bytes.size() - bytes.size() % 8;
  for (std::size_t i = 0; i < whole; i += 8) s.compress(read_le64(p + i, 8), c_rounds);
  const std::uint64_t last = read_le64(p + whole, bytes.size() - whole) | (static_cast<std::uint64_t>(bytes.size()) << 56);
  s.compress(last, c_rounds);
  s.v2 ^= 0xff;
  s.rounds(d_rounds);
  return s.v0 ^ s.v1 ^ s.v2 ^ s.v3;
}

std::string picture_file_stem(std::string_view address) {
  std::string bytes(address);
  bytes += '\xFF';
  std::uint64_t h = sip_hash(bytes, 0, 0, 1, 3);
  static constexpr char HEX[] = "0123456789abcdef";
  std::string out(16, '0');
  for (int i = 15; i >= 0; --i, h >>= 4) out[static_cast<std::size_t>(i)] = HEX[h & 0xf];
  return out;
}

std::optional<std::string> picture_cache_folder(const std::optional<std::string>& local_appdata) {
  // An empty value would put the cache below whatever folder the program was started in.
  if (!local_appdata || local_appdata->empty()) return std::nullopt;
  return join_path(join_path(*local_appdata, "Zelvarons"), "pictures");
}

bool has_picture_signature(std::string_view body) {
  for (std::string_view signature : PICTURE_SIGNATURES) {
    if (body.starts_with(signature)) return true;
  }
  return false;
}

std::optional<std::string> cached_picture(std::string_view address, const PictureDownload& how) {
  if (!address.starts_with("https://")) return std::nullopt;
  if (!how.folder || !how.files.create_folders(*how.folder)) return std::nullopt;
  const std::string stem = picture_file_stem(address);
  std::string path = join_path(*how.folder, stem + ".img");
  if (how.files.exists(path)) return path;

  HttpRequest request = build_http_agent();
  request.url = std::string(address);
  request.byte_limit = MAX_PICTURE_BYTES + 1;
  request.timeout = how.timeout;
  const HttpResponse response = how.http.get(request);
  if (!response.ok() || response.status >= 400) return std::nullopt;
  if (response.body.size() > MAX_PICTURE_BYTES) return std::nullopt;
  if (!has_picture_signature(response.body)) return std::nullopt;
  // Written to the ".tmp" sibling and renamed; a failed write or rename removes our own ".tmp".
  if (!write_file_replacing(how.files, path, response.body)) return std::nullopt;
  return path;
}

std::optional<std::string> cached_picture(std::string_view address) {
  // Checked first so that an address that is never fetched reads no environment.
  if (!address.starts_with("https://")) return std::nullopt;
  const PictureDownload how{platform_http_client(), platform_file_ops(),
                            picture_cache_folder(environment_variable("LOCALAPPDATA"))};
  return cached_picture(address, how);
}

void store_picture(PictureMap& map, std::string address, std::string path) {
  if (map.size() > PICTURE_MAP_LIMIT) map.clear();  // keeps its buckets
  map.insert_or_assign(std::move(address), std::move(path));
}

void picture_fetch_thread(const std::vector<std::string>& addresses, const PictureWork& work) {
  for (const std::string& address : addresses) {
    std::optional<std::string> path = work.fetch(address);
    if (!path) continue;
    if (work.state) {
      work.state->with([&](AppState& s) { store_picture(s.pictures, address, std::move(*path)); });
    }
    work.poster->post(WM_APP_DATA);
  }
}

std::vector<std::string> pictures_to_prefetch(ViewSnapshot snapshot) {
  std::vector<std::string> wanted;
  const std::size_t n = std::min(story_count(snapshot), PREFETCH_STORIES);
  for (std::size_t i = 0; i < n; ++i) {
    if (i > 0) advance_story(snapshot, 1);
    std::optional<std::string> address = current_picture_url(snapshot);
    if (address && !snapshot.pictures.contains(*address)) wanted.push_back(std::move(*address));
  }
  return wanted;
}

void prefetch_pictures(Guarded<AppState>& state, const std::function<void(std::vector<std::string>)>& start) {
  std::optional<ViewSnapshot> snapshot = view_snapshot(state);
  if (!snapshot) return;
  std::vector<std::string> wanted = pictures_to_prefetch(std::move(*snapshot));
  if (!wanted.empty()) start(std::move(wanted));
}

std::vector<std::string> sweep_picture_cache(const std::vector<FolderEntry>& entries, FileOps& files,
                                             std::chrono::system_clock::time_point now,
                                             const std::vector<std::string>& keep) {
  std::vector<std::string> deleted;
  for (const FolderEntry& entry : entries) {
    if (!entry.last_write || *entry.last_write > now) continue;
    if (now - *entry.last_write <= PICTURE_MAX_AGE) continue;
    if (std::find(keep.begin(), keep.end(), entry.path) != keep.end()) continue;
    if (files.remove_file(entry.path)) deleted.push_back(entry.path);
  }
  return deleted;
}

void sweep_picture_folder(const PictureSweep& how) {
  if (!how.folder) return;
  std::vector<std::string> shown;  // at most PICTURE_MAP_LIMIT + 1 paths
  if (how.state) {
    how.state->with([&](AppState& s) {
      for (const auto& [address, path] : s.pictures) shown.push_back(path);
    });
  }
  const std::optional<std::vector<FolderEntry>> entries = how.list(*how.folder);
  if (!entries) return;
  const std::vector<std::string> deleted = sweep_picture_cache(*entries, *how.files, how.now(), shown);
  if (deleted.empty() || !how.state) return;
  const bool dropped = how.state->with([&](AppState& s) {
    return std::erase_if(s.pictures, [&](const auto& entry) {
             return std::find(deleted.begin(), deleted.end(), entry.second) != deleted.end();
           }) > 0;
  }).value_or(false);
  if (dropped && how.poster) how.poster->post(WM_APP_DATA);
}

bool drop_missing_picture(Guarded<AppState>& state, const ViewSnapshot& view,
                          const std::function<bool(const std::string& path)>& exists) {
  const std::optional<std::string> address = current_picture_url(view);
  const std::optional<std::string> path = current_picture_path(view);
  if (!address || !path || exists(*path)) return false;
  return state.with([&](AppState& s) {
    // Only the entry that was drawn: a fetch may have mapped a new file meanwhile.
    const auto entry = s.pictures.find(*address);
    if (entry == s.pictures.end() || entry->second != *path) return false;
    s.pictures.erase(entry);
    return true;
  }).value_or(false);
}

void picture_sweep_loop(const std::function<void()>& sweep,
                        const std::function<std::chrono::system_clock::time_point()>& now,
                        const std::function<void(std::chrono::seconds)>& sleep) {
  sweep();
  std::chrono::system_clock::time_point last = now();
  for (;;) {
    sleep(PICTURE_SWEEP_WAKE);
    const std::chrono::system_clock::time_point t = now();
    if (t - last < PICTURE_SWEEP_INTERVAL && t >= last) continue;
    sweep();
    last = t;
  }
}

}  // namespace qx
