// Owning wrappers for every kind of Win32 handle the setup acquires.
//
// One move-only template, one small traits struct per kind. The owner closes
// the handle when it goes out of scope or is reset; closing never changes the
// thread's last-error value, so a caller may still read GetLastError() after
// an early return that released handles on the way out.
#pragma once

#include <windows.h>
#include <winsvc.h>

#include <utility>

namespace win32 {

template <class Traits>
class ScopedGeneric {
 public:
  using Type = typename Traits::Type;

  ScopedGeneric() = default;
  explicit ScopedGeneric(Type value) : value_(value) {}
  ScopedGeneric(const ScopedGeneric&) = delete;
  ScopedGeneric& operator=(const ScopedGeneric&) = delete;
  ScopedGeneric(ScopedGeneric&& other) noexcept : value_(other.release()) {}
  ScopedGeneric& operator=(ScopedGeneric&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~ScopedGeneric() { reset(); }

  Type get() const { return value_; }
  bool valid() const { return Traits::IsValid(value_); }
  explicit operator bool() const { return valid(); }

  // Takes ownership of `value`, closing what was held before.
  void reset(Type value = Traits::Null()) {
    if (Traits::IsValid(value_)) {
      DWORD saved = ::GetLastError();
      Traits::Close(value_);
      ::SetLastError(saved);
    }
    value_ = value;
  }

  // Gives up ownership without closing.
  Type release() { return std::exchange(value_, Traits::Null()); }

  // For APIs that return a handle through an out parameter. Closes what was held.
  Type* receive() {
    reset();
    return &value_;
  }

 private:
  Type value_ = Traits::Null();
};

// Kernel objects: files, processes, threads, events, pipes. CreateFile answers
// INVALID_HANDLE_VALUE and most others NULL; both count as "no handle".
struct HandleTraits {
  using Type = HANDLE;
  static Type Null() { return nullptr; }
  static bool IsValid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(Type h) { ::CloseHandle(h); }
};

struct FindHandleTraits {
  using Type = HANDLE;
  static Type Null() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(Type h) { ::FindClose(h); }
};

struct RegKeyTraits {
  using Type = HKEY;
  static Type Null() { return nullptr; }
  static bool IsValid(Type h) { return h != nullptr; }
  static void Close(Type h) { ::RegCloseKey(h); }
};

struct ModuleTraits {
  using Type = HMODULE;
  static Type Null() { return nullptr; }
  static bool IsValid(Type h) { return h != nullptr; }
  static void Close(Type h) { ::FreeLibrary(h); }
};

// GDI objects the setup creates or loads: brushes, bitmaps, fonts.
template <class Object>
struct GdiObjectTraits {
  using Type = Object;
  static Type Null() { return nullptr; }
  static bool IsValid(Type h) { return h != nullptr; }
  static void Close(Type h) { ::DeleteObject(h); }
};

struct ServiceHandleTraits {
  using Type = SC_HANDLE;
  static Type Null() { return nullptr; }
  static bool IsValid(Type h) { return h != nullptr; }
  static void Close(Type h) { ::CloseServiceHandle(h); }
};

// A COM interface pointer: released, never deleted.
template <class Interface>
struct ComTraits {
  using Type = Interface*;
  static Type Null() { return nullptr; }
  static bool IsValid(Type p) { return p != nullptr; }
  static void Close(Type p) { p->Release(); }
};

using ScopedHandle = ScopedGeneric<HandleTraits>;
using ScopedFindHandle = ScopedGeneric<FindHandleTraits>;
using ScopedRegKey = ScopedGeneric<RegKeyTraits>;
using ScopedModule = ScopedGeneric<ModuleTraits>;
using ScopedServiceHandle = ScopedGeneric<ServiceHandleTraits>;
using ScopedBrush = ScopedGeneric<GdiObjectTraits<HBRUSH>>;
using ScopedBitmap = ScopedGeneric<GdiObjectTraits<HBITMAP>>;

// A window's device context from GetDC, released to that window (the screen's
// for a null window). It belongs to the window, so it is not movable.
class ScopedGetDC {
 public:
  explicit ScopedGetDC(HWND window) : window_(window), dc_(::GetDC(window)) {}
  ScopedGetDC(const ScopedGetDC&) = delete;
  ScopedGetDC& operator=(const ScopedGetDC&) = delete;
  ~ScopedGetDC() {
    if (dc_ == nullptr) return;
    DWORD saved = ::GetLastError();
    ::ReleaseDC(window_, dc_);
    ::SetLastError(saved);
  }

  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HWND window_;
  HDC dc_;
};
template <class Interface>
using ScopedComPtr = ScopedGeneric<ComTraits<Interface>>;

}  // namespace win32
