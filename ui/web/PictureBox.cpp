#include "ui/web/PictureBox.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace ui {

PictureBox::PictureBox(std::string_view name, page::Element form, table::Place place,
                       render::Rgb background, bool shown)
    : place_(place), surface_(place.w, place.h, canvasorder(background)) {
  if (shown)
    canvas_ = page::create(page::tag::kCanvas, name, form, place.x, place.y, place.w, place.h);
}

void PictureBox::setpicture(const Packed& picture) {
  if (!picture.valid()) return;
  for (int y = 0; y < std::min(picture.height, surface_.height()); ++y) {
    const unsigned char* row = picture.pixels + static_cast<size_t>(y) * picture.width * 4;
    for (int x = 0; x < std::min(picture.width, surface_.width()); ++x) {
      uint32_t pixel;
      std::memcpy(&pixel, row + static_cast<size_t>(x) * 4, 4);
      const render::Rgb opaque = render::rgb(pixel);  // in either order, alpha is the top byte
      surface_.row(y)[x] = picture.rgba ? opaque : canvasorder(opaque);
    }
  }
}

void PictureBox::setleft(int x) {
  place_.x = x;
  place();
}

void PictureBox::settop(int y) {
  place_.y = y;
  place();
}

void PictureBox::setwidth(int w) {
  place_.w = w;
  surface_.resize(place_.w, place_.h);
  place();
}

void PictureBox::setheight(int h) {
  place_.h = h;
  surface_.resize(place_.w, place_.h);
  place();
}

void PictureBox::place() {
  if (canvas_ >= 0) page::place(canvas_, place_.x, place_.y, place_.w, place_.h);
}

void PictureBox::repaint() {
  if (canvas_ < 0) return;
  page::putimage(canvas_, surface_.data(), surface_.width(), surface_.height());
}

}  // namespace ui
