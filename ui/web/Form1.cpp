#include "ui/web/Form1.h"
#include "ui/Fonts.h"
#include "ui/web/Pictures.h"

#include <string>
#include <utility>

namespace ui {

namespace {

// Erase frames must match the white playfield, so the sprite boxes take a fixed white. A page
// cannot read the desktop's window colour into pixels, so the block sheet's box is white too.
constexpr render::Rgb kSpriteBack = render::kWhite;

// The labels' face that travels with the page (its style declares it): IPA P Gothic cut down
// to the glyphs that the labels show. The desktop's faces follow, for a page whose face did not
// load.
constexpr std::string_view kWebFace = "Pomuran Labels";

std::string fontfamily() {
  std::string family = '"' + std::string(kWebFace) + '"';
  for (std::string_view face : fonts::kLabelFaces) family += ", \"" + std::string(face) + '"';
  return family;
}

}  // namespace

Form1::Form1() : Timer1(table::kTickMs) {
  form_ = page::create(page::tag::kWindow, "Form1", -1, 0, 0, table::kClientWidth,
                       table::kClientHeight);
  paintbackground();
  createcontrols();
  createlabels();
  setfocusorder();
  begin(*mainscr, *offscr, *paddle, *ball, *this, *this);
  annotate();
}

// The background picture covers the whole client area, behind every control. The build puts it
// in the canvas's order at the client area's size, so the canvas takes it where the program holds
// it; any other picture is painted over the panel's grey first.
void Form1::paintbackground() {
  const Packed picture = ui::picture("background");
  const int w = table::kClientWidth;
  const int h = table::kClientHeight;
  const page::Element canvas = page::create(page::tag::kCanvas, "picture", form_, 0, 0, w, h);
  page::attribute(canvas, "aria-hidden", "true");
  if (picture.valid() && picture.rgba && picture.width == w && picture.height == h) {
    page::putimage(canvas, picture.pixels, w, h);
    return;
  }
  PictureBox client("picture", -1, {0, 0, w, h}, table::kPanel, false);
  client.setpicture(picture);
  page::putimage(canvas, client.surface().data(), w, h);
}

void Form1::createcontrols() {
  const table::Place c = table::kCombo1;
  Combo1 = page::create(page::tag::kList, "Combo1", form_, c.x, c.y, c.w, c.h);
  const table::Place b = table::kCommand1;
  Command1 = page::create(page::tag::kButton, "Command1", form_, b.x, b.y, b.w, b.h, table::kStart);
  createpictureboxes();
}

void Form1::createpictureboxes() {
  paddle.emplace("paddle", form_, table::kPaddle, kSpriteBack, false);
  paddle->setpicture(picture("paddle"));
  ball.emplace("ball", form_, table::kBall, kSpriteBack, false);
  ball->setpicture(picture("ball"));
  mainscr.emplace("mainscr", form_, table::kMainscr, table::kGrey, true);
  blocks.emplace("blocks", form_, table::kBlocks, render::kWhite, false);
  blocks->setpicture(picture("blocks"));
  offscr.emplace("offscr", form_, table::kOffscr, table::kGrey, false);
}

// A status value in light orange on the black strip. The word before it is part of the
// background picture, so screen readers hear it from text that only they read.
page::Element Form1::value(std::string_view name, table::Place p, table::Value v) {
  const page::Element e = page::create(page::tag::kText, name, form_, p.x, p.y, p.w, p.h, v.text);
  page::spoken(e, v.word);
  page::style(e, "color", page::css(table::kValueText));
  page::style(e, "background-color", page::css(render::kBlack));
  return e;
}

void Form1::createlabels() {
  lblball = value("lblball", table::kLblball, table::kBallValue);
  lblscore = value("lblscore", table::kLblscore, table::kScoreValue);
  lblhiscore = value("lblhiscore", table::kLblhiscore, table::kHiscoreValue);
  lblstage = value("lblstage", table::kLblstage, table::kStageValue);
  const table::Place l = table::kLabel1;
  Label1 = page::create(page::tag::kLabel, "Label1", form_, l.x, l.y, l.w, l.h, table::kSpeedLabel);
  // "SPEED :" keeps the browser's button colours, which follow the desktop's.
  page::style(Label1, "color", "ButtonText");
  page::style(Label1, "background-color", "ButtonFace");
  // Screen readers find the speed list by the label tied to it.
  page::labelfor(Label1, Combo1);
  setlabelfont();
}

// The labels' boxes are fixed in pixels: the font takes the largest size at which every label's
// ink stays inside its box, measured by the page in the face it really shows.
void Form1::setlabelfont() {
  const page::Element labels[] = {lblball, lblscore, lblhiscore, lblstage, Label1};
  const std::string family = fontfamily();
  for (page::Element e : labels) {
    page::style(e, "font-family", family);
    page::style(e, "font-weight", "bold");
  }
  const int px =
      fonts::labelpixels([&](int candidate) { return page::inkfits(labels, candidate); });
  for (page::Element e : labels) page::style(e, "font-size", std::to_string(px) + "px");
}

// The page's order is the focus order, and the order in which screen readers meet the
// controls: the playfield, "START", the list, then the labels.
void Form1::setfocusorder() {
  const std::pair<std::string_view, page::Element> shown[] = {{"mainscr", mainscr->element()},
                                                              {"Command1", Command1},
                                                              {"Combo1", Combo1},
                                                              {"Label1", Label1},
                                                              {"lblstage", lblstage},
                                                              {"lblhiscore", lblhiscore},
                                                              {"lblscore", lblscore},
                                                              {"lblball", lblball}};
  infocusorder(shown, [](page::Element e) { page::raise(e); });
}

void Form1::annotate() {
  const page::Element field = mainscr->element();
  page::attribute(field, "role", "img");
  page::attribute(field, "aria-label", table::kPlayfieldName);
  // The playfield takes the focus, as on the desktop, so that a round can begin from it.
  page::attribute(field, "tabindex", "0");
  describeplayfield(false);
  page::attribute(form_, "aria-label", table::kAccessibleName);
  page::attribute(Command1, "aria-label", table::kStartName);
  page::describe(Command1, table::kStartDescription);
  page::describe(Combo1, table::kSpeedDescription);
}

void Form1::describeplayfield(bool playing) {
  page::describe(mainscr->element(), playing ? table::kPlayfieldRunning : table::kPlayfieldIdle);
}

void Form1::initscreen() { layplayfield(*mainscr, *offscr); }

void Form1::initspeed() {
  fillspeeds([this](std::string_view speed) { page::append(Combo1, speed); },
             [this](int index) { page::choose(Combo1, index); });
}

void Form1::show() {
  page::style(form_, "visibility", "visible");
  // "START" has the focus when the window opens, so that Enter starts a round at once.
  page::focus(Command1);
}

void Form1::pointermove(page::Element e, double x) {
  if (e == mainscr->element()) mainscrmousemove(x);
}

void Form1::pointerdown(page::Element e) {
  if (e == mainscr->element()) mainscrmousedown();
}

void Form1::click(page::Element e) {
  if (e == Command1) command1click();
}

// A new speed is also announced, as a desktop's screen reader announces a list's new entry.
void Form1::change(page::Element e, int index) {
  if (e != Combo1 || index < 0 || index >= static_cast<int>(table::kSpeeds.size())) return;
  combo1change(index);
  page::announce(std::string(table::kSpeedName) + ' ' + std::string(table::kSpeeds[index]));
}

// When a round starts, the focus goes to the playfield before "START" greys out, and the live
// region says what a player does now. Left to the browser, the focus would be lost with the
// disabled button and the keyboard would reach nothing.
void Form1::enablecommand1(bool on) {
  describeplayfield(!on);
  if (!on) {
    page::focus(mainscr->element());
    page::announce(table::kPlayfieldRunning);
  }
  page::enable(Command1, on);
}

}  // namespace ui
