#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace ui::gdi {

// Owns one GDI object (a brush, a font) and deletes it when it goes or is replaced.
template <typename Handle>
class Object {
 public:
  Object() = default;
  explicit Object(Handle h) : h_(h) {}
  ~Object() { reset(); }
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;
  Object(Object&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
  Object& operator=(Object&& o) noexcept {
    if (this != &o) reset(std::exchange(o.h_, nullptr));
    return *this;
  }

  Handle get() const { return h_; }
  void reset(Handle h = nullptr) {
    if (h_ != nullptr) DeleteObject(h_);
    h_ = h;
  }

 private:
  Handle h_ = nullptr;
};

using Brush = Object<HBRUSH>;
using Font = Object<HFONT>;

// A length in the window's pixels at 96 dpi, as it is on a screen of `dpi` dots per inch.
inline int scaled(int v, UINT dpi) {
  return MulDiv(v, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI);
}

// A window's drawing context, obtained afresh and given back at the end of the scope.
class WindowDc {
 public:
  explicit WindowDc(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
  ~WindowDc() {
    if (dc_ != nullptr) ReleaseDC(hwnd_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;

  HDC get() const { return dc_; }

 private:
  HWND hwnd_;
  HDC dc_;
};

// Selects an object into a drawing context for the scope and puts the old one back.
class Selected {
 public:
  Selected(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
  ~Selected() { SelectObject(dc_, old_); }
  Selected(const Selected&) = delete;
  Selected& operator=(const Selected&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// The shared table's texts are UTF-8; Windows' wide-char functions take UTF-16.
inline std::wstring wide(std::string_view utf8) {
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

inline std::string utf8(std::wstring_view text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

// Colours of the window's design as GDI colour references.
constexpr COLORREF colorref(uint32_t rgb) {
  return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

}  // namespace ui::gdi
