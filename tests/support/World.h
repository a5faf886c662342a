#pragma once

#include "game/Constants.h"
#include "game/Module1.h"
#include "game/Round.h"
#include "render/Frame.h"
#include "render/Surface.h"
#include "ui/Table.h"

#include <string>

namespace testing_world {

// Stand-in sprite colours: each sprite's shown frame is one solid colour, so a pixel tells
// which sprite put it there.
constexpr render::Rgb kPaddleInk = render::rgb(0xFF0000);
constexpr render::Rgb kBallInk = render::rgb(0x0000FF);

class CountingScreen : public render::Screen {
 public:
  void repaint() override { ++repaints; }
  int repaints = 0;
};

class RecordingControls : public game::Controls {
 public:
  void enablecommand1(bool on) override {
    command1 = on;
    log += on ? "+command1 " : "-command1 ";
  }
  void enablecombo1(bool on) override {
    combo1 = on;
    log += on ? "+combo1 " : "-combo1 ";
  }
  bool command1 = true;
  bool combo1 = true;
  std::string log;
};

inline void paintsprite(render::Surface& s, int w, int h, render::Rgb ink) {
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) s.setpixel(x, y, ink);
}

// The game on plain surfaces, started as the program starts: state set, first frame drawn.
struct World {
  render::Surface mainscr{game::kFieldWidth, game::kFieldHeight, ui::table::kGrey};
  render::Surface offscr{game::kFieldWidth, game::kFieldHeight, render::kWhite};
  render::Surface paddle{ui::table::kPaddle.w, ui::table::kPaddle.h, render::kWhite};
  render::Surface ball{ui::table::kBall.w, ui::table::kBall.h, render::kWhite};
  CountingScreen screen;
  RecordingControls controls;
  game::Module1 m{{mainscr, offscr, paddle, ball}, screen};
  game::Round round{m, controls};

  World() {
    paintsprite(paddle, game::kPaddleW, game::kPaddleH, kPaddleInk);
    paintsprite(ball, game::kBallW, game::kBallH, kBallInk);
    m.initgame();
    m.frame.drawall();
  }

  // What offscr should hold for the current state: white with the paddle, then the ball.
  render::Surface composed() const {
    render::Surface s(game::kFieldWidth, game::kFieldHeight, render::kWhite);
    const game::GameState& g = m.gs;
    render::bitblt(s, g.paddlex, g.paddley, g.paddlew, g.paddleh, paddle, 0, 0);
    render::bitblt(s, g.ballx, g.bally, g.ballw, g.ballh, ball, 0, 0);
    return s;
  }
};

}  // namespace testing_world
