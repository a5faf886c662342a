#include "game/Round.h"
#include "game/Constants.h"

namespace game {

void Round::startround() {
  if (m_.gs.playing) return;
  c_.enablecommand1(false);
  c_.enablecombo1(false);
  m_.gs.playing = kTrue;
}

void Round::tick() {
  if (!m_.gs.playing) return;
  m_.moveball();
  if (m_.endtest1()) endround1();
  if (m_.endtest2()) endround2();
}

void Round::endround() {
  if (!m_.gs.playing) return;
  c_.enablecommand1(true);
  c_.enablecombo1(true);
  m_.gs.playing = kFalse;
}

}  // namespace game
