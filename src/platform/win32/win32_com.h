// Owners for COM resources: interface pointers and BSTRs as win32_handles.h owns handles; VARIANTs,
// the EXCEPINFO a failing Invoke fills in, and the thread's COM apartment. Also the conversions
// between our ANSI texts and COM's wide ones.
#pragma once

#include <string>
#include <utility>

// clang-format off
#include "platform/win32/win32_windows.h"
#include <ole2.h>
// clang-format on

#include "platform/win32/win32_handles.h"

namespace vrx::win32 {

template <typename T>
void ReleaseReference(T* pointer) {
  pointer->Release();
}

// Owns one reference to a COM interface, released when its owner goes.
template <typename T>
class ComPtr : public UniqueAny<T*, &ReleaseReference<T>> {
 public:
  using UniqueAny<T*, &ReleaseReference<T>>::UniqueAny;
  T* operator->() const { return this->get(); }
  // For QueryInterface and its kind: releases the one held first.
  void** put_void() { return reinterpret_cast<void**>(this->put()); }
};

// Owns one BSTR.
using UniqueBstr = UniqueAny<BSTR, &::SysFreeString>;

// Owns one VARIANT: initialised empty, cleared (releasing what it holds) when its owner goes.
class UniqueVariant {
 public:
  UniqueVariant() { ::VariantInit(&value_); }
  UniqueVariant(const UniqueVariant&) = delete;
  UniqueVariant& operator=(const UniqueVariant&) = delete;
  ~UniqueVariant() { ::VariantClear(&value_); }

  VARIANT* get() { return &value_; }
  const VARIANT& operator*() const { return value_; }
  // Clears what is held, for a call that fills the VARIANT in.
  VARIANT* put() {
    ::VariantClear(&value_);
    return &value_;
  }

 private:
  VARIANT value_;
};

// Owns the texts that a failing IDispatch::Invoke leaves in its EXCEPINFO.
class UniqueExcepInfo {
 public:
  UniqueExcepInfo() = default;
  UniqueExcepInfo(const UniqueExcepInfo&) = delete;
  UniqueExcepInfo& operator=(const UniqueExcepInfo&) = delete;
  ~UniqueExcepInfo() {
    ::SysFreeString(info_.bstrSource);
    ::SysFreeString(info_.bstrDescription);
    ::SysFreeString(info_.bstrHelpFile);
  }

  EXCEPINFO* get() { return &info_; }
  const EXCEPINFO& operator*() const { return info_; }

 private:
  EXCEPINFO info_{};
};

// This thread's membership of a single-threaded COM apartment, left when its owner goes. Joining
// fails when the thread already belongs to a multithreaded apartment; COM can still be used then,
// and nothing is left at the end. CoInitialize joins the same apartment as CoInitializeEx with
// COINIT_APARTMENTTHREADED, and Windows 95 without DCOM has only the former.
class ComApartment {
 public:
  ComApartment() : result_(::CoInitialize(nullptr)) {}
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  ~ComApartment() {
    if (SUCCEEDED(result_)) ::CoUninitialize();
  }

  HRESULT result() const { return result_; }

 private:
  HRESULT result_;
};

// An ANSI text (the Windows code page) as a wide one, and back. Characters that the code page
// cannot hold become its default character.
inline std::wstring WideFromAnsi(const std::string& text) {
  if (text.empty()) return {};
  int length =
      ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

inline std::string AnsiFromWide(const wchar_t* text, size_t size) {
  if (text == nullptr || size == 0) return {};
  int length =
      ::WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(size), nullptr, 0, nullptr, nullptr);
  std::string ansi(static_cast<size_t>(length), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(size), ansi.data(), length, nullptr,
                        nullptr);
  return ansi;
}

// A BSTR's text, embedded NULs included.
inline std::string AnsiFromBstr(BSTR text) {
  return AnsiFromWide(text, text == nullptr ? 0 : ::SysStringLen(text));
}

// A new BSTR holding an ANSI text; empty when it cannot be allocated.
inline UniqueBstr BstrFromAnsi(const std::string& text) {
  std::wstring wide = WideFromAnsi(text);
  return UniqueBstr(::SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size())));
}

}  // namespace vrx::win32
