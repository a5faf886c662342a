#pragma once

#include "ui/Window.h"
#include "ui/web/Page.h"
#include "ui/web/PictureBox.h"

#include <optional>
#include <string_view>

namespace ui {

// Timer1: the page's interval timer, which calls back on the page's one thread once per period.
// A period missed while the page was busy, hidden or asleep is not made up afterwards, so the
// ball moves on and never jumps.
class Timer {
 public:
  explicit Timer(int periodms) { page::settimer(periodms); }
};

// The game's one window, made of the page's elements. It creates its controls and forwards their
// events at once to the game that it holds (ui::Window).
class Form1 final : public Window, private game::Controls, private render::Screen {
 public:
  // Creates the window and its controls, hidden.
  Form1();
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;

  void initscreen() override;
  void initspeed() override;
  // Shows the window, with the focus on "START".
  void show();

  // The page's events on the window's elements; each goes at once to the rule it drives.
  void pointermove(page::Element e, double x);
  void pointerdown(page::Element e);
  void click(page::Element e);
  void change(page::Element e, int index);

  // The controls, in creation order.
  Timer Timer1;
  page::Element Combo1 = -1;
  page::Element Command1 = -1;
  std::optional<PictureBox> paddle;
  std::optional<PictureBox> ball;
  std::optional<PictureBox> mainscr;
  std::optional<PictureBox> blocks;
  std::optional<PictureBox> offscr;
  page::Element lblball = -1;
  page::Element lblscore = -1;
  page::Element lblhiscore = -1;
  page::Element lblstage = -1;
  page::Element Label1 = -1;

 private:
  void paintbackground();
  void createcontrols();
  void createpictureboxes();
  void createlabels();
  page::Element value(std::string_view name, table::Place place, table::Value v);
  void setlabelfont();
  void setfocusorder();
  void annotate();
  void describeplayfield(bool playing);

  void enablecommand1(bool on) override;
  void enablecombo1(bool on) override { page::enable(Combo1, on); }
  void repaint() override { mainscr->repaint(); }

  page::Element form_ = -1;
};

}  // namespace ui
