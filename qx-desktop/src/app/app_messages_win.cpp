#include <windows.h>

#include "app/app_messages.h"

namespace qx {

static_assert(APP_MESSAGE_BASE == WM_APP);

void Win32WindowPoster::post(std::uint32_t message) {
  PostMessageW(static_cast<HWND>(window_), message, 0, 0);
}

}  // namespace qx
