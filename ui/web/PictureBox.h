#pragma once

#include "ui/Box.h"
#include "ui/Table.h"
#include "ui/web/Page.h"

#include <string_view>

namespace ui {

// A picture box on the page. A shown box is a canvas, which takes the image as it lies, in the
// canvas's order; a hidden one is never shown, so it has no element at all, only its image.
class PictureBox final : public Box {
 public:
  PictureBox(std::string_view name, page::Element form, table::Place place, render::Rgb background,
             bool shown);

  page::Element element() const { return canvas_; }

  // Brings the whole image to the canvas now, before the handler that asked returns.
  void repaint();

 private:
  void placed() override;

  page::Element canvas_ = -1;
};

}  // namespace ui
