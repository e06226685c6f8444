// A picture that crashes the platform's decoder takes the whole bar down, and it would do so
// again at every start for as long as the file stays (a story picture stays 7 days). So while a
// file is decoded, a note of it stands in the picture folder, held open by the program. A note
// that no running program holds was left by a decode that never returned: the file is not given
// to that decoder again, and the bar draws what it draws for a picture it cannot read. The sweep
// deletes the notes with the old pictures.
#pragma once

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace qx {

// What the notes need of the disk.
class NoteFiles {
 public:
  // A note held open; dropping it closes and deletes the note.
  class Held {
   public:
    virtual ~Held() = default;
  };
  virtual ~NoteFiles() = default;
  // The names (not paths) of the notes in the folder that no running program holds.
  virtual std::vector<std::string> abandoned(const std::string& folder) = 0;
  // Writes the note (making its folder when missing) and holds it; null when that fails.
  virtual std::unique_ptr<Held> hold(const std::string& path) = 0;
};

inline constexpr std::string_view NOTE_EXTENSION = ".note";

// The decoders that read a picture file: the still picture (story pictures, the orb's picture)
// and the player's GIF frames. A file that crashed either is given to neither again.
enum class Decoder { Picture, Gif };

class DecodeNotes {
 public:
  // Reads which notes were left behind, once. `folder` is the picture folder (none: nothing is
  // noted, every file is decoded); `process` tells this program's notes from another's that
  // decodes the same file at the same time.
  DecodeNotes(NoteFiles& files, std::optional<std::string> folder, std::string process);

  // The file was being decoded when a program ended.
  bool left_noted(const std::string& path) const;

  // Runs `decode` (which gives an optional) with a note standing meanwhile; none, without running
  // it, for a file left noted. When no note can be written the file is decoded all the same.
  template <class Decode>
  auto run(Decoder decoder, const std::string& path, Decode&& decode) -> decltype(decode()) {
    if (left_noted(path)) return {};
    const std::unique_ptr<NoteFiles::Held> note = hold(decoder, path);
    return decode();
  }

  // The note's file name for a decoder and a file (in this program).
  std::string note_name(Decoder decoder, const std::string& path) const;

 private:
  std::unique_ptr<NoteFiles::Held> hold(Decoder decoder, const std::string& path);

  NoteFiles& files_;
  std::optional<std::string> folder_;
  std::string process_;
  std::set<std::string> left_;  // the 16-digit keys of the notes left behind
};

// Notes on the disk (Windows only).
std::unique_ptr<NoteFiles> disk_note_files();

// The program's own: the disk's picture folder ("LOCALAPPDATA") and this process's id (Windows
// only, decode_notes_win.cpp). Made at its first use, which comes before any decode.
DecodeNotes& platform_decode_notes();

}  // namespace qx
