#pragma once

#include "game/Module1.h"
#include "game/Round.h"
#include "ui/Box.h"
#include "ui/Table.h"

#include <cstddef>
#include <optional>
#include <string_view>
#include <utility>

namespace ui {

// What every front end's window holds of the game: the state and the rules, made once the picture
// boxes that they draw on exist, and the round's procedures. Each front end's Form1 adds its
// controls, how it shows them and how it lays them out.
class Window {
 public:
  Window() = default;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  game::Module1& module1() { return *module1_; }

  // The events that drive the game, one way in for each: a front end turns its toolkit's event
  // into one of these calls and does nothing else with it, so the rules are called from here.
  // The pointer moved over mainscr, to x in mainscr's pixels, fractional where the toolkit says.
  void mainscrmousemove(double x) { module1_->movepaddle(game::pointerx(x)); }
  // A mouse button, any of them, or a finger went down on mainscr.
  void mainscrmousedown() { startround(); }
  // "START" was pressed, with the pointer or the keyboard.
  void command1click() { startround(); }
  // The player chose a speed in the list, which keeps the choice itself: nothing reads it in
  // this version.
  void combo1change(int /*index*/) {}
  // Timer1's period came round.
  void timer1timer() { tick(); }

  // The round's procedures.
  void startround() { round_->startround(); }
  void tick() { round_->tick(); }
  void endround1() { round_->endround1(); }
  void endround2() { round_->endround2(); }

  // Lays mainscr and offscr over the playfield well.
  virtual void initscreen() = 0;
  // Fills the speed list.
  virtual void initspeed() = 0;

 protected:
  ~Window() = default;

  // Makes the state and the rules, which draw on the four boxes, bring mainscr to the screen
  // through `screen` and grey out the controls through `controls`.
  void begin(Box& mainscr, Box& offscr, Box& paddle, Box& ball, render::Screen& screen,
             game::Controls& controls);

  // What initscreen does with the two boxes: each is moved to (left, top), the playfield well's
  // place in the front end's window, and sized to the well, in that order; then offscr is
  // cleared to white.
  static void layplayfield(Box& mainscr, Box& offscr, int left = table::kPlayfield.x,
                           int top = table::kPlayfield.y);
  // What initspeed does through the front end's list: the speeds appended in order, the first
  // one chosen.
  template <typename Append, typename Choose>
  static void fillspeeds(Append append, Choose choose) {
    for (std::string_view speed : table::kSpeeds) append(speed);
    choose(0);
  }

 private:
  std::optional<game::Module1> module1_;
  std::optional<game::Round> round_;
};

// Calls `apply` with the controls of `named`, pairs of a name and a front end's control, in the
// focus order; names that `named` leaves out are passed over.
template <typename Control, size_t N, typename Apply>
void infocusorder(const std::pair<std::string_view, Control> (&named)[N], Apply apply) {
  for (std::string_view name : table::kFocusOrder)
    for (const auto& [n, control] : named)
      if (n == name) apply(control);
}

// The start-up between creating the window and showing it: initscreen, initspeed, initgame, and
// the first frame, which is in place before the window first shows.
void prepare(Window& form);

}  // namespace ui
