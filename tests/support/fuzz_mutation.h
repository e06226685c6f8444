// Seeded, bounded mutation of realistic inputs for the broken-input tests: byte flips, cuts,
// NULs, invalid UTF-8, long repeats and tokens of the format under test. A fixed seed per test
// makes every failure reproduce; the case's seed and the mutated text go into the failure message.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace zvtest {

// Byte sequences that are not UTF-8: a lone continuation byte, an overlong "/", a surrogate, a
// value past U+10FFFF, a byte UTF-8 never uses, and sequences cut short.
inline const std::vector<std::string>& invalid_utf8_pieces() {
  static const std::vector<std::string> pieces = {
      "\x80", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF", "\xFE", "\xE2\x82", "\xF0\x9F\x98", "\xC3",
  };
  return pieces;
}

// Characters that are valid but awkward: blanks of other scripts, a zero-width joiner, a
// character outside the basic plane, a byte order mark and a right-to-left mark.
inline const std::vector<std::string>& awkward_utf8_pieces() {
  static const std::vector<std::string> pieces = {
      "\xC2\xA0", "\xE3\x80\x80", "\xE2\x80\xA8", "\xE2\x80\x8D", "\xF0\x9F\x98\x80", "\xEF\xBB\xBF", "\xE2\x80\x8F",
  };
  return pieces;
}

// The test's fixed seed, or, for a longer hunt by hand, that seed mixed with the number in the
// environment variable ZV_FUZZ_SEED (a failure then names the variable's value to reproduce it).
inline std::uint64_t fuzz_seed(std::uint64_t fixed) {
  const char* extra = std::getenv("ZV_FUZZ_SEED");
  if (!extra || !*extra) return fixed;
  return fixed ^ (std::strtoull(extra, nullptr, 10) * 0x9E3779B97F4A7C15ull);
}

class Mutator {
 public:
  // `tokens`: pieces of the format under test (tag openings, quotes, keys) that mutations insert.
  Mutator(std::uint64_t seed, std::vector<std::string> tokens, std::size_t max_size = 1 << 16)
      : rng_(fuzz_seed(seed)), tokens_(std::move(tokens)), max_size_(max_size) {}

  std::size_t below(std::size_t n) { return n == 0 ? 0 : std::uniform_int_distribution<std::size_t>(0, n - 1)(rng_); }
  bool chance(unsigned percent) { return below(100) < percent; }
  std::mt19937_64& rng() { return rng_; }

  template <class T>
  const T& pick(const std::vector<T>& from) {
    return from[below(from.size())];
  }

  // One to max_rounds mutations of the seed, the result never longer than max_size bytes.
  std::string mutate(std::string_view seed, std::size_t max_rounds = 4) {
    std::string s(seed);
    const std::size_t rounds = 1 + below(max_rounds);
    for (std::size_t i = 0; i < rounds; ++i) mutate_once(s);
    if (s.size() > max_size_) s.resize(max_size_);
    return s;
  }

  std::string random_bytes(std::size_t max_len) {
    std::string s(below(max_len + 1), '\0');
    for (char& c : s) c = static_cast<char>(below(256));
    return s;
  }

 private:
  void insert(std::string& s, std::string_view piece) { s.insert(below(s.size() + 1), piece); }

  void mutate_once(std::string& s) {
    switch (below(11)) {
      case 0:  // flip one bit
        if (!s.empty()) s[below(s.size())] ^= static_cast<char>(1u << below(8));
        break;
      case 1:  // any byte at all
        if (!s.empty()) s[below(s.size())] = static_cast<char>(below(256));
        break;
      case 2:
        insert(s, std::string_view("\0", 1));
        break;
      case 3:
        insert(s, pick(invalid_utf8_pieces()));
        break;
      case 4:
        insert(s, pick(awkward_utf8_pieces()));
        break;
      case 5: {  // cut out a stretch
        if (s.empty()) break;
        const std::size_t at = below(s.size());
        s.erase(at, 1 + below(std::min<std::size_t>(s.size() - at, 64)));
        break;
      }
      case 6:  // cut the end off
        s.resize(below(s.size() + 1));
        break;
      case 7: {  // repeat a stretch many times
        if (s.empty()) break;
        const std::size_t at = below(s.size());
        const std::string piece = s.substr(at, 1 + below(std::min<std::size_t>(s.size() - at, 32)));
        const std::size_t times = 2 + below(std::max<std::size_t>(max_size_ / (4 * piece.size()), 1));
        std::string run;
        for (std::size_t i = 0; i < times && run.size() < max_size_; ++i) run += piece;
        s.insert(at, run);
        break;
      }
      case 8:
      case 9:
        if (!tokens_.empty()) insert(s, pick(tokens_));
        break;
      default: {  // a long run of one token, or of one byte
        const std::string piece = tokens_.empty() || chance(30) ? std::string(1, static_cast<char>(below(256)))
                                                                : pick(tokens_);
        if (piece.empty()) break;
        std::string run;
        const std::size_t want = below(max_size_ / 2);
        while (run.size() < want) run += piece;
        insert(s, run);
        break;
      }
    }
  }

  std::mt19937_64 rng_;
  std::vector<std::string> tokens_;
  std::size_t max_size_;
};

// The text shown with a failure: printable ASCII as is, every other byte as \xNN, at most
// `limit` bytes of it.
inline std::string printable(std::string_view s, std::size_t limit = 300) {
  static const char* hex = "0123456789abcdef";
  std::string out;
  for (std::size_t i = 0; i < s.size() && i < limit; ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out += static_cast<char>(c);
    } else {
      out += "\\x";
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  if (s.size() > limit) out += "... (" + std::to_string(s.size()) + " bytes)";
  return out;
}

}  // namespace zvtest
