#pragma once

#include "render/Surface.h"

#include <QRect>
#include <QStringList>

namespace ui::layout {

// The window's client area, exactly the size of its background picture.
constexpr QSize kClient{497, 400};

// Where each control is created. mainscr and offscr are created small and then laid over the
// playfield well by initscreen; the hidden boxes' places never show, but their sizes hold the
// sprites' shown and erase frames.
constexpr QRect kCombo1{160, 368, 89, 20};
constexpr QRect kCommand1{320, 368, 81, 25};
constexpr QRect kPaddle{320, 104, 49, 17};
constexpr QRect kBall{328, 64, 17, 17};
constexpr QRect kMainscr{88, 32, 129, 49};
constexpr QRect kBlocks{264, 32, 33, 145};
constexpr QRect kOffscr{88, 96, 129, 49};
constexpr QRect kLblball{456, 323, 17, 17};
constexpr QRect kLblscore{336, 323, 49, 17};
constexpr QRect kLblhiscore{200, 323, 65, 17};
constexpr QRect kLblstage{80, 323, 33, 17};
constexpr QRect kLabel1{72, 368, 81, 25};

// The playfield well of the background picture, which mainscr and offscr cover exactly.
constexpr QRect kPlayfield{8, 8, 480, 304};

// A timer period of 50 ms gives 20 ball steps a second.
constexpr int kTickMs = 50;

// Colours fixed by the window's design.
constexpr render::Rgb kGrey = render::rgb(0xC0C0C0);       // mainscr and offscr at creation
constexpr render::Rgb kValueText = render::rgb(0xFFC080);  // the status values
// Around the client area, where a desktop gives the window more room than it asked for.
constexpr render::Rgb kPanelGrey = render::rgb(0xC6C3C6);

// The labels' font: the look they were drawn for first, then the Japanese proportional gothic
// faces that Linux desktops carry, IPA P Gothic (metric-compatible with the first) ahead.
inline const QStringList kLabelFaces = {
    QStringLiteral("ＭＳ Ｐゴシック"),   QStringLiteral("IPAPGothic"),
    QStringLiteral("IPAexGothic"),       QStringLiteral("VL PGothic"),
    QStringLiteral("TakaoPGothic"),      QStringLiteral("Noto Sans CJK JP"),
    QStringLiteral("Source Han Sans JP")};
// 14.25 point at the standard 96 dots per inch; a substitute face may take down to the minimum.
constexpr int kLabelPixels = 19;
constexpr int kLabelMinPixels = 8;

}  // namespace ui::layout
