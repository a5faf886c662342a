#pragma once

#include <windows.h>

#include <string_view>
#include <vector>

struct IAccPropServices;

namespace ui {

// Names and descriptions for screen readers, laid over the standard ones that Windows derives
// from the windows' texts (dynamic annotation): the caption stays "ポムラン" while the window is
// heard as "Pomuran (ポムラン)", and the playfield, which has no text, gets a name at all.
// Where the annotation service is missing, nothing is annotated and the standard names stay.
class Accessible {
 public:
  Accessible();
  ~Accessible();
  Accessible(const Accessible&) = delete;
  Accessible& operator=(const Accessible&) = delete;

  void name(HWND hwnd, std::string_view text);
  void description(HWND hwnd, std::string_view text);
  // Takes every annotation back; due before the windows are destroyed.
  void clear();

 private:
  void set(HWND hwnd, const GUID& property, std::string_view text);

  IAccPropServices* services_ = nullptr;
  std::vector<HWND> annotated_;
};

}  // namespace ui
