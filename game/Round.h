#pragma once

#include "game/Module1.h"

namespace game {

// The two window controls that a round locks: the start button and the speed list.
class Controls {
 public:
  virtual ~Controls() = default;
  virtual void enablecommand1(bool on) = 0;
  virtual void enablecombo1(bool on) = 0;
};

// When the ball flies. The window owns one and forwards its button, press and timer events here,
// so the same procedures run with a real window and with a test double.
class Round {
 public:
  Round(Module1& module1, Controls& controls) : m_(module1), c_(controls) {}

  void startround();
  void tick();
  void endround1() { endround(); }
  void endround2() { endround(); }

 private:
  void endround();

  Module1& m_;
  Controls& c_;
};

}  // namespace game
