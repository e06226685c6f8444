#include <windows.h>

#include <thread>

#include "app/file_ops.h"
#include "app/self_update.h"
#include "unicode_text.h"
#include "win_util.h"

namespace qx {

namespace {

// The error of the call that just failed; a path the system cannot take fails before any call.
std::string last_error_text() {
  const DWORD code = GetLastError();
  return system_message(code == ERROR_SUCCESS ? ERROR_INVALID_NAME : code);
}

Result<Unit, std::string> done_or_last_error(bool ok) {
  if (ok) return Unit{};
  return err(last_error_text());
}

class WindowsInstallSystem final : public InstallSystem {
 public:
  explicit WindowsInstallSystem(std::optional<std::string> program) : program_(std::move(program)) {}

  Result<std::string, std::string> program_path() override {
    if (program_) return *program_;
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
      const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
      if (n == 0) return err(last_error_text());
      if (n < path.size()) {
        path.resize(n);
        return wide_to_utf8(path);
      }
      if (path.size() >= 32'768) return err(system_message(ERROR_INSUFFICIENT_BUFFER));
      path.resize(path.size() * 2);
    }
  }

  // The disk layer of the settings file, reading the system's error right after a failure.
  Result<Unit, std::string> write_file(const std::string& path, std::string_view bytes) override {
    SetLastError(ERROR_SUCCESS);
    return done_or_last_error(platform_file_ops().write_file(path, bytes));
  }
  Result<Unit, std::string> move_file(const std::string& from, const std::string& to) override {
    SetLastError(ERROR_SUCCESS);
    return done_or_last_error(platform_file_ops().replace_file(from, to));
  }
  Result<Unit, std::string> remove_file(const std::string& path) override {
    SetLastError(ERROR_SUCCESS);
    return done_or_last_error(platform_file_ops().remove_file(path));
  }

  Result<Unit, std::string> start_program(const std::string& path, std::string_view argument) override {
    const std::optional<std::wstring> program = wide_path(path);
    if (!program) return err(system_message(ERROR_INVALID_NAME));
    std::wstring command_line = L"\"" + *program + L"\" " + utf8_to_wide(argument);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program->c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
      return err(last_error_text());
    }
    UniqueHandle owned_process(process.hProcess), owned_thread(process.hThread);
    return Unit{};
  }

  void pause(std::chrono::milliseconds time) override { std::this_thread::sleep_for(time); }

 private:
  std::optional<std::string> program_;
};

}  // namespace

std::unique_ptr<InstallSystem> platform_install_system(std::optional<std::string> program) {
  return std::make_unique<WindowsInstallSystem>(std::move(program));
}

void self_update_thread(WindowHandle window) {
  Result<Unit, std::string> installed = install_update(platform_update_source(), *platform_install_system());
  if (installed) {
    PostMessageW(static_cast<HWND>(window), WM_CLOSE, 0, 0);
    return;
  }
  const std::wstring text = utf8_to_wide(update_failure_text(installed.error()));
  MessageBoxW(nullptr, text.c_str(), L"Zelvarons", MB_ICONINFORMATION | MB_OK);
}

}  // namespace qx
