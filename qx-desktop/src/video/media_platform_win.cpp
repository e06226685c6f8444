// The player's platform on Windows: COM in the multithreaded apartment, Media Foundation's media
// engine in frame-server mode with frames copied into WIC bitmaps, and GIF frames decoded with
// GDI+. Everything here runs on the player thread.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <mfapi.h>
#include <wincodec.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <utility>

#include "app/decode_notes.h"
#include "render/dib_surface.h"
#include "render/gdiplus_win.h"
#include "render/picture_header.h"
#include "render/pictures.h"
#include "video/command_channel.h"
#include "video/media_engine.h"
#include "video/media_engine_com_win.h"
#include "video/media_foundation_win.h"
#include "win_util.h"

namespace qx {

namespace {

// Owns one COM reference.
template <class T>
class ComRef {
 public:
  ComRef() = default;
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  ComRef(ComRef&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComRef& operator=(ComRef&& other) noexcept {
    if (this != &other) {
      reset();
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }
  ~ComRef() { reset(); }
  T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  T** put() noexcept {
    reset();
    return &p_;
  }
  void reset() noexcept {
    if (p_) p_->Release();
    p_ = nullptr;
  }

 private:
  T* p_ = nullptr;
};

// Owns one BSTR.
class Bstr {
 public:
  explicit Bstr(const std::wstring& text) : s_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  ~Bstr() { SysFreeString(s_); }
  BSTR get() const noexcept { return s_; }

 private:
  BSTR s_;
};

using EngineEvents = CommandChannel<std::uint32_t>;

// The engine's callback object. It runs on Media Foundation's threads and only passes the bare
// event code on.
class MediaEngineNotify final : public mf::IMFMediaEngineNotify {
 public:
  explicit MediaEngineNotify(std::shared_ptr<EngineEvents> events) : events_(std::move(events)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, mf::IID_IMFMediaEngineNotify)) {
      *out = static_cast<mf::IMFMediaEngineNotify*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE EventNotify(DWORD event, DWORD_PTR, DWORD) override {
    events_->send(static_cast<std::uint32_t>(event));
    return S_OK;
  }

 private:
  ~MediaEngineNotify() = default;
  std::atomic<ULONG> references_{1};
  std::shared_ptr<EngineEvents> events_;
};

class WindowsMediaEngine final : public MediaEngine {
 public:
  WindowsMediaEngine(ComRef<mf::IMFMediaEngine> engine, std::shared_ptr<EngineEvents> events,
                     IWICImagingFactory* imaging)
      : engine_(std::move(engine)), events_(std::move(events)), imaging_(imaging) {}
  ~WindowsMediaEngine() override { engine_->Shutdown(); }

  std::vector<std::uint32_t> take_events() override {
    std::vector<std::uint32_t> codes;
    for (auto e = events_->try_receive(); e.value; e = events_->try_receive()) codes.push_back(*e.value);
    return codes;
  }
  void set_muted(bool muted) override { engine_->SetMuted(muted ? TRUE : FALSE); }
  void play() override { engine_->Play(); }
  void pause() override { engine_->Pause(); }
  bool is_ended() override { return engine_->IsEnded() != FALSE; }
  void seek_to_start() override { engine_->SetCurrentTime(0.0); }
  bool has_video() override { return engine_->HasVideo() != FALSE; }
  VideoSize native_video_size() override {
    DWORD w = 0, h = 0;
    if (FAILED(engine_->GetNativeVideoSize(&w, &h)) || w > INT32_MAX || h > INT32_MAX) return {};
    return {static_cast<std::int32_t>(w), static_cast<std::int32_t>(h)};
  }
  std::optional<std::int64_t> video_stream_tick() override {
    LONGLONG time = 0;
    if (engine_->OnVideoStreamTick(&time) != S_OK) return std::nullopt;  // S_FALSE: no new frame
    return time;
  }
  std::optional<VideoFrame> capture_frame(const VideoTargetSize& target) override;
  mf::IMFMediaEngine* raw() const noexcept { return engine_.get(); }

 private:
  ComRef<mf::IMFMediaEngine> engine_;
  std::shared_ptr<EngineEvents> events_;
  IWICImagingFactory* imaging_;  // owned by the platform, which outlives every engine
};

std::optional<VideoFrame> WindowsMediaEngine::capture_frame(const VideoTargetSize& target) {
  const VideoSize video = native_video_size();
  if (video.width == 0 || video.height == 0 || !imaging_ || target.width < 1 || target.height < 1) return std::nullopt;
  ComRef<IWICBitmap> bitmap;
  if (FAILED(imaging_->CreateBitmap(static_cast<UINT>(target.width), static_cast<UINT>(target.height),
                                    GUID_WICPixelFormat32bppBGR, WICBitmapCacheOnLoad, bitmap.put()))) {
    return std::nullopt;
  }
  const FittedPicture fit = fit_picture(static_cast<float>(video.width), static_cast<float>(video.height),
                                        static_cast<float>(target.width), static_cast<float>(target.height), target.fit);
  const mf::NormalizedRect source{fit.src_x0, fit.src_y0, fit.src_x1, fit.src_y1};
  const RECT whole{0, 0, target.width, target.height};
  if (FAILED(engine_->TransferVideoFrame(bitmap.get(), &source, &whole, nullptr))) return std::nullopt;
  const std::size_t count = static_cast<std::size_t>(target.width) * static_cast<std::size_t>(target.height);
  auto pixels = std::make_shared<std::vector<std::uint32_t>>(count);
  const UINT stride = 4 * static_cast<UINT>(target.width);
  if (FAILED(bitmap->CopyPixels(nullptr, stride, static_cast<UINT>(count * 4),
                                reinterpret_cast<BYTE*>(pixels->data())))) {
    return std::nullopt;
  }
  return VideoFrame{std::move(pixels), target.width, target.height};
}

std::optional<std::vector<GifFrame>> decode_gif_frames(const std::string& path);

class WindowsMediaPlatform final : public MediaPlatform {
 public:
  WindowsMediaPlatform() {
    com_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                     reinterpret_cast<void**>(imaging_.put()));
    const MediaFoundationCalls& mf = media_foundation_calls();
    mf_ = mf.available() && SUCCEEDED(mf.startup(MF_VERSION, MFSTARTUP_LITE));
    if (mf_) {
      CoCreateInstance(mf::CLSID_MFMediaEngineClassFactory, nullptr, CLSCTX_INPROC_SERVER,
                       mf::IID_IMFMediaEngineClassFactory, reinterpret_cast<void**>(engines_.put()));
    }
  }
  ~WindowsMediaPlatform() override {
    engines_.reset();
    imaging_.reset();
    if (mf_) media_foundation_calls().shutdown();
    if (com_) CoUninitialize();
  }

  std::unique_ptr<MediaEngine> open_engine(const std::string& source, bool muted, bool loop) override;
  std::optional<std::vector<GifFrame>> decode_gif(const std::string& path) override {
    // A file that crashed the decoder is noted, so that it does so once, not at every start.
    return platform_decode_notes().run(Decoder::Gif, path, [&] { return decode_gif_frames(path); });
  }

 private:
  bool com_ = false;
  bool mf_ = false;
  ComRef<IWICImagingFactory> imaging_;
  ComRef<mf::IMFMediaEngineClassFactory> engines_;
};

std::unique_ptr<MediaEngine> WindowsMediaPlatform::open_engine(const std::string& source, bool muted, bool loop) {
  if (!engines_) return nullptr;
  auto events = std::make_shared<EngineEvents>();
  ComRef<mf::IMFMediaEngineNotify> notify;
  *notify.put() = new MediaEngineNotify(events);
  ComRef<IMFAttributes> attributes;
  if (FAILED(media_foundation_calls().create_attributes(attributes.put(), 2))) return nullptr;
  if (FAILED(attributes->SetUnknown(mf::MF_MEDIA_ENGINE_CALLBACK, notify.get()))) return nullptr;
  if (FAILED(attributes->SetUINT32(mf::MF_MEDIA_ENGINE_VIDEO_OUTPUT_FORMAT, mf::DXGI_FORMAT_B8G8R8A8_UNORM))) {
    return nullptr;
  }
  ComRef<mf::IMFMediaEngine> engine;
  if (FAILED(engines_->CreateInstance(0, attributes.get(), engine.put()))) return nullptr;
  // From here the engine is shut down if a later step fails.
  auto made = std::make_unique<WindowsMediaEngine>(std::move(engine), events, imaging_.get());
  mf::IMFMediaEngine* e = made->raw();
  const std::optional<std::wstring> url = wide_path(source);
  if (!url) return nullptr;
  const Bstr bstr(*url);
  if (!bstr.get()) return nullptr;
  if (FAILED(e->SetMuted(muted ? TRUE : FALSE)) || FAILED(e->SetLoop(loop ? TRUE : FALSE)) ||
      FAILED(e->SetAutoPlay(TRUE)) || FAILED(e->SetSource(bstr.get()))) {
    return nullptr;
  }
  return made;
}

std::optional<std::vector<GifFrame>> decode_gif_frames(const std::string& path) {
  const std::optional<std::wstring> file = wide_path(path);
  if (!file || !gdiplus_startup_once()) return std::nullopt;
  // A decoder allocates every frame at its declared size before reading it, and takes whatever
  // the file holds, so the header is read by content, not by the name's ".gif".
  if (!picture_within_bounds(read_picture_file_header(path))) return std::nullopt;
  gdip::Bitmap image;
  if (gdip::GdipCreateBitmapFromFile(file->c_str(), image.put()) != gdip::Ok || !image) return std::nullopt;
  UINT width = 0, height = 0;
  gdip::GdipGetImageWidth(image.get(), &width);
  gdip::GdipGetImageHeight(image.get(), &height);
  if (width > INT32_MAX || height > INT32_MAX) return std::nullopt;
  const std::optional<VideoSize> size = gif_frame_size(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height));
  if (!size) return std::nullopt;

  UINT count = 0;
  if (gdip::GdipImageGetFrameCount(image.get(), &Gdiplus::FrameDimensionTime, &count) != gdip::Ok) count = 0;
  const std::size_t frames_wanted = std::min<std::size_t>(count, GIF_MAX_FRAMES);

  // The delays, read only within the property's own size.
  std::vector<std::chrono::milliseconds> delays;
  UINT property_size = 0;
  std::vector<std::uint64_t> property;  // 8-byte aligned for the PropertyItem header
  const unsigned char* values = nullptr;
  std::size_t value_bytes = 0;
  if (gdip::GdipGetPropertyItemSize(image.get(), PropertyTagFrameDelay, &property_size) == gdip::Ok &&
      property_size >= 1 && property_size <= GIF_PROPERTY_MAX_BYTES && property_size > sizeof(Gdiplus::PropertyItem)) {
    property.resize((property_size + 7) / 8);
    auto* item = reinterpret_cast<Gdiplus::PropertyItem*>(property.data());
    if (gdip::GdipGetPropertyItem(image.get(), PropertyTagFrameDelay, property_size, item) == gdip::Ok && item->value) {
      const auto* begin = reinterpret_cast<const unsigned char*>(property.data());
      const auto* first = static_cast<const unsigned char*>(item->value);
      if (first >= begin + sizeof(Gdiplus::PropertyItem) && first <= begin + property_size) {
        values = first;
        value_bytes = std::min<std::size_t>(item->length, static_cast<std::size_t>(begin + property_size - first));
      }
    }
  }
  delays = gif_frame_delays(values, value_bytes, frames_wanted);

  std::vector<GifFrame> frames;
  for (std::size_t i = 0; i < frames_wanted; ++i) {
    if (gdip::GdipImageSelectActiveFrame(image.get(), &Gdiplus::FrameDimensionTime, static_cast<UINT>(i)) != gdip::Ok) break;
    std::optional<DibSurface> surface = create_dib_surface(size->width, size->height);
    if (!surface) break;
    gdip::Graphics graphics;
    if (gdip::GdipCreateFromHDC(static_cast<HDC>(surface->memory_dc()), graphics.put()) != gdip::Ok) break;
    gdip::GdipSetInterpolationMode(graphics.get(), Gdiplus::InterpolationModeHighQualityBicubic);
    const bool drawn = gdip::GdipDrawImageRectI(graphics.get(), image.get(), 0, 0, size->width, size->height) == gdip::Ok;
    graphics.reset();
    if (!drawn) break;
    const PixelView view = dib_pixels(*surface);
    GifFrame frame;
    frame.delay = delays[i];
    frame.pixels.assign(view.pixels, view.pixels + static_cast<std::size_t>(view.width) * view.height);
    frame.width = view.width;
    frame.height = view.height;
    frames.push_back(std::move(frame));
  }
  return frames;
}

}  // namespace

std::unique_ptr<MediaPlatform> make_platform_media() { return std::make_unique<WindowsMediaPlatform>(); }

}  // namespace qx
