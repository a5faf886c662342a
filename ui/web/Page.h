#pragma once

#include "render/Surface.h"

#include <emscripten/em_js.h>
#include <emscripten/em_macros.h>

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

// The page that holds the window, as the game sees it: elements made on request and known by a
// number, the way a desktop toolkit hands out window handles. Each call is written once, here:
// its C++ signature, and beside it the JavaScript that hands it to the page (main.js's Page),
// texts decoded from UTF-8 and pixels viewed where they lie in the module's memory. The module
// compiles that JavaScript in from Page.cpp, the one file that defines POMURAN_PAGE_CALLS; every
// other file sees the same lines as plain declarations.
#ifdef POMURAN_PAGE_CALLS
#define POMURAN_PAGE_CALL(ret, name, params, ...) EM_JS(ret, name, params, __VA_ARGS__)
#else
#define POMURAN_PAGE_CALL(ret, name, params, ...) extern "C" ret name params EM_IMPORT(name);
#endif

namespace ui::page {

using Element = int;

// The element that a window's part is made as, by its HTML tag.
namespace tag {
constexpr std::string_view kWindow = "main";
constexpr std::string_view kCanvas = "canvas";
constexpr std::string_view kButton = "button";
constexpr std::string_view kList = "select";  // a drop-down list: pick only, no typing
constexpr std::string_view kText = "div";     // a line of text that is clipped to its box
constexpr std::string_view kLabel = "label";  // a line of text that names another element
}  // namespace tag

// An element made as `tag` inside `parent` (none for the window), known to the page's style sheet
// and to screen readers' tools by the control's `name`, at x, y in its parent, w x h, with `text`.
POMURAN_PAGE_CALL(int, pomuran_create,
                  (const char* tag, size_t taglen, const char* name, size_t namelen, int parent,
                   int x, int y, int w, int h, const char* text, size_t len),
                  {
                    return Module["page"].create(UTF8ToString(tag, taglen),
                                                 UTF8ToString(name, namelen), parent, x, y, w, h,
                                                 UTF8ToString(text, len));
                  })
inline Element create(std::string_view tag, std::string_view name, Element parent, int x, int y,
                      int w, int h, std::string_view text = {}) {
  return pomuran_create(tag.data(), tag.size(), name.data(), name.size(), parent, x, y, w, h,
                        text.data(), text.size());
}

POMURAN_PAGE_CALL(void, pomuran_place, (int element, int x, int y, int w, int h),
                  { Module["page"].place(element, x, y, w, h); })
inline void place(Element e, int x, int y, int w, int h) { pomuran_place(e, x, y, w, h); }

POMURAN_PAGE_CALL(
    void, pomuran_attribute,
    (int element, const char* name, size_t namelen, const char* value, size_t valuelen), {
      Module["page"].attribute(element, UTF8ToString(name, namelen), UTF8ToString(value, valuelen));
    })
inline void attribute(Element e, std::string_view name, std::string_view value) {
  pomuran_attribute(e, name.data(), name.size(), value.data(), value.size());
}

POMURAN_PAGE_CALL(void, pomuran_style,
                  (int element, const char* property, size_t propertylen, const char* value,
                   size_t valuelen),
                  {
                    Module["page"].style(element, UTF8ToString(property, propertylen),
                                         UTF8ToString(value, valuelen));
                  })
inline void style(Element e, std::string_view property, std::string_view value) {
  pomuran_style(e, property.data(), property.size(), value.data(), value.size());
}

// Text that screen readers read before the element's own, and that nothing shows.
POMURAN_PAGE_CALL(void, pomuran_spoken, (int element, const char* text, size_t len),
                  { Module["page"].spoken(element, UTF8ToString(text, len)); })
inline void spoken(Element e, std::string_view text) {
  pomuran_spoken(e, text.data(), text.size());
}

POMURAN_PAGE_CALL(void, pomuran_describe, (int element, const char* text, size_t len),
                  { Module["page"].describe(element, UTF8ToString(text, len)); })
inline void describe(Element e, std::string_view text) {
  pomuran_describe(e, text.data(), text.size());
}

POMURAN_PAGE_CALL(void, pomuran_labelfor, (int label, int control),
                  { Module["page"].labelfor(label, control); })
inline void labelfor(Element label, Element control) { pomuran_labelfor(label, control); }

POMURAN_PAGE_CALL(void, pomuran_enable, (int element, int on),
                  { Module["page"].enable(element, on != 0); })
inline void enable(Element e, bool on) { pomuran_enable(e, on ? 1 : 0); }

POMURAN_PAGE_CALL(void, pomuran_append, (int list, const char* text, size_t len),
                  { Module["page"].append(list, UTF8ToString(text, len)); })
inline void append(Element list, std::string_view text) {
  pomuran_append(list, text.data(), text.size());
}

POMURAN_PAGE_CALL(void, pomuran_choose, (int list, int index),
                  { Module["page"].choose(list, index); })
inline void choose(Element list, int index) { pomuran_choose(list, index); }

// Puts an element last among its siblings: on top of them, and last in the focus order.
POMURAN_PAGE_CALL(void, pomuran_raise, (int element), { Module["page"].raise(element); })
inline void raise(Element e) { pomuran_raise(e); }

// Puts width x height pixels on a canvas: bytes R, G, B, A, top row first. The page reads them
// where they lie, before the call returns.
POMURAN_PAGE_CALL(void, pomuran_putimage, (int canvas, const void* rgba, int width, int height), {
  const pixels = new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4);
  Module["page"].putimage(canvas, pixels, width, height);
})
inline void putimage(Element canvas, const void* rgba, int width, int height) {
  pomuran_putimage(canvas, rgba, width, height);
}

// Starts the page's timer, which calls back every period from now on.
POMURAN_PAGE_CALL(void, pomuran_settimer, (int periodms), { Module["page"].settimer(periodms); })
inline void settimer(int periodms) { pomuran_settimer(periodms); }

POMURAN_PAGE_CALL(void, pomuran_focus, (int element), { Module["page"].focus(element); })
inline void focus(Element e) { pomuran_focus(e); }

// Says a text through the page's one polite live region.
POMURAN_PAGE_CALL(void, pomuran_announce, (const char* text, size_t len),
                  { Module["page"].announce(UTF8ToString(text, len)); })
inline void announce(std::string_view text) { pomuran_announce(text.data(), text.size()); }

// Whether the ink of each text element's text lies inside its box at a font size of `pixels`;
// the elements keep that size. They are sized together and measured in one layout of the page.
POMURAN_PAGE_CALL(int, pomuran_inkfits, (const int* elements, size_t count, int pixels), {
  const ids = Array.from(HEAP32.subarray(elements >> 2, (elements >> 2) + count));
  return Module["page"].inkfits(ids, pixels) ? 1 : 0;
})
inline bool inkfits(std::span<const Element> elements, int pixels) {
  return pomuran_inkfits(elements.data(), elements.size(), pixels) != 0;
}

// A colour as CSS writes it.
inline std::string css(render::Rgb colour) {
  constexpr char kHex[] = "0123456789abcdef";
  std::string s = "#000000";
  for (int i = 0; i < 6; ++i) s[1 + i] = kHex[(colour >> (20 - 4 * i)) & 0xF];
  return s;
}

}  // namespace ui::page
