#include "rss_atom.h"

namespace qx {

// Placeholder until the reader lands: every document reads as one without stories.
CoreResult<QxFeedV1> read_rss_atom(std::string_view) {
  return err(CoreError::invalid_xml("no RSS <item> or Atom <entry> found"));
}

}  // namespace qx
