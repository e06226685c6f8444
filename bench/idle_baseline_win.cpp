// What any waiting Windows GUI program costs under Wine: GDI+ started, one hidden layered tool
// window, a message loop, nothing else. The bar's idle benchmark runs it beside the bar so that
// its figures separate Wine's share from the program's own.
#include <windows.h>
#include <objidl.h>  // IStream, which gdiplus.h expects to be declared
#include <gdiplus.h>

namespace {

LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, w, l);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartupInput input;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return 1;

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = window_proc;
  wc.hInstance = instance;
  wc.lpszClassName = L"IdleBaselineWindow";
  if (!RegisterClassExW(&wc)) return 1;
  if (!CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TOPMOST, wc.lpszClassName, L"", WS_POPUP, 0, 0, 10,
                       10, nullptr, nullptr, instance, nullptr))
    return 1;

  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
