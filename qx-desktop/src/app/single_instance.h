// One bar per logon: a named mutex says whether another instance runs. A program started by the
// self-update waits for the old one to end before it gives up.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qx {

inline constexpr int SINGLE_INSTANCE_RETRIES = 60;
inline constexpr std::chrono::milliseconds SINGLE_INSTANCE_RETRY_MS{250};

// `create` creates (or opens) the mutex and tells whether it existed already; `drop` closes the
// handle it made and `pause` waits one retry interval. Whether another instance runs in the end.
bool another_instance_runs(bool after_update, const std::function<bool()>& create, const std::function<void()>& drop,
                           const std::function<void()>& pause);

// The copies a self-update leaves beside the program: its path with the extension replaced by
// "old", "new" and "bad", in the order they are removed.
std::vector<std::string> update_leftover_paths(std::string_view program_path);

}  // namespace qx
