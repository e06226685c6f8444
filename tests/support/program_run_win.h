// Runs a Windows program to its end and collects what it wrote, for end-to-end tests.
#pragma once

#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

namespace zvtest {

struct ProgramRun {
  DWORD exit_code = 0xFFFFFFFF;  // stays so when the program could not be started
  std::string out;               // standard output, as written
  std::string err;               // standard error, as written
};

// Where the child's standard output and error go: temporary files (a program that writes a lot
// never blocks), or pipes read while it runs (what a script capturing the output gives it).
enum class Capture { Files, Pipes };

// Starts exe (a UTF-8 path) with the arguments, each quoted so that the program's own argument
// splitting gives them back unchanged, and waits at most `limit` for it to end (then it is
// terminated and the test fails).
ProgramRun run_program(const std::string& exe, const std::vector<std::string>& args,
                       std::chrono::milliseconds limit = std::chrono::seconds(60),
                       Capture capture = Capture::Files);

// A top-level window of the class owned by the process (only a shown one when asked); null when
// there is none.
HWND find_process_window(DWORD process, const wchar_t* window_class, bool shown_only = false);

// A program started and left running (its output goes where the test's goes); terminated when
// the owner goes while it still runs.
class RunningProgram {
 public:
  RunningProgram(const std::string& exe, const std::vector<std::string>& args);
  ~RunningProgram();
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;

  bool started() const { return process_ != nullptr; }
  DWORD id() const { return id_; }
  // The exit code once it ended within `limit`; 0xFFFFFFFF when it still runs.
  DWORD wait(std::chrono::milliseconds limit);
  // A top-level window of the class owned by this process, waited for up to `limit`.
  HWND wait_for_window(const wchar_t* window_class, std::chrono::milliseconds limit);

 private:
  HANDLE process_ = nullptr;
  DWORD id_ = 0;
};

}  // namespace zvtest
