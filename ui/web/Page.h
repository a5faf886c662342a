#pragma once

#include "render/Surface.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The page that holds the window, as the game sees it: elements made on request and known by a
// number, the way a desktop toolkit hands out window handles. The calls below end in the
// module's JavaScript hooks (hooks.js), which pass them on to the page (main.js).
namespace ui::page {

using Element = int;

// What an element is made as.
enum class Kind : int {
  Form = 0,    // the window's client area, which holds every other element
  Canvas = 1,  // a picture box, or the window's background picture
  Button = 2,
  List = 3,   // a drop-down list: pick only, no typing
  Text = 4,   // a line of text that is clipped to its box
  Label = 5,  // a line of text that names another element
};

}  // namespace ui::page

extern "C" {
int pomuran_create(int kind, int parent, int x, int y, int w, int h, const char* text, size_t len);
void pomuran_place(int element, int x, int y, int w, int h);
void pomuran_attribute(int element, const char* name, size_t namelen, const char* value,
                       size_t valuelen);
void pomuran_style(int element, const char* property, size_t propertylen, const char* value,
                   size_t valuelen);
void pomuran_spoken(int element, const char* text, size_t len);
void pomuran_describe(int element, const char* text, size_t len);
void pomuran_labelfor(int label, int control);
void pomuran_enable(int element, int on);
void pomuran_append(int list, const char* text, size_t len);
void pomuran_choose(int list, int index);
void pomuran_raise(int element);
void pomuran_show(int canvas, const void* rgba, int width, int height);
void pomuran_settimer(int periodms);
void pomuran_focus(int element);
void pomuran_announce(const char* text, size_t len);
int pomuran_inkfits(int element, int pixels);
}

namespace ui::page {

inline Element create(Kind kind, Element parent, int x, int y, int w, int h,
                      std::string_view text = {}) {
  return pomuran_create(static_cast<int>(kind), parent, x, y, w, h, text.data(), text.size());
}
inline void place(Element e, int x, int y, int w, int h) { pomuran_place(e, x, y, w, h); }
inline void attribute(Element e, std::string_view name, std::string_view value) {
  pomuran_attribute(e, name.data(), name.size(), value.data(), value.size());
}
inline void style(Element e, std::string_view property, std::string_view value) {
  pomuran_style(e, property.data(), property.size(), value.data(), value.size());
}
// Text that screen readers read before the element's own, and that nothing shows.
inline void spoken(Element e, std::string_view text) {
  pomuran_spoken(e, text.data(), text.size());
}
inline void describe(Element e, std::string_view text) {
  pomuran_describe(e, text.data(), text.size());
}
inline void labelfor(Element label, Element control) { pomuran_labelfor(label, control); }
inline void enable(Element e, bool on) { pomuran_enable(e, on ? 1 : 0); }
inline void append(Element list, std::string_view text) {
  pomuran_append(list, text.data(), text.size());
}
inline void choose(Element list, int index) { pomuran_choose(list, index); }
// Puts an element last among its siblings: on top of them, and last in the focus order.
inline void raise(Element e) { pomuran_raise(e); }
// Puts width x height pixels on a canvas: bytes R, G, B, A, top row first. The page reads them
// where they lie, before the call returns.
inline void show(Element canvas, const void* rgba, int width, int height) {
  pomuran_show(canvas, rgba, width, height);
}
// Starts the page's timer, which calls back every period from now on.
inline void settimer(int periodms) { pomuran_settimer(periodms); }
inline void focus(Element e) { pomuran_focus(e); }
// Says a text through the page's one polite live region.
inline void announce(std::string_view text) { pomuran_announce(text.data(), text.size()); }
// Whether the ink of a text element's text lies inside its box at a font size of `pixels`; the
// element keeps that size.
inline bool inkfits(Element e, int pixels) { return pomuran_inkfits(e, pixels) != 0; }

// A colour as CSS writes it.
inline std::string css(render::Rgb colour) {
  constexpr char kHex[] = "0123456789abcdef";
  std::string s = "#000000";
  for (int i = 0; i < 6; ++i) s[1 + i] = kHex[(colour >> (20 - 4 * i)) & 0xF];
  return s;
}

}  // namespace ui::page
