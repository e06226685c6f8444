#include "program_run_win.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "unicode_text.h"

namespace zvtest {

namespace {

// A temporary file that a child process writes one of its outputs into.
class OutputFile {
 public:
  OutputFile() {
    wchar_t dir[MAX_PATH];
    wchar_t name[MAX_PATH];
    if (GetTempPathW(MAX_PATH, dir) == 0 || GetTempFileNameW(dir, L"zvo", 0, name) == 0) return;
    path_ = name;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    handle_ = CreateFileW(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_TEMPORARY, nullptr);
  }
  ~OutputFile() {
    close();
    if (!path_.empty()) DeleteFileW(path_.c_str());
  }
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  HANDLE handle() const { return handle_; }
  std::string text() {
    close();
    std::ifstream in(path_.c_str(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

 private:
  void close() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }
  std::wstring path_;
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// The quoting that CommandLineToArgvW and the C runtime undo: backslashes count only before a
// quote, where each is doubled and the quote escaped.
void append_quoted(std::wstring& line, const std::wstring& arg) {
  line += L'"';
  std::size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    line += c;
  }
  line.append(backslashes * 2, L'\\');
  line += L'"';
}

}  // namespace

ProgramRun run_program(const std::string& exe, const std::vector<std::string>& args,
                       std::chrono::milliseconds limit) {
  std::wstring exe_path = qx::utf8_to_wide(exe);
  std::wstring command;
  append_quoted(command, exe_path);
  for (const std::string& a : args) {
    command += L' ';
    append_quoted(command, qx::utf8_to_wide(a));
  }
  std::vector<wchar_t> line(command.begin(), command.end());
  line.push_back(L'\0');

  ProgramRun run;
  OutputFile out, err;
  if (out.handle() == INVALID_HANDLE_VALUE || err.handle() == INVALID_HANDLE_VALUE) {
    ADD_FAILURE() << "cannot make the output files: error " << GetLastError();
    return run;
  }
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  si.hStdOutput = out.handle();
  si.hStdError = err.handle();
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(exe_path.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
    ADD_FAILURE() << "cannot start " << exe << ": error " << GetLastError();
    return run;
  }
  if (WaitForSingleObject(pi.hProcess, static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0) {
    ADD_FAILURE() << exe << " did not end within " << limit.count() << " ms";
    TerminateProcess(pi.hProcess, 99);
    WaitForSingleObject(pi.hProcess, 10'000);
  }
  GetExitCodeProcess(pi.hProcess, &run.exit_code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  run.out = out.text();
  run.err = err.text();
  return run;
}

}  // namespace zvtest
