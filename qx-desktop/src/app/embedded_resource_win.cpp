#include "app/embedded_resource.h"

#include <windows.h>

#include "resource_ids.h"

namespace qx {

std::string_view embedded_document(EmbeddedDocument which) {
  const int id = which == EmbeddedDocument::World ? IDR_WORLD_JSON : IDR_TRANSLATIONS_JSON;
  // Resources of the executable stay mapped for the life of the process and need no freeing.
  HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), RT_RCDATA);
  if (!found) return {};
  HGLOBAL loaded = LoadResource(nullptr, found);
  if (!loaded) return {};
  const void* bytes = LockResource(loaded);
  const DWORD size = SizeofResource(nullptr, found);
  if (!bytes || size == 0) return {};
  return {static_cast<const char*>(bytes), static_cast<std::size_t>(size)};
}

}  // namespace qx
