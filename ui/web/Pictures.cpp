#include "ui/web/Pictures.h"

namespace ui {

Packed picture(std::string_view name) {
  for (const Embedded& e : embedded()) {
    if (e.name == name) return unpack(e.data, e.size);
  }
  return {};
}

}  // namespace ui
