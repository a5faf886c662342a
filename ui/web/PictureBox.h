#pragma once

#include "render/Surface.h"
#include "ui/Packed.h"
#include "ui/Table.h"
#include "ui/web/Page.h"
#include "ui/web/Pictures.h"

#include <string_view>

namespace ui {

// A box with its own persistent pixel image, kept as a render::Surface that the game draws
// into, in the canvas's byte order (canvasorder). A shown box is a canvas of the page; a hidden
// one is never shown, so it has no element at all, only its image.
class PictureBox {
 public:
  PictureBox(std::string_view name, page::Element form, table::Place place, render::Rgb background,
             bool shown);
  PictureBox(const PictureBox&) = delete;
  PictureBox& operator=(const PictureBox&) = delete;

  page::Element element() const { return canvas_; }
  render::Surface& surface() { return surface_; }

  // Setting the background colour clears the whole image to it.
  void setbackcolor(render::Rgb colour) { surface_.setbackground(canvasorder(colour)); }
  // Paints a picture at (0, 0) of the image, over the background.
  void setpicture(const Packed& picture);

  // Moving and sizing the box in the window's pixels; a new size resizes the image, keeping
  // what fits.
  void setleft(int x);
  void settop(int y);
  void setwidth(int w);
  void setheight(int h);

  // Brings the whole image to the canvas now, before the handler that asked returns.
  void repaint();

 private:
  void place();

  page::Element canvas_ = -1;
  table::Place place_;
  render::Surface surface_;
};

}  // namespace ui
