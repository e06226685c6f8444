// Media Foundation's start, stop and attribute store, looked up at run time. Windows "N"
// editions have no MFPlat.DLL until the Media Feature Pack is installed, and a program that
// imports from it would not start there at all; without it only the media engine is missing.
// Windows only.
#pragma once

#include <windows.h>
#include <mfobjects.h>

namespace qx {

struct MediaFoundationCalls {
  HRESULT(WINAPI* startup)(ULONG version, DWORD flags) = nullptr;
  HRESULT(WINAPI* shutdown)() = nullptr;
  HRESULT(WINAPI* create_attributes)(IMFAttributes** attributes, UINT32 initial_size) = nullptr;
  // All three or none: a half-present Media Foundation is not used.
  bool available() const { return startup && shutdown && create_attributes; }
};

// This system's MFPlat.DLL functions, looked up once; all null when it lacks them.
const MediaFoundationCalls& media_foundation_calls();

}  // namespace qx
