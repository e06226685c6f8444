// The running bar's idle cost and memory under Wine. Needs a screen and the TLS front of the
// tests (the feeds and pictures are served over https), so run it, in a Wine prefix of its own
// on a private X screen, as:
//
//   sh tests/support/with_screen.sh $PWD/build/wineprefix-bench python3 tests/support/tls_front.py
//     build/wine-run.sh build/bench/bar_idle_bench.exe [SECONDS [PROGRAM]]
//
// (one command line). PROGRAM, the built zelvarons.exe when not given, lets two builds be
// compared in one session.
//
// Beside the bar, over the whole run, runs the baseline: idle_baseline.exe, a GUI program of
// ours with GDI+ started, one hidden layered window and a message loop, which does nothing
// else. What it costs is what any waiting GUI program costs under Wine; what the bar costs above
// it is ours. Each step measures once the bar has settled: 20 s after its feeds and a picture
// were served, when the one-shot start-up workers have ended.
// 1. One loaded feed with a picture, nothing playing: the program's own CPU time over SECONDS
//    (default 60) beside the wall time, beside the baseline's over the same interval, and
//    beside this benchmark's own process (its server, otherwise asleep).
// 2. Eight feeds with pictures: the program's private bytes once all are loaded, beside its
//    private bytes with the one feed of step 1 and the baseline's.
#ifdef _WIN32

#include <windows.h>

#include <chrono>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <thread>

#include "../tests/e2e/bar_profile_win.h"
#include "local_http_server_win.h"
#include "program_run_win.h"
#include "tls_front_win.h"

namespace {

using namespace std::chrono_literals;

// Wine answers GetProcessTimes and GetProcessMemoryInfo for other processes with zeros, so the
// figures come from the Linux side: each Wine process is a Linux process under /proc, reached
// through the Z: drive.
std::string proc_file(const std::string& pid, const char* name) {
  std::ifstream in("Z:\\proc\\" + pid + "\\" + name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The Linux process of a program (the start of its name) whose environment holds the text.
std::string linux_pid_with(const std::string& name_start, const std::string& environment_text) {
  WIN32_FIND_DATAA found;
  HANDLE h = FindFirstFileA("Z:\\proc\\*", &found);
  std::string pid;
  if (h == INVALID_HANDLE_VALUE) return pid;
  do {
    const std::string name = found.cFileName;
    if (name.find_first_not_of("0123456789") != std::string::npos || name.empty()) continue;
    if (proc_file(name, "comm").rfind(name_start, 0) != 0) continue;
    if (proc_file(name, "environ").find(environment_text) != std::string::npos) pid = name;
  } while (pid.empty() && FindNextFileA(h, &found));
  FindClose(h);
  return pid;
}

// The time on a CPU of each thread of the process now running, in seconds, from the thread's
// schedstat (nanoseconds; the process's utime and stime count ticks of 10 ms, too coarse for an
// idle minute).
using ThreadTimes = std::map<std::string, double>;
ThreadTimes thread_run_seconds(const std::string& pid) {
  ThreadTimes times;
  WIN32_FIND_DATAA found;
  HANDLE h = FindFirstFileA(("Z:\\proc\\" + pid + "\\task\\*").c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return times;
  do {
    const std::string name = found.cFileName;
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
    times[name] = std::atof(proc_file(pid, ("task\\" + name + "\\schedstat").c_str()).c_str()) / 1e9;
  } while (FindNextFileA(h, &found));
  FindClose(h);
  return times;
}

// utime + stime of the whole process, ended threads included, in seconds (ticks of 1/100 s).
double process_cpu_seconds(const std::string& pid) {
  const std::string stat = proc_file(pid, "stat");
  const std::size_t end = stat.rfind(')');
  if (end == std::string::npos) return 0;
  std::istringstream fields(stat.substr(end + 2));
  std::string field;
  double ticks = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14 || i == 15) ticks += std::atof(field.c_str());
  }
  return ticks / 100.0;
}

// The CPU time the process spent since `before`: each thread's growth, a new thread's whole
// time. A thread that ended in between takes its last share along (none does while idle).
double cpu_seconds_since(const std::string& pid, const ThreadTimes& before) {
  double seconds = 0;
  for (const auto& [thread, now] : thread_run_seconds(pid)) {
    const auto was = before.find(thread);
    seconds += now - (was == before.end() ? 0.0 : was->second);
  }
  return seconds;
}

// Private_Clean + Private_Dirty: the memory only this process holds.
double private_megabytes(const std::string& pid) {
  std::istringstream lines(proc_file(pid, "smaps_rollup"));
  std::string line;
  double kilobytes = 0;
  while (std::getline(lines, line)) {
    if (line.rfind("Private_Clean:", 0) == 0 || line.rfind("Private_Dirty:", 0) == 0)
      kilobytes += std::atof(line.substr(line.find(':') + 1).c_str());
  }
  return kilobytes / 1024.0;
}

std::string rss(int n, const std::string& picture) {
  return "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>Feed " + std::to_string(n) +
         "</title><item><title>Story " + std::to_string(n) + "</title><link>https://example.org/" +
         std::to_string(n) + "</link><enclosure url=\"" + picture + "\" type=\"image/png\"/></item></channel></rss>";
}

std::string settings_for(const zvtest::TlsFront& front, int feeds) {
  std::string list;
  for (int n = 1; n <= feeds; ++n) {
    if (n > 1) list += ",";
    list += R"({"url":")" + front.url("/feed" + std::to_string(n) + ".xml") + R"(","title":""})";
  }
  return R"({"feeds":[)" + list + R"(],"active":0,"rotate":false})";
}

std::size_t served(const zvtest::LocalHttpServer& server, const std::string& prefix) {
  std::size_t n = 0;
  for (const auto& r : server.requests()) n += r.target.rfind(prefix, 0) == 0;
  return n;
}

bool wait_until(const std::function<bool()>& condition, std::chrono::seconds limit) {
  const auto until = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(100ms);
  }
  return true;
}

// This Wine prefix as the Linux environment names it: one bar runs per prefix, so it tells the
// benchmark's bar apart under /proc (the Windows variables never reach the Linux environment).
std::string wine_prefix_entry() {
  const std::string environment = proc_file("self", "environ");
  const std::size_t start = environment.find("WINEPREFIX=");
  if (start == std::string::npos) return "WINEPREFIX=";
  return std::string(environment.c_str() + start) + '\0';
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::max(5, std::atoi(argv[1])) : 60;
  const std::string exe = argc > 2 ? argv[2] : ZV_EXE_PATH;
  std::ifstream png_file(ZV_FIXTURES_DIR "/render/harbour.png", std::ios::binary);
  const std::string png((std::istreambuf_iterator<char>(png_file)), {});

  zvtest::LocalHttpServer server;
  zvtest::TlsFront front(server);
  for (int n = 1; n <= 8; ++n) {
    const std::string picture = "/pic" + std::to_string(n) + ".png";
    server.route("/feed" + std::to_string(n) + ".xml",
                 zvtest::answer(rss(n, front.url(picture)), {{"Content-Type", "application/rss+xml"}}));
    server.route(picture, zvtest::answer(png, {{"Content-Type", "image/png"}}));
  }

  // Started first, so that it has long settled when it is measured.
  zvtest::RunningProgram baseline_program(ZV_BASELINE_PATH, {});
  if (!baseline_program.started()) {
    std::fprintf(stderr, "the baseline program did not start\n");
    return 1;
  }
  std::string baseline;

  double one_feed_mb = -1;
  {
    zvtest::BarProfile profile;
    profile.write_settings(settings_for(front, 1));
    zvtest::RunningProgram program(exe, {});
    if (!program.started() ||
        !wait_until([&] { return served(server, "/feed") >= 1 && served(server, "/pic") >= 1; }, 60s)) {
      std::fprintf(stderr, "the bar did not load its feed and picture\n");
      return 1;
    }
    std::this_thread::sleep_for(20s);  // settled
    const std::string bar = linux_pid_with("zelvarons", wine_prefix_entry());
    baseline = linux_pid_with("idle_baseline", wine_prefix_entry());
    if (bar.empty() || baseline.empty()) {
      std::fprintf(stderr, "the Linux process of the bar or of the baseline was not found\n");
      return 1;
    }
    one_feed_mb = private_megabytes(bar);
    const ThreadTimes bar_start = thread_run_seconds(bar);
    const double bar_ticks_start = process_cpu_seconds(bar);
    const ThreadTimes baseline_start = thread_run_seconds(baseline);
    // "self" cannot be listed through Z:, its number can.
    const std::string own = std::to_string(std::atoi(proc_file("self", "stat").c_str()));
    const ThreadTimes own_start = thread_run_seconds(own);
    const auto wall_start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_start).count();
    const double bar_cpu = cpu_seconds_since(bar, bar_start);
    const double bar_ticks = process_cpu_seconds(bar) - bar_ticks_start;
    const double baseline_cpu = cpu_seconds_since(baseline, baseline_start);
    const double own_cpu = cpu_seconds_since(own, own_start);
    std::printf("idle, one loaded feed, nothing playing, %.1f s wall:\n", wall);
    std::printf("  bar         %8.3f s CPU  %6.3f %% of one core  (aim <= 0.1 %%)\n", bar_cpu, 100 * bar_cpu / wall);
    std::printf("  bar, ticks  %8.3f s CPU  %6.3f %% of one core  (utime + stime: ended threads too, 10 ms steps)\n",
                bar_ticks, 100 * bar_ticks / wall);
    std::printf("  baseline    %8.3f s CPU  %6.3f %% of one core  (idle_baseline.exe: GDI+, a hidden layered window)\n",
                baseline_cpu, 100 * baseline_cpu / wall);
    std::printf("  bar - base  %8.3f s CPU  %6.3f %% of one core  (ours)\n", bar_cpu - baseline_cpu,
                100 * (bar_cpu - baseline_cpu) / wall);
    std::printf("  benchmark   %8.3f s CPU  %6.3f %% of one core  (this process: its server, otherwise asleep)\n",
                own_cpu, 100 * own_cpu / wall);
  }
  {
    const std::size_t feeds_before = served(server, "/feed");
    const std::size_t pictures_before = served(server, "/pic");
    zvtest::BarProfile profile;
    profile.write_settings(settings_for(front, 8));
    zvtest::RunningProgram program(exe, {});
    if (!program.started() ||
        !wait_until([&] { return served(server, "/feed") >= feeds_before + 8 && served(server, "/pic") > pictures_before; },
                    60s)) {
      std::fprintf(stderr, "the bar did not load its eight feeds\n");
      return 1;
    }
    std::this_thread::sleep_for(20s);  // settled
    const std::string bar = linux_pid_with("zelvarons", wine_prefix_entry());
    const double eight_feeds_mb = private_megabytes(bar);
    const double baseline_mb = private_megabytes(baseline);
    std::printf("private memory of the Wine process (Private_Clean + Private_Dirty):\n");
    std::printf("  bar, 8 feeds with pictures  %7.2f MB  (aim <= 15 MB)\n", eight_feeds_mb);
    std::printf("  bar, 1 feed                 %7.2f MB\n", one_feed_mb);
    std::printf("  baseline                    %7.2f MB  (idle_baseline.exe)\n", baseline_mb);
    std::printf("  bar - base, 8 feeds         %7.2f MB  (ours)\n", eight_feeds_mb - baseline_mb);
    std::printf("  this benchmark              %7.2f MB\n", private_megabytes("self"));
  }
  return 0;
}

#else
#include <cstdio>
int main() {
  std::puts("bar_idle_bench runs the Windows program under Wine; build it with the cross toolchain.");
  return 0;
}
#endif
