#include "ui/Box.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace ui {

Box::Box(table::Place place, render::Rgb background, Order order)
    : place_(place), order_(order), surface_(place.w, place.h, ordered(background)) {}

render::Rgb Box::ordered(render::Rgb colour) const {
  return order_ == Order::kCanvas ? canvasorder(colour) : colour;
}

void Box::setbackcolor(render::Rgb colour) { surface_.setbackground(ordered(colour)); }

void Box::setpicture(const Packed& picture) {
  if (!picture.valid()) return;
  const bool reorder = picture.rgba != (order_ == Order::kCanvas);
  for (int y = 0; y < std::min(picture.height, surface_.height()); ++y) {
    const unsigned char* row = picture.pixels + static_cast<size_t>(y) * picture.width * 4;
    for (int x = 0; x < std::min(picture.width, surface_.width()); ++x) {
      uint32_t pixel;
      std::memcpy(&pixel, row + static_cast<size_t>(x) * 4, 4);
      const render::Rgb opaque = render::rgb(pixel);  // in either order, alpha is the top byte
      surface_.row(y)[x] = reorder ? canvasorder(opaque) : opaque;
    }
  }
}

void Box::setleft(int x) {
  place_.x = x;
  placed();
}

void Box::settop(int y) {
  place_.y = y;
  placed();
}

void Box::setwidth(int w) {
  place_.w = w;
  surface_.resize(place_.w, place_.h);
  placed();
}

void Box::setheight(int h) {
  place_.h = h;
  surface_.resize(place_.w, place_.h);
  placed();
}

}  // namespace ui
