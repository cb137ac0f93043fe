// Owners for the system's handles: one owner per handle, movable, never copied. Each traits
// type says which value means "nothing" and how the handle is given back.
#pragma once

#include <windows.h>
// after windows.h
#include <commctrl.h>

namespace orvex {

template <typename Traits>
class UniqueResource {
 public:
  using Type = typename Traits::Type;

  UniqueResource() = default;
  explicit UniqueResource(Type value) : value_(value) {}
  ~UniqueResource() { Reset(); }
  UniqueResource(UniqueResource&& other) noexcept : value_(other.Release()) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;

  Type Get() const { return value_; }
  bool Valid() const { return value_ != Traits::Invalid(); }
  explicit operator bool() const { return Valid(); }

  // Gives up ownership without closing.
  Type Release() {
    Type value = value_;
    value_ = Traits::Invalid();
    return value;
  }
  void Reset(Type value = Traits::Invalid()) {
    if (value_ == value) return;
    if (Valid()) Traits::Close(value_);
    value_ = value;
  }
  // For functions that hand the handle back through an out parameter.
  Type* Put() {
    Reset();
    return &value_;
  }

 private:
  Type value_ = Traits::Invalid();
};

namespace handle_traits {

struct Kernel {  // events, threads, processes, mappings, mutexes: null when absent
  using Type = HANDLE;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { CloseHandle(h); }
};
struct File {  // CreateFile and friends: INVALID_HANDLE_VALUE when absent
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Type h) { CloseHandle(h); }
};
struct Find {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Type h) { FindClose(h); }
};
template <typename T>
struct Gdi {
  using Type = T;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { DeleteObject(h); }
};
struct Menu {
  using Type = HMENU;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { DestroyMenu(h); }
};
struct Icon {
  using Type = HICON;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { DestroyIcon(h); }
};
struct ImageList {
  using Type = HIMAGELIST;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ImageList_Destroy(h); }
};
struct View {
  using Type = void*;
  static Type Invalid() { return nullptr; }
  static void Close(Type p) { UnmapViewOfFile(p); }
};
struct Module {
  using Type = HMODULE;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { FreeLibrary(h); }
};
struct RegistryKey {
  using Type = HKEY;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { RegCloseKey(h); }
};
struct Global {  // GlobalAlloc memory, e.g. clipboard data not yet handed to the clipboard
  using Type = HGLOBAL;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { GlobalFree(h); }
};
struct Local {  // LocalAlloc memory, e.g. FormatMessage's buffer
  using Type = HLOCAL;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { LocalFree(h); }
};

}  // namespace handle_traits

using UniqueHandle = UniqueResource<handle_traits::Kernel>;
using UniqueFile = UniqueResource<handle_traits::File>;
using UniqueFind = UniqueResource<handle_traits::Find>;
using UniqueFont = UniqueResource<handle_traits::Gdi<HFONT>>;
using UniqueBitmap = UniqueResource<handle_traits::Gdi<HBITMAP>>;
using UniqueBrush = UniqueResource<handle_traits::Gdi<HBRUSH>>;
using UniquePen = UniqueResource<handle_traits::Gdi<HPEN>>;
using UniqueMenu = UniqueResource<handle_traits::Menu>;
using UniqueIcon = UniqueResource<handle_traits::Icon>;
using UniqueImageList = UniqueResource<handle_traits::ImageList>;
using UniqueView = UniqueResource<handle_traits::View>;
using UniqueModule = UniqueResource<handle_traits::Module>;
using UniqueKey = UniqueResource<handle_traits::RegistryKey>;
using UniqueGlobal = UniqueResource<handle_traits::Global>;
using UniqueLocal = UniqueResource<handle_traits::Local>;

}  // namespace orvex
