#include "ui/win32/LabelFont.h"
#include "ui/Fonts.h"

#include <algorithm>

namespace ui {

namespace {

int CALLBACK onface(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool installed(HDC dc, const std::wstring& face) {
  LOGFONTW want = {};
  want.lfCharSet = DEFAULT_CHARSET;
  face.copy(want.lfFaceName, LF_FACESIZE - 1);
  bool found = false;
  EnumFontFamiliesExW(dc, &want, onface, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

HFONT makefont(const std::wstring& face, int pixels) {
  LOGFONTW lf = {};
  // A negative height asks for the character's em height in pixels, as the boxes are in pixels.
  lf.lfHeight = -pixels;
  lf.lfWeight = FW_BOLD;
  lf.lfCharSet = SHIFTJIS_CHARSET;
  lf.lfQuality = DEFAULT_QUALITY;
  face.copy(lf.lfFaceName, LF_FACESIZE - 1);
  return CreateFontIndirectW(&lf);
}

// Whether the ink of a label's text, drawn from the box's top-left corner as a static control
// draws it, lies inside the box. The glyphs' black boxes give the ink, not their advances.
bool inkfits(HDC dc, HWND label) {
  wchar_t text[64];
  const int n = GetWindowTextW(label, text, static_cast<int>(std::size(text)));
  RECT box;
  GetClientRect(label, &box);
  TEXTMETRICW tm;
  GetTextMetricsW(dc, &tm);
  const MAT2 identity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};
  int pen = 0;
  for (int i = 0; i < n; ++i) {
    GLYPHMETRICS gm;
    if (GetGlyphOutlineW(dc, text[i], GGO_METRICS, &gm, 0, nullptr, &identity) == GDI_ERROR)
      return false;
    const int left = pen + gm.gmptGlyphOrigin.x;
    const int top = tm.tmAscent - gm.gmptGlyphOrigin.y;
    const bool ink = text[i] != L' ';
    pen += gm.gmCellIncX;
    if (!ink) continue;
    if (left < 0 || top < 0 || left + static_cast<int>(gm.gmBlackBoxX) > box.right ||
        top + static_cast<int>(gm.gmBlackBoxY) > box.bottom)
      return false;
  }
  return true;
}

}  // namespace

std::wstring labelface() {
  const gdi::WindowDc dc(nullptr);
  for (std::string_view face : fonts::kLabelFaces) {
    if (installed(dc.get(), gdi::wide(face))) return gdi::wide(face);
  }
  return {};
}

gdi::Font labelfont(const std::wstring& face, UINT dpi, std::span<const HWND> labels) {
  const gdi::WindowDc dc(nullptr);
  const int px = fonts::labelpixels([&](int candidate) {
    const gdi::Font font(makefont(face, gdi::scaled(candidate, dpi)));
    const gdi::Selected chosen(dc.get(), font.get());
    return std::all_of(labels.begin(), labels.end(),
                       [&](HWND label) { return inkfits(dc.get(), label); });
  });
  return gdi::Font(makefont(face, gdi::scaled(px, dpi)));
}

gdi::Font guifont(UINT dpi) {
  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof metrics;
  if (!SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi)) {
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof metrics.lfMessageFont,
               &metrics.lfMessageFont);
  }
  return gdi::Font(CreateFontIndirectW(&metrics.lfMessageFont));
}

}  // namespace ui
