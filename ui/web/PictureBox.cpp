#include "ui/web/PictureBox.h"

namespace ui {

PictureBox::PictureBox(std::string_view name, page::Element form, table::Place place,
                       render::Rgb background, bool shown)
    : Box(place, background, Order::kCanvas) {
  if (shown)
    canvas_ = page::create(page::tag::kCanvas, name, form, place.x, place.y, place.w, place.h);
}

void PictureBox::placed() {
  const table::Place p = place();
  if (canvas_ >= 0) page::place(canvas_, p.x, p.y, p.w, p.h);
}

void PictureBox::repaint() {
  if (canvas_ < 0) return;
  page::putimage(canvas_, surface().data(), surface().width(), surface().height());
}

}  // namespace ui
