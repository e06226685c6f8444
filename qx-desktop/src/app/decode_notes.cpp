#include "app/decode_notes.h"

#include <utility>

#include "app/file_ops.h"
#include "app/picture_cache.h"

namespace qx {

namespace {

constexpr std::size_t KEY_DIGITS = 16;

std::string note_key(const std::string& path) { return picture_file_stem("decode\n" + path); }

}  // namespace

DecodeNotes::DecodeNotes(NoteFiles& files, std::optional<std::string> folder, std::string process)
    : files_(files), folder_(std::move(folder)), process_(std::move(process)) {
  if (!folder_) return;
  for (const std::string& name : files_.abandoned(*folder_)) {
    if (name.size() > KEY_DIGITS && name[KEY_DIGITS] == '.' && name.ends_with(NOTE_EXTENSION)) {
      left_.insert(name.substr(0, KEY_DIGITS));
    }
  }
}

bool DecodeNotes::left_noted(const std::string& path) const {
  return !left_.empty() && left_.contains(note_key(path));
}

std::string DecodeNotes::note_name(Decoder decoder, const std::string& path) const {
  // One program may run both decoders on one file at once (the orb's picture and its frames).
  return note_key(path) + "." + process_ + (decoder == Decoder::Gif ? "-gif" : "") + std::string(NOTE_EXTENSION);
}

std::unique_ptr<NoteFiles::Held> DecodeNotes::hold(Decoder decoder, const std::string& path) {
  if (!folder_) return nullptr;
  return files_.hold(join_path(*folder_, note_name(decoder, path)));
}

}  // namespace qx
