// Documents built into the program. On Windows they are resources of the executable; elsewhere
// the build compiles them in as data.
#pragma once

#include <string_view>

namespace qx {

enum class EmbeddedDocument { World, Translations };

// The document's bytes, valid for the life of the process; empty when it is missing.
std::string_view embedded_document(EmbeddedDocument which);

}  // namespace qx
