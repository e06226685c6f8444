// Decode notes on the disk. A note is held open without sharing its writing, so a program that
// scans the folder cannot open a note that a running decode holds; the system closes the handles
// of a program that crashed, and its notes open again.
#include <windows.h>

#include "app/decode_notes.h"
#include "app/file_ops.h"
#include "app/picture_cache.h"
#include "win_util.h"

namespace qx {

namespace {

class HeldNote final : public NoteFiles::Held {
 public:
  HeldNote(UniqueHandle file, std::wstring path) : file_(std::move(file)), path_(std::move(path)) {}
  ~HeldNote() override {
    // Deleted while still held, so that no scan finds it closed and not yet gone.
    FILE_DISPOSITION_INFO dispose{TRUE};
    if (SetFileInformationByHandle(file_.get(), FileDispositionInfo, &dispose, sizeof dispose)) return;
    file_.reset();
    DeleteFileW(path_.c_str());
  }

 private:
  UniqueHandle file_;
  std::wstring path_;
};

class DiskNoteFiles final : public NoteFiles {
 public:
  std::vector<std::string> abandoned(const std::string& folder) override {
    std::vector<std::string> names;
    for (const FolderEntry& entry : list_folder(folder).value_or(std::vector<FolderEntry>{})) {
      if (!entry.path.ends_with(NOTE_EXTENSION)) continue;
      const std::optional<std::wstring> path = wide_path(entry.path);
      // Opening it without sharing fails while a running program holds it.
      if (path && UniqueHandle(CreateFileW(path->c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr))) {
        names.push_back(entry.path.substr(parent_folder(entry.path).size() + 1));  // the name
      }
    }
    return names;
  }

  std::unique_ptr<Held> hold(const std::string& path) override {
    const std::optional<std::wstring> wide = wide_path(path);
    if (!wide) return nullptr;
    const auto create = [&] {
      return UniqueHandle(CreateFileW(wide->c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    };
    UniqueHandle file = create();
    if (!file && GetLastError() == ERROR_PATH_NOT_FOUND && platform_file_ops().create_folders(parent_folder(path))) {
      file = create();
    }
    if (!file) return nullptr;
    return std::make_unique<HeldNote>(std::move(file), *wide);
  }
};

}  // namespace

std::unique_ptr<NoteFiles> disk_note_files() { return std::make_unique<DiskNoteFiles>(); }

DecodeNotes& platform_decode_notes() {
  // Never destroyed: the player thread may still decode while the process ends.
  static NoteFiles* const files = disk_note_files().release();
  static DecodeNotes* const notes = new DecodeNotes(
      *files, picture_cache_folder(environment_variable("LOCALAPPDATA")), std::to_string(GetCurrentProcessId()));
  return *notes;
}

}  // namespace qx
