#pragma once

#include <array>
#include <string_view>

namespace ui::fonts {

// The labels' font: the look they were drawn for first, then the Japanese proportional gothic
// faces that Windows and Linux desktops carry, IPA P Gothic (metric-compatible with the first)
// ahead of the Linux ones.
constexpr std::array<std::string_view, 9> kLabelFaces = {
    "ＭＳ Ｐゴシック", "Yu Gothic UI", "Meiryo UI",        "IPAPGothic",        "IPAexGothic",
    "VL PGothic",      "TakaoPGothic", "Noto Sans CJK JP", "Source Han Sans JP"};
// 14.25 point at the standard 96 dots per inch; a substitute face may take down to the minimum.
constexpr int kLabelPixels = 19;
constexpr int kLabelMinPixels = 8;

// The labels' boxes are fixed in pixels, so their font is sized in pixels too, whatever the
// desktop's dots per inch. A substitute face may be wider or taller: then the largest size at
// which `fits` says every value's ink lies inside its box is taken, the smallest if none.
template <typename Fits>
int labelpixels(Fits fits) {
  for (int px = kLabelPixels; px > kLabelMinPixels; --px) {
    if (fits(px)) return px;
  }
  return kLabelMinPixels;
}

}  // namespace ui::fonts
