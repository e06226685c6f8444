#include "app/self_update.h"

#include "app/check_update_crypto.h"
#include "app/file_ops.h"
#include "unicode_text.h"

namespace qx {

namespace {

// Renames the old program back, trying again a few times.
Result<Unit, std::string> restore(InstallSystem& system, const std::string& from, const std::string& to) {
  Result<Unit, std::string> moved = system.move_file(from, to);
  for (int attempt = 1; !moved && attempt < UPDATE_RESTORE_ATTEMPTS; ++attempt) {
    system.pause(UPDATE_RESTORE_PAUSE);
    moved = system.move_file(from, to);
  }
  return moved;
}

// Swaps the checked download in for the program and starts it.
Result<Unit, std::string> swap_and_start(InstallSystem& system, std::string_view body) {
  Result<std::string, std::string> program = system.program_path();
  if (!program) return err(std::move(program).error());
  const UpdateSiblings sibling = update_siblings(*program);

  (void)system.remove_file(sibling.old);
  if (auto written = system.write_file(sibling.fresh, body); !written) {
    return err("this folder cannot be written to: " + written.error());
  }
  if (auto moved = system.move_file(*program, sibling.old); !moved) {
    (void)system.remove_file(sibling.fresh);
    return err("the old version could not be moved: " + moved.error());
  }
  if (auto placed = system.move_file(sibling.fresh, *program); !placed) {
    (void)restore(system, sibling.old, *program);
    (void)system.remove_file(sibling.fresh);
    return err("the new version could not be put in place: " + placed.error());
  }
  if (auto started = system.start_program(*program, "--after-update"); !started) {
    (void)system.move_file(*program, sibling.bad);
    (void)restore(system, sibling.old, *program);
    (void)system.remove_file(sibling.bad);
    return err("the new version would not start: " + started.error());
  }
  return Unit{};
}

}  // namespace

UpdateSiblings update_siblings(std::string_view program) {
  return {with_extension(program, "new"), with_extension(program, "old"), with_extension(program, "bad")};
}

Result<Unit, std::string> install_update(const UpdateSource& source, InstallSystem& system) {
  const UpdateCheck check = check_for_update(source);
  if (check.kind == UpdateCheck::Kind::Failed) return err(check.error);
  if (check.kind == UpdateCheck::Kind::UpToDate) return err(std::string("you already have the newest version"));
  const Manifest& m = check.manifest;

  Result<std::string, std::string> body =
      http_get_limited(*source.http, source.base + "/" + m.file, static_cast<std::size_t>(m.size),
                       UPDATE_DOWNLOAD_TIMEOUT);
  if (!body) return err(std::move(body).error());
  if (body->size() != m.size || sha256_hex(*body) != ascii_lower(m.sha256)) {
    return err(std::string("the download does not match its signature"));
  }
  if (!body->starts_with("MZ")) return err(std::string("the download is not a program"));
  return swap_and_start(system, *body);
}

std::string update_failure_text(std::string_view reason) {
  return "Zelvarons was not updated, and nothing was changed.\n\nReason: " + std::string(reason);
}

}  // namespace qx
