// Bytes as a zlib stream at the best compression, for tests that build compressed files by hand;
// empty when zlib fails.
#pragma once

#include <string>

#include <zlib.h>

namespace zvtest {

inline std::string deflated(const std::string& bytes) {
  uLongf size = compressBound(bytes.size());
  std::string z(size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(z.data()), &size, reinterpret_cast<const Bytef*>(bytes.data()), bytes.size(),
                9) != Z_OK) {
    return {};
  }
  z.resize(size);
  return z;
}

}  // namespace zvtest
