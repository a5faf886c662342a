#include "ui/web/Startup.h"

#include <emscripten/emscripten.h>

namespace ui {

Form1* Main() {
  // The page is the window's only owner and never closes it from inside: the window lives as
  // long as the page, and goes with it.
  auto* form = new Form1;
  prepare(*form);
  form->show();
  return form;
}

}  // namespace ui

// What the page calls: the entry, and one function for each kind of event, each with the window
// that Main returned and the element that the event happened on.
extern "C" {

EMSCRIPTEN_KEEPALIVE ui::Form1* pomuran_main() { return ui::Main(); }

EMSCRIPTEN_KEEPALIVE void pomuran_pointermove(ui::Form1* form, int element, double x) {
  if (form != nullptr) form->pointermove(element, x);
}

EMSCRIPTEN_KEEPALIVE void pomuran_pointerdown(ui::Form1* form, int element) {
  if (form != nullptr) form->pointerdown(element);
}

EMSCRIPTEN_KEEPALIVE void pomuran_click(ui::Form1* form, int element) {
  if (form != nullptr) form->click(element);
}

EMSCRIPTEN_KEEPALIVE void pomuran_change(ui::Form1* form, int element, int index) {
  if (form != nullptr) form->change(element, index);
}

EMSCRIPTEN_KEEPALIVE void pomuran_timer(ui::Form1* form) {
  if (form != nullptr) form->timer1timer();
}
}
