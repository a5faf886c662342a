#pragma once

#include "render/Surface.h"
#include "ui/Packed.h"
#include "ui/Table.h"

#include <windows.h>

#include <cstdint>
#include <functional>

namespace ui {

// A child window with its own persistent pixel image, kept as a render::Surface that the game
// draws into. The window shows the surface through a device-independent bitmap header over the
// surface's own pixels: painting copies nothing first.
class PictureBox {
 public:
  // Registers the window class that every picture box uses.
  static bool registerclass(HINSTANCE instance);

  PictureBox(HWND parent, int id, table::Place place, render::Rgb background, bool shown);
  ~PictureBox();
  PictureBox(const PictureBox&) = delete;
  PictureBox& operator=(const PictureBox&) = delete;

  HWND hwnd() const { return hwnd_; }
  render::Surface& surface() { return surface_; }

  // Setting the background colour clears the whole image to it.
  void setbackcolor(render::Rgb colour) { surface_.setbackground(colour); }
  // Paints a picture at (0, 0) of the image, over the background.
  void setpicture(const Packed& picture);

  // Moving and sizing the box in the window's pixels at 96 dpi; a new size resizes the image,
  // keeping what fits.
  void setleft(int x);
  void settop(int y);
  void setwidth(int w);
  void setheight(int h);
  // Places the box on a screen of `dpi` dots per inch, every pixel of it scaled.
  void scale(UINT dpi);

  // Brings the image to the screen now, through a drawing context obtained for this call.
  void repaint();

  // The pointer's moves in the image's pixels, and presses of any mouse button.
  std::function<void(double x)> mousemoved;
  std::function<void()> mousepressed;

 private:
  static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT handle(UINT msg, WPARAM wp, LPARAM lp);
  void onpaint();
  void onmousemove(LPARAM lp);
  void onpress();
  void show(HDC dc);
  void place();

  HWND hwnd_ = nullptr;
  table::Place place_;
  UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
  render::Surface surface_;
};

}  // namespace ui
