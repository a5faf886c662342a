#pragma once

// The one reader of the committed XPM pictures, for the build's tools; it needs no toolkit, so
// a build for another platform packs the pictures the same way.

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace xpm {

// A decoded picture: one colour string per pixel, "#RRGGBB" in upper case or "None".
struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::string> pixels;

  const std::string& at(int x, int y) const {
    return pixels.at(static_cast<std::size_t>(y * width + x));
  }
};

// Reads the quoted strings of an XPM3 file: header, colour table and pixel rows. It supports only
// what these pictures use (one character per pixel, "c" colours), which is all it needs to.
inline Image readXpm(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + path);
  std::stringstream text;
  text << in.rdbuf();
  std::vector<std::string> strings;
  const std::string all = text.str();
  for (std::size_t open = all.find('"'); open != std::string::npos; open = all.find('"', open)) {
    const std::size_t close = all.find('"', open + 1);
    if (close == std::string::npos) throw std::runtime_error("unterminated string in " + path);
    strings.push_back(all.substr(open + 1, close - open - 1));
    open = close + 1;
  }
  if (strings.empty()) throw std::runtime_error("no XPM header in " + path);

  Image image;
  int colours = 0;
  int charsPerPixel = 0;
  std::istringstream(strings[0]) >> image.width >> image.height >> colours >> charsPerPixel;
  if (charsPerPixel != 1 ||
      strings.size() != static_cast<std::size_t>(1 + colours + image.height)) {
    throw std::runtime_error("unexpected XPM layout in " + path);
  }
  std::map<char, std::string> table;
  for (int i = 1; i <= colours; ++i) {
    std::istringstream entry(strings[static_cast<std::size_t>(i)].substr(1));
    std::string key;
    std::string colour;
    entry >> key >> colour;
    if (key != "c") throw std::runtime_error("colour entry without 'c' in " + path);
    std::transform(colour.begin(), colour.end(), colour.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::toupper(ch)); });
    table[strings[static_cast<std::size_t>(i)][0]] = colour == "NONE" ? "None" : colour;
  }
  for (int y = 0; y < image.height; ++y) {
    const std::string& row = strings[static_cast<std::size_t>(1 + colours + y)];
    if (static_cast<int>(row.size()) != image.width)
      throw std::runtime_error("short row in " + path);
    for (char symbol : row) image.pixels.push_back(table.at(symbol));
  }
  return image;
}

}  // namespace xpm
