#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

struct IAccPropServices;

namespace ui {

// Names and descriptions for screen readers, laid over the standard ones that Windows derives
// from the windows' texts (dynamic annotation): the caption stays "ポムラン" while the window is
// heard as "Pomuran (ポムラン)", and the playfield, which has no text, gets a name at all.
// A start without a screen reader needs none of it, so the annotation service, and COM with it,
// start when a screen reader first asks one of the annotated windows for its accessible object;
// until then the texts wait here. Where the service is missing, the standard names stay.
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
  struct Annotation {
    HWND hwnd;
    const GUID* property;
    std::wstring text;
  };
  // A window whose own procedure waits behind this class's until a screen reader asks.
  struct Watched {
    HWND hwnd;
    WNDPROC proc;
  };
  void set(HWND hwnd, const GUID& property, std::string_view text);
  void apply(const Annotation& a) const;
  void watch(HWND hwnd);
  void unwatch();
  void start();
  static LRESULT CALLBACK onmessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  bool started_ = false;
  bool com_ = false;
  IAccPropServices* services_ = nullptr;
  std::vector<Annotation> annotations_;
  std::vector<Watched> watched_;
};

}  // namespace ui
