#include "video/media_foundation_win.h"

#include "win_util.h"

namespace qx {

const MediaFoundationCalls& media_foundation_calls() {
  static const MediaFoundationCalls calls = [] {
    MediaFoundationCalls found;
    found.startup = system_function<decltype(found.startup)>(L"mfplat.dll", "MFStartup");
    found.shutdown = system_function<decltype(found.shutdown)>(L"mfplat.dll", "MFShutdown");
    found.create_attributes = system_function<decltype(found.create_attributes)>(L"mfplat.dll", "MFCreateAttributes");
    return found.available() ? found : MediaFoundationCalls{};
  }();
  return calls;
}

}  // namespace qx
