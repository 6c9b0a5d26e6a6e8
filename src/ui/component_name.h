// How a control carries its component name, so that another process (the
// end-to-end tests' window driver) can find it: the window property
// "TarnoComponentName" holds a global atom whose name is the component name.
// Properties are kept by the window manager, so they can be read from any
// process; the atom is released when the property is removed.
#pragma once

#include <windows.h>

#include <string>

namespace ui {

inline constexpr char kComponentNameProperty[] = "TarnoComponentName";

// Tags `window` with `name`. Returns false when the atom or property cannot be made.
inline bool SetComponentName(HWND window, const std::string& name) {
  ATOM atom = ::GlobalAddAtomA(name.c_str());
  if (atom == 0) return false;
  if (!::SetPropA(window, kComponentNameProperty, reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(atom)))) {
    ::GlobalDeleteAtom(atom);
    return false;
  }
  return true;
}

// The component name of `window`, from any process; empty when it has none.
inline std::string GetComponentName(HWND window) {
  ATOM atom = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(::GetPropA(window, kComponentNameProperty)));
  if (atom == 0) return {};
  char name[256];
  UINT n = ::GlobalGetAtomNameA(atom, name, sizeof(name));
  return std::string(name, n);
}

// Removes the tag and releases its atom; called when the window is destroyed.
inline void ClearComponentName(HWND window) {
  ATOM atom = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(::RemovePropA(window, kComponentNameProperty)));
  if (atom != 0) ::GlobalDeleteAtom(atom);
}

}  // namespace ui
