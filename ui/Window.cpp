#include "ui/Window.h"

namespace ui {

void Window::begin(Box& mainscr, Box& offscr, Box& paddle, Box& ball, render::Screen& screen,
                   game::Controls& controls) {
  module1_.emplace(
      render::Surfaces{mainscr.surface(), offscr.surface(), paddle.surface(), ball.surface()},
      screen);
  round_.emplace(*module1_, controls);
}

void Window::layplayfield(Box& mainscr, Box& offscr, int left, int top) {
  for (Box* box : {&mainscr, &offscr}) {
    box->setleft(left);
    box->settop(top);
    box->setwidth(table::kPlayfield.w);
    box->setheight(table::kPlayfield.h);
  }
  offscr.setbackcolor(render::kWhite);
}

void prepare(Window& form) {
  form.initscreen();
  form.initspeed();
  form.module1().initgame();
  form.module1().frame.drawall();
}

}  // namespace ui
