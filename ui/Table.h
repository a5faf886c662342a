#pragma once

#include "game/Constants.h"
#include "render/Surface.h"

#include <array>
#include <string_view>

// The window as every front end builds it: where each control goes, its colours and its texts.
// Nothing here depends on a toolkit; each front end turns these into its own types.
namespace ui::table {

struct Place {
  int x;
  int y;
  int w;
  int h;
};

// The window's client area, exactly the size of its background picture.
constexpr int kClientWidth = 497;
constexpr int kClientHeight = 400;

// Where each control is created. mainscr and offscr are created small and then laid over the
// playfield well by initscreen; the hidden boxes' places never show, but their sizes hold the
// sprites' shown and erase frames.
constexpr Place kCombo1{160, 368, 89, 20};
constexpr Place kCommand1{320, 368, 81, 25};
constexpr Place kPaddle{320, 104, 49, 17};
constexpr Place kBall{328, 64, 17, 17};
constexpr Place kMainscr{88, 32, 129, 49};
constexpr Place kBlocks{264, 32, 33, 145};
constexpr Place kOffscr{88, 96, 129, 49};
constexpr Place kLblball{456, 323, 17, 17};
constexpr Place kLblscore{336, 323, 49, 17};
constexpr Place kLblhiscore{200, 323, 65, 17};
constexpr Place kLblstage{80, 323, 33, 17};
constexpr Place kLabel1{72, 368, 81, 25};

// The playfield well of the background picture, which mainscr and offscr cover exactly.
constexpr Place kPlayfield{8, 8, game::kFieldWidth, game::kFieldHeight};

// The keyboard focus order, by the controls' names. Hidden and disabled controls and the labels
// take no focus and are passed over; each front end applies the order to its own controls.
constexpr std::array<std::string_view, 12> kFocusOrder = {
    "offscr", "blocks", "mainscr",  "ball",       "paddle",   "Command1",
    "Combo1", "Label1", "lblstage", "lblhiscore", "lblscore", "lblball"};

// A timer period of 50 ms gives 20 ball steps a second.
constexpr int kTickMs = 50;

// Colours fixed by the window's design.
constexpr render::Rgb kGrey = render::rgb(0xC0C0C0);       // mainscr and offscr at creation
constexpr render::Rgb kValueText = render::rgb(0xFFC080);  // the status values
constexpr render::Rgb kPanel = render::rgb(0xC6C3C6);      // the background picture's panel

// Texts, in UTF-8.
constexpr std::string_view kCaption = "ポムラン";
// A voice for another language reads the caption as "Japanese letter" four times.
constexpr std::string_view kAccessibleName = "Pomuran (ポムラン)";
constexpr std::string_view kStart = "START";
constexpr std::string_view kSpeedLabel = "SPEED :";
constexpr std::array<std::string_view, 3> kSpeeds = {"LOW", "MID", "HIGH"};

// A status value, its initial text, and the word before it in the background picture, by which
// screen readers name it.
struct Value {
  std::string_view text;
  std::string_view word;
};
constexpr Value kBallValue{"0", "BALL"};
constexpr Value kScoreValue{"0000", "SCORE"};
constexpr Value kHiscoreValue{"00000", "HISCORE"};
constexpr Value kStageValue{"00", "STAGE"};

// What screen readers say of the controls: what they do, not their object names or the
// button's upper-case caption.
constexpr std::string_view kPlayfieldName = "Playfield";
constexpr std::string_view kPlayfieldIdle =
    "Move the mouse here to move the paddle. Press START or click here to start a round.";
constexpr std::string_view kPlayfieldRunning =
    "Round running: move the mouse over the playfield to move the paddle.";
constexpr std::string_view kStartName = "Start";
constexpr std::string_view kStartDescription = "Starts a round: the ball leaves the paddle.";
constexpr std::string_view kSpeedName = "Speed";
constexpr std::string_view kSpeedDescription =
    "LOW, MID or HIGH. In this version the ball keeps one speed whichever is chosen. It cannot "
    "be changed during a round.";

}  // namespace ui::table
