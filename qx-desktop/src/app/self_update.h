// Installing a newer program: the notice is checked again, the download is fetched and checked
// against the notice (size, SHA-256, "MZ"), then swapped for the running program file through
// siblings named by replacing its extension: "new" (the download), "old" (the running program,
// moved aside) and "bad" (a new program that would not start). Every failure after the program
// file was moved puts it back, so that "nothing was changed" holds; only an "old" or "new"
// sibling may remain, which the next start removes.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/app_messages.h"
#include "app/check_update.h"
#include "result.h"

namespace qx {

// What the install needs of the system. Failures carry the system's text. Tests use a fake.
class InstallSystem {
 public:
  virtual ~InstallSystem() = default;
  virtual Result<std::string, std::string> program_path() = 0;
  virtual Result<Unit, std::string> write_file(const std::string& path, std::string_view bytes) = 0;
  // Renames, replacing a file already at `to`.
  virtual Result<Unit, std::string> move_file(const std::string& from, const std::string& to) = 0;
  virtual Result<Unit, std::string> remove_file(const std::string& path) = 0;
  // Starts the program with the one argument and does not wait for it.
  virtual Result<Unit, std::string> start_program(const std::string& path, std::string_view argument) = 0;
  virtual void pause(std::chrono::milliseconds time) = 0;
};

// The disk and processes of this machine (Windows only); the program file is this process's own
// unless a path is given.
std::unique_ptr<InstallSystem> platform_install_system(std::optional<std::string> program = std::nullopt);

struct UpdateSiblings {
  std::string fresh;  // "new"
  std::string old;
  std::string bad;
};
UpdateSiblings update_siblings(std::string_view program);

// Putting the old program back is retried this often, a moment apart, before the install gives
// up: a file briefly held by another program must not leave the user without one.
inline constexpr int UPDATE_RESTORE_ATTEMPTS = 5;
inline constexpr std::chrono::milliseconds UPDATE_RESTORE_PAUSE{200};

// The whole install; success means the new program runs. The error is the reason for the user.
Result<Unit, std::string> install_update(const UpdateSource& source, InstallSystem& system);

// The failure box's text for a reason.
std::string update_failure_text(std::string_view reason);

// The install thread's body: a failure is shown in a box, success closes the bar window so that
// the new program can take over (Windows only).
void self_update_thread(WindowHandle window);

}  // namespace qx
