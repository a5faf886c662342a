#pragma once

#include "render/Surface.h"
#include "ui/Box.h"
#include "ui/Table.h"

#include <windows.h>

#include <cstdint>

namespace ui {

class Window;

// A picture box as a child window, placed in the window's pixels at 96 dpi and scaled with the
// screen. It shows its image through a device-independent bitmap header over the image's own
// pixels: painting copies nothing first.
class PictureBox final : public Box {
 public:
  // Registers the window class that every picture box uses.
  static bool registerclass(HINSTANCE instance);

  PictureBox(HWND parent, int id, table::Place place, render::Rgb background, bool shown);
  ~PictureBox();
  PictureBox(const PictureBox&) = delete;
  PictureBox& operator=(const PictureBox&) = delete;

  HWND hwnd() const { return hwnd_; }

  // Places the box on a screen of `dpi` dots per inch, every pixel of it scaled.
  void scale(UINT dpi);

  // Brings the image to the screen now, through a drawing context obtained for this call.
  void repaint();

  // The window whose playfield this box is: it hears the pointer's moves, in the image's pixels,
  // and presses of any mouse button. The other boxes take no input.
  Window* events = nullptr;

 private:
  static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT handle(UINT msg, WPARAM wp, LPARAM lp);
  void onpaint();
  void onmousemove(LPARAM lp);
  void onpress();
  void paint(HDC dc);
  void placed() override;

  HWND hwnd_ = nullptr;
  UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
};

}  // namespace ui
