# Writes a C++ source that holds the data documents as byte arrays, for builds without Windows
# resources. Run at build time: cmake -DOUT=<file.cpp> -DWORLD=<world.json> -DTRANSLATIONS=<...> -P this
function(zv_bytes_of path out_var)
  file(READ "${path}" hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
  # One line per 24 bytes keeps the generated file readable in a diff viewer.
  string(REGEX REPLACE "(('[^']*',){24})" "\\1\n" bytes "${bytes}")
  set(${out_var} "${bytes}" PARENT_SCOPE)
endfunction()

zv_bytes_of("${WORLD}" world_bytes)
zv_bytes_of("${TRANSLATIONS}" translations_bytes)
file(WRITE "${OUT}.tmp" "// Generated from qx-desktop/res/*.json by embed_documents.cmake; do not edit.
#include \"app/embedded_resource.h\"

#include <cstddef>

namespace qx {
namespace {
const char WORLD_TEXT[] = {
${world_bytes}'\\0'};
const char TRANSLATIONS_TEXT[] = {
${translations_bytes}'\\0'};
}  // namespace

std::string_view embedded_document(EmbeddedDocument which) {
  if (which == EmbeddedDocument::World) return {WORLD_TEXT, sizeof WORLD_TEXT - 1};
  return {TRANSLATIONS_TEXT, sizeof TRANSLATIONS_TEXT - 1};
}

}  // namespace qx
")
file(RENAME "${OUT}.tmp" "${OUT}")
