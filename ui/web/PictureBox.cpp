#include "ui/web/PictureBox.h"

#include <cstddef>
#include <cstring>

namespace ui {

PictureBox::PictureBox(page::Element form, table::Place place, render::Rgb background, bool shown)
    : place_(place), surface_(place.w, place.h, canvasorder(background)) {
  if (shown) canvas_ = page::create(page::Kind::Canvas, form, place.x, place.y, place.w, place.h);
}

void PictureBox::setpicture(const Packed& picture) {
  if (!picture.valid()) return;
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      uint32_t argb;
      std::memcpy(&argb, picture.pixels + (static_cast<size_t>(y) * picture.width + x) * 4, 4);
      surface_.setpixel(x, y, canvasorder(render::rgb(argb)));
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
  page::show(canvas_, surface_.data(), surface_.width(), surface_.height());
}

}  // namespace ui
