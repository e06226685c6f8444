// The media engine's COM interfaces, which the MinGW headers lack: declared here from their
// public interface documentation, every method in its vtable order (a wrong order calls the
// wrong method; the Wine tests call every method the player uses on the real engine), with the
// identifiers the documentation gives. Windows only.
#pragma once

#include <windows.h>
#include <unknwn.h>
#include <mfobjects.h>  // IMFAttributes, MFARGB

#include <cstdint>

namespace qx::mf {

// MFVideoNormalizedRect: a rectangle in fractions of the video, 0..1.
struct NormalizedRect {
  float left;
  float top;
  float right;
  float bottom;
};
static_assert(sizeof(NormalizedRect) == 16);
static_assert(sizeof(MFARGB) == 4);

// {98a1b0bb-03eb-4935-ae7c-93c1fa0e1c93}
inline constexpr GUID IID_IMFMediaEngine{0x98a1b0bb, 0x03eb, 0x4935, {0xae, 0x7c, 0x93, 0xc1, 0xfa, 0x0e, 0x1c, 0x93}};
// {fee7c112-e776-42b5-9bbf-0048524e2bd5}
inline constexpr GUID IID_IMFMediaEngineNotify{0xfee7c112, 0xe776, 0x42b5, {0x9b, 0xbf, 0x00, 0x48, 0x52, 0x4e, 0x2b, 0xd5}};
// {4d645ace-26aa-4688-9be1-df3516990b93}
inline constexpr GUID IID_IMFMediaEngineClassFactory{0x4d645ace, 0x26aa, 0x4688, {0x9b, 0xe1, 0xdf, 0x35, 0x16, 0x99, 0x0b, 0x93}};
// {b44392da-499b-446b-a4cb-005fead0e6d5}
inline constexpr GUID CLSID_MFMediaEngineClassFactory{0xb44392da, 0x499b, 0x446b, {0xa4, 0xcb, 0x00, 0x5f, 0xea, 0xd0, 0xe6, 0xd5}};
// {c60381b8-83a4-41f8-a3d0-de05076849a9}: the IMFMediaEngineNotify, stored as IUnknown
inline constexpr GUID MF_MEDIA_ENGINE_CALLBACK{0xc60381b8, 0x83a4, 0x41f8, {0xa3, 0xd0, 0xde, 0x05, 0x07, 0x68, 0x49, 0xa9}};
// {5066893c-8cf9-42bc-8b8a-472212e52726}: a DXGI_FORMAT as UINT32; selects frame-server mode
inline constexpr GUID MF_MEDIA_ENGINE_VIDEO_OUTPUT_FORMAT{0x5066893c, 0x8cf9, 0x42bc, {0x8b, 0x8a, 0x47, 0x22, 0x12, 0xe5, 0x27, 0x26}};

inline constexpr UINT32 DXGI_FORMAT_B8G8R8A8_UNORM = 87;

// Interfaces only passed through (never called): declared as bare IUnknown.
struct IMFMediaError;
struct IMFMediaEngineSrcElements;
struct IMFMediaTimeRange;

struct IMFMediaEngineNotify : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE EventNotify(DWORD event, DWORD_PTR param1, DWORD param2) = 0;
};

struct IMFMediaEngine : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetError(IMFMediaError** error) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetErrorCode(int error) = 0;  // MF_MEDIA_ENGINE_ERR
  virtual HRESULT STDMETHODCALLTYPE SetSourceElements(IMFMediaEngineSrcElements* elements) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetSource(BSTR url) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCurrentSource(BSTR* url) = 0;
  virtual USHORT STDMETHODCALLTYPE GetNetworkState() = 0;
  virtual int STDMETHODCALLTYPE GetPreload() = 0;  // MF_MEDIA_ENGINE_PRELOAD
  virtual HRESULT STDMETHODCALLTYPE SetPreload(int preload) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetBuffered(IMFMediaTimeRange** buffered) = 0;
  virtual HRESULT STDMETHODCALLTYPE Load() = 0;
  virtual HRESULT STDMETHODCALLTYPE CanPlayType(BSTR type, int* answer) = 0;  // MF_MEDIA_ENGINE_CANPLAY
  virtual USHORT STDMETHODCALLTYPE GetReadyState() = 0;
  virtual BOOL STDMETHODCALLTYPE IsSeeking() = 0;
  virtual double STDMETHODCALLTYPE GetCurrentTime() = 0;
  virtual HRESULT STDMETHODCALLTYPE SetCurrentTime(double seconds) = 0;
  virtual double STDMETHODCALLTYPE GetStartTime() = 0;
  virtual double STDMETHODCALLTYPE GetDuration() = 0;
  virtual BOOL STDMETHODCALLTYPE IsPaused() = 0;
  virtual double STDMETHODCALLTYPE GetDefaultPlaybackRate() = 0;
  virtual HRESULT STDMETHODCALLTYPE SetDefaultPlaybackRate(double rate) = 0;
  virtual double STDMETHODCALLTYPE GetPlaybackRate() = 0;
  virtual HRESULT STDMETHODCALLTYPE SetPlaybackRate(double rate) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPlayed(IMFMediaTimeRange** played) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSeekable(IMFMediaTimeRange** seekable) = 0;
  virtual BOOL STDMETHODCALLTYPE IsEnded() = 0;
  virtual BOOL STDMETHODCALLTYPE GetAutoPlay() = 0;
  virtual HRESULT STDMETHODCALLTYPE SetAutoPlay(BOOL autoplay) = 0;
  virtual BOOL STDMETHODCALLTYPE GetLoop() = 0;
  virtual HRESULT STDMETHODCALLTYPE SetLoop(BOOL loop) = 0;
  virtual HRESULT STDMETHODCALLTYPE Play() = 0;
  virtual HRESULT STDMETHODCALLTYPE Pause() = 0;
  virtual BOOL STDMETHODCALLTYPE GetMuted() = 0;
  virtual HRESULT STDMETHODCALLTYPE SetMuted(BOOL muted) = 0;
  virtual double STDMETHODCALLTYPE GetVolume() = 0;
  virtual HRESULT STDMETHODCALLTYPE SetVolume(double volume) = 0;
  virtual BOOL STDMETHODCALLTYPE HasVideo() = 0;
  virtual BOOL STDMETHODCALLTYPE HasAudio() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetNativeVideoSize(DWORD* width, DWORD* height) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetVideoAspectRatio(DWORD* x, DWORD* y) = 0;
  virtual HRESULT STDMETHODCALLTYPE Shutdown() = 0;
  virtual HRESULT STDMETHODCALLTYPE TransferVideoFrame(IUnknown* surface, const NormalizedRect* source,
                                                       const RECT* destination, const MFARGB* border) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnVideoStreamTick(LONGLONG* presentation_time) = 0;
};

struct IMFMediaEngineClassFactory : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE CreateInstance(DWORD flags, IMFAttributes* attributes, IMFMediaEngine** engine) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateTimeRange(IMFMediaTimeRange** range) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateError(IMFMediaError** error) = 0;
};

}  // namespace qx::mf
