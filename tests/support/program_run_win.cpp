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

// A pipe whose write end the child inherits; read to its end once the child has it.
class OutputPipe {
 public:
  OutputPipe() {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    if (!CreatePipe(&read_, &write_, &inherit, 0)) read_ = write_ = nullptr;
    if (read_) SetHandleInformation(read_, HANDLE_FLAG_INHERIT, 0);
  }
  ~OutputPipe() {
    close_write();
    if (read_) CloseHandle(read_);
  }
  OutputPipe(const OutputPipe&) = delete;
  OutputPipe& operator=(const OutputPipe&) = delete;

  bool ok() const { return read_ && write_; }
  HANDLE write_end() const { return write_; }
  void close_write() {
    if (write_) CloseHandle(write_);
    write_ = nullptr;
  }
  // What the child has written so far, without waiting for more: the pipe's end may never come,
  // as a process the child started (Wine's desktop process) can keep the write end open.
  void take_available(std::string& into) {
    DWORD available = 0;
    while (PeekNamedPipe(read_, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
      char buffer[4096];
      DWORD got = 0;
      const DWORD want = available < sizeof buffer ? available : static_cast<DWORD>(sizeof buffer);
      if (!ReadFile(read_, buffer, want, &got, nullptr) || got == 0) return;
      into.append(buffer, got);
    }
  }

 private:
  HANDLE read_ = nullptr;
  HANDLE write_ = nullptr;
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

std::vector<wchar_t> command_line(const std::wstring& exe_path, const std::vector<std::string>& args) {
  std::wstring command;
  append_quoted(command, exe_path);
  for (const std::string& a : args) {
    command += L' ';
    append_quoted(command, qx::utf8_to_wide(a));
  }
  std::vector<wchar_t> line(command.begin(), command.end());
  line.push_back(L'\0');
  return line;
}

}  // namespace

RunningProgram::RunningProgram(const std::string& exe, const std::vector<std::string>& args) {
  const std::wstring exe_path = qx::utf8_to_wide(exe);
  std::vector<wchar_t> line = command_line(exe_path, args);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(exe_path.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    ADD_FAILURE() << "cannot start " << exe << ": error " << GetLastError();
    return;
  }
  CloseHandle(pi.hThread);
  process_ = pi.hProcess;
  id_ = pi.dwProcessId;
}

RunningProgram::~RunningProgram() {
  if (!process_) return;
  if (WaitForSingleObject(process_, 0) != WAIT_OBJECT_0) {
    TerminateProcess(process_, 99);
    WaitForSingleObject(process_, 10'000);
  }
  CloseHandle(process_);
}

DWORD RunningProgram::wait(std::chrono::milliseconds limit) {
  DWORD code = 0xFFFFFFFF;
  if (process_ && WaitForSingleObject(process_, static_cast<DWORD>(limit.count())) == WAIT_OBJECT_0)
    GetExitCodeProcess(process_, &code);
  return code;
}

HWND find_process_window(DWORD process, const wchar_t* window_class, bool shown_only) {
  struct Search {
    const wchar_t* window_class;
    DWORD process;
    bool shown_only;
    HWND found;
  } search{window_class, process, shown_only, nullptr};
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        wchar_t name[64] = {};
        GetClassNameW(window, name, 64);
        if (owner != s->process || std::wstring(name) != s->window_class) return TRUE;
        if (s->shown_only && !IsWindowVisible(window)) return TRUE;
        s->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND RunningProgram::wait_for_window(const wchar_t* window_class, std::chrono::milliseconds limit) {
  const ULONGLONG until = GetTickCount64() + static_cast<ULONGLONG>(limit.count());
  do {
    if (HWND found = find_process_window(id_, window_class)) return found;
    Sleep(50);
  } while (GetTickCount64() < until);
  return nullptr;
}

ProgramRun run_program(const std::string& exe, const std::vector<std::string>& args,
                       std::chrono::milliseconds limit, Capture capture) {
  std::wstring exe_path = qx::utf8_to_wide(exe);
  std::vector<wchar_t> line = command_line(exe_path, args);

  ProgramRun run;
  OutputFile out_file, err_file;
  OutputPipe out_pipe, err_pipe;
  const bool pipes = capture == Capture::Pipes;
  if (pipes ? !out_pipe.ok() || !err_pipe.ok()
            : out_file.handle() == INVALID_HANDLE_VALUE || err_file.handle() == INVALID_HANDLE_VALUE) {
    ADD_FAILURE() << "cannot make the output channels: error " << GetLastError();
    return run;
  }
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  si.hStdOutput = pipes ? out_pipe.write_end() : out_file.handle();
  si.hStdError = pipes ? err_pipe.write_end() : err_file.handle();
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(exe_path.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
    ADD_FAILURE() << "cannot start " << exe << ": error " << GetLastError();
    return run;
  }
  bool ended = false;
  if (pipes) {
    // Both are read while the child runs, so that neither pipe fills up and blocks it; the run
    // ends with the child (everything it wrote is in the pipes by then) or at the limit.
    out_pipe.close_write();
    err_pipe.close_write();
    const ULONGLONG until = GetTickCount64() + static_cast<ULONGLONG>(limit.count());
    do {
      ended = WaitForSingleObject(pi.hProcess, 10) == WAIT_OBJECT_0;
      out_pipe.take_available(run.out);
      err_pipe.take_available(run.err);
    } while (!ended && GetTickCount64() < until);
  } else {
    ended = WaitForSingleObject(pi.hProcess, static_cast<DWORD>(limit.count())) == WAIT_OBJECT_0;
  }
  if (!ended) {
    ADD_FAILURE() << exe << " did not end within " << limit.count() << " ms";
    TerminateProcess(pi.hProcess, 99);
    WaitForSingleObject(pi.hProcess, 10'000);
  }
  GetExitCodeProcess(pi.hProcess, &run.exit_code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  if (!pipes) {
    run.out = out_file.text();
    run.err = err_file.text();
  }
  return run;
}

}  // namespace zvtest
