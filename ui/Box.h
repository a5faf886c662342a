#pragma once

#include "render/Surface.h"
#include "ui/Packed.h"
#include "ui/Table.h"

namespace ui {

// A colour in a web canvas's byte order: 0xAARRGGBB becomes 0xAABBGGRR, which a little-endian
// memory holds as R, G, B, A.
constexpr render::Rgb canvasorder(render::Rgb c) {
  return (c & 0xFF00FF00u) | ((c >> 16) & 0xFFu) | ((c & 0xFFu) << 16);
}

// What a picture box is on every front end: a place in the window and a persistent pixel image
// that the game draws into, which holds its pixels while the box is hidden. Each front end adds
// how its box is placed and shown. The image keeps its pixels as the front end shows them: as
// 0xFFRRGGBB words, or in a web canvas's order; every colour and picture that enters it is put
// in that order here, and the game itself only ever copies pixels between images.
class Box {
 public:
  enum class Order { kWords, kCanvas };

  Box(table::Place place, render::Rgb background, Order order = Order::kWords);
  Box(const Box&) = delete;
  Box& operator=(const Box&) = delete;

  render::Surface& surface() { return surface_; }
  const render::Surface& surface() const { return surface_; }
  // Where the box is, in the window's pixels.
  table::Place place() const { return place_; }

  // Setting the background colour clears the whole image to it.
  void setbackcolor(render::Rgb colour);
  // Paints a picture at (0, 0) of the image, over the background, every pixel opaque.
  void setpicture(const Packed& picture);

  // Moving and sizing the box; a new size resizes the image, keeping what fits.
  void setleft(int x);
  void settop(int y);
  void setwidth(int w);
  void setheight(int h);

 protected:
  ~Box() = default;

 private:
  // Moves and sizes the front end's own box to place().
  virtual void placed() = 0;
  render::Rgb ordered(render::Rgb colour) const;

  table::Place place_;
  Order order_;
  render::Surface surface_;
};

}  // namespace ui
