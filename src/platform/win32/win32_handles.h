// Owners for Windows handles: each handle the backend opens lives in one of these and is closed
// when its owner goes, on every path out of a function.
#pragma once

#include <cstdint>
#include <utility>

#include "platform/win32/win32_windows.h"

namespace vrx::win32 {

// Owns one handle of type T, closed with kClose. kInvalid is the value that stands for "none"
// (0, or -1 for the handles that CreateFile and FindFirstFile return).
template <typename T, auto kClose, intptr_t kInvalid = 0>
class UniqueAny {
 public:
  UniqueAny() = default;
  explicit UniqueAny(T handle) : handle_(handle) {}
  UniqueAny(UniqueAny&& other) noexcept : handle_(other.release()) {}
  UniqueAny& operator=(UniqueAny&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueAny(const UniqueAny&) = delete;
  UniqueAny& operator=(const UniqueAny&) = delete;
  ~UniqueAny() { reset(); }

  static T invalid() { return reinterpret_cast<T>(kInvalid); }
  T get() const { return handle_; }
  explicit operator bool() const { return handle_ != invalid(); }
  // Closes the handle held, if any, and takes `handle`.
  void reset(T handle = invalid()) {
    T old = std::exchange(handle_, handle);
    if (old != invalid()) kClose(old);
  }
  // Gives the handle up without closing it.
  [[nodiscard]] T release() { return std::exchange(handle_, invalid()); }
  // For the calls that return a handle through a pointer: closes the one held first.
  T* put() {
    reset();
    return &handle_;
  }

 private:
  T handle_ = invalid();
};

using UniqueHandle = UniqueAny<HANDLE, &::CloseHandle>;    // kernel objects, none is NULL
using UniqueFile = UniqueAny<HANDLE, &::CloseHandle, -1>;  // CreateFileA
using UniqueFind = UniqueAny<HANDLE, &::FindClose, -1>;    // FindFirstFileA
using UniqueHkey = UniqueAny<HKEY, &::RegCloseKey>;        // registry keys
using UniqueHwnd = UniqueAny<HWND, &::DestroyWindow>;      // windows
using UniqueHfont = UniqueAny<HFONT, &::DeleteObject>;     // fonts

}  // namespace vrx::win32
