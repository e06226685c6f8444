// Unicode's simple upper-case mapping of one code point (a generated table).
#pragma once

namespace qx {

// The code point's simple upper-case form; the code point itself when it has none.
char32_t simple_upper_case(char32_t cp);

}  // namespace qx
