// Draws every picture of the game and writes each one as an XPM file.
//
// The committed XPM files in assets/ are the reviewable form of the pictures; this program is
// their source. Running it again must reproduce them byte for byte, so it only uses exact colours
// and deterministic drawing.
//
// Usage: drawassets OUTPUT_FOLDER

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

// One symbol character of an XPM file and the exact colour it stands for.
struct ColourEntry {
  char symbol;
  std::string_view colour;  // "#RRGGBB", or "None" for a transparent pixel.
};

// A picture held as one symbol character per pixel, so it can be written to XPM unchanged.
class Canvas {
 public:
  Canvas(int width, int height, char fill)
      : width_(width), height_(height), pixels_(static_cast<std::size_t>(width * height), fill) {}

  int width() const { return width_; }
  int height() const { return height_; }

  char at(int x, int y) const { return pixels_[index(x, y)]; }
  void set(int x, int y, char symbol) { pixels_[index(x, y)] = symbol; }

  // Draws the inclusive horizontal run x0..x1 on row y.
  void hline(int x0, int x1, int y, char symbol) {
    for (int x = x0; x <= x1; ++x) set(x, y, symbol);
  }

  // Draws the inclusive vertical run y0..y1 in column x.
  void vline(int x, int y0, int y1, char symbol) {
    for (int y = y0; y <= y1; ++y) set(x, y, symbol);
  }

  // Fills the inclusive rectangle x0..x1 × y0..y1.
  void fill(int x0, int y0, int x1, int y1, char symbol) {
    for (int y = y0; y <= y1; ++y) hline(x0, x1, y, symbol);
  }

  // Copies a grid of equally long strings with its top-left pixel at (x, y).
  void paste(int x, int y, const std::vector<std::string_view>& rows) {
    for (std::size_t r = 0; r < rows.size(); ++r) {
      for (std::size_t c = 0; c < rows[r].size(); ++c) {
        set(x + static_cast<int>(c), y + static_cast<int>(r), rows[r][c]);
      }
    }
  }

 private:
  // Out-of-range drawing is a mistake in this program, so it stops loudly instead of clipping.
  std::size_t index(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
      throw std::out_of_range("pixel (" + std::to_string(x) + ", " + std::to_string(y) +
                              ") lies outside the picture");
    }
    return static_cast<std::size_t>(y * width_ + x);
  }

  int width_;
  int height_;
  std::vector<char> pixels_;
};

// Writes the canvas as an XPM3 file whose C array is named after the file.
void writeXpm(const std::filesystem::path& folder, std::string_view name, const Canvas& canvas,
              const std::vector<ColourEntry>& palette) {
  for (int y = 0; y < canvas.height(); ++y) {
    for (int x = 0; x < canvas.width(); ++x) {
      bool known = false;
      for (const ColourEntry& entry : palette) known = known || entry.symbol == canvas.at(x, y);
      if (!known) {
        throw std::logic_error(std::string(name) + " uses symbol '" + canvas.at(x, y) +
                               "', which has no colour");
      }
    }
  }

  const std::filesystem::path path = folder / (std::string(name) + ".xpm");
  // Binary mode keeps the line endings identical on every platform.
  std::ofstream out(path, std::ios::binary);
  out << "/* XPM */\n";
  out << "static const char *" << name << "_xpm[] = {\n";
  out << "/* columns rows colours chars-per-pixel */\n";
  out << '"' << canvas.width() << ' ' << canvas.height() << ' ' << palette.size() << " 1\",\n";
  for (const ColourEntry& entry : palette) {
    out << '"' << entry.symbol << " c " << entry.colour << "\",\n";
  }
  out << "/* pixels */\n";
  for (int y = 0; y < canvas.height(); ++y) {
    out << '"';
    for (int x = 0; x < canvas.width(); ++x) out << canvas.at(x, y);
    out << '"' << (y + 1 < canvas.height() ? ",\n" : "\n");
  }
  out << "};\n";
  if (!out) throw std::runtime_error("could not write " + path.string());
}

// ---------------------------------------------------------------------------------------------
// Status-strip lettering
// ---------------------------------------------------------------------------------------------

constexpr int kGlyphHeight = 11;
constexpr int kLetterGap = 2;

struct Glyph {
  char letter;
  std::vector<std::string_view> rows;  // kGlyphHeight rows; '#' is ink, '.' is background.
};

// A small serif face: thick verticals, thin horizontals and one-pixel serifs, like a book face
// shrunk to 11 pixels. Only the letters of the status words are drawn.
// clang-format off
const std::vector<Glyph> kGlyphs = {
    {'A', {"....#....",
           "....##...",
           "...###...",
           "...#.##..",
           "..#..##..",
           "..#..##..",
           ".#######.",
           ".#....##.",
           "#.....##.",
           "#......##",
           "###..####"}},
    {'B', {"#######..",
           ".##...##.",
           ".##....##",
           ".##....##",
           ".##...##.",
           ".######..",
           ".##...##.",
           ".##....##",
           ".##....##",
           ".##...##.",
           "#######.."}},
    {'C', {"..####.#",
           ".##...##",
           "##.....#",
           "##......",
           "##......",
           "##......",
           "##......",
           "##......",
           "##.....#",
           ".##...#.",
           "..####.."}},
    {'E', {"########",
           ".##....#",
           ".##.....",
           ".##..#..",
           ".##..#..",
           ".######.",
           ".##..#..",
           ".##..#..",
           ".##.....",
           ".##....#",
           "########"}},
    {'G', {"..####.#.",
           ".##...##.",
           "##.....#.",
           "##.......",
           "##.......",
           "##...####",
           "##.....##",
           "##.....##",
           "##.....##",
           ".##....##",
           "..#####.."}},
    {'H', {"####.####",
           ".##...##.",
           ".##...##.",
           ".##...##.",
           ".##...##.",
           ".#######.",
           ".##...##.",
           ".##...##.",
           ".##...##.",
           ".##...##.",
           "####.####"}},
    {'I', {"####",
           ".##.",
           ".##.",
           ".##.",
           ".##.",
           ".##.",
           ".##.",
           ".##.",
           ".##.",
           ".##.",
           "####"}},
    {'L', {"####....",
           ".##.....",
           ".##.....",
           ".##.....",
           ".##.....",
           ".##.....",
           ".##.....",
           ".##.....",
           ".##.....",
           ".##....#",
           "########"}},
    {'O', {"..#####..",
           ".##...##.",
           "##.....##",
           "##.....##",
           "##.....##",
           "##.....##",
           "##.....##",
           "##.....##",
           "##.....##",
           ".##...##.",
           "..#####.."}},
    {'R', {"#######..",
           ".##...##.",
           ".##....##",
           ".##....##",
           ".##...##.",
           ".#####...",
           ".##.##...",
           ".##..##..",
           ".##..##..",
           ".##...##.",
           "####..###"}},
    {'S', {".####.#",
           "##...##",
           "##....#",
           "###....",
           ".####..",
           "..####.",
           "....###",
           ".....##",
           "#....##",
           "##...##",
           "#.####."}},
    {'T', {"########",
           "#..##..#",
           "...##...",
           "...##...",
           "...##...",
           "...##...",
           "...##...",
           "...##...",
           "...##...",
           "...##...",
           "..####.."}},
};
// clang-format on

// Looks up a glyph and makes sure it is drawn to the font's rules, so that a word's first ink
// column is exactly where the word is placed and the letter spacing stays even.
const Glyph& glyphFor(char letter) {
  for (const Glyph& glyph : kGlyphs) {
    if (glyph.letter != letter) continue;
    if (glyph.rows.size() != kGlyphHeight) throw std::logic_error("glyph of wrong height");
    const std::size_t width = glyph.rows.front().size();
    bool inkLeft = false;
    bool inkRight = false;
    for (std::string_view row : glyph.rows) {
      if (row.size() != width) throw std::logic_error(std::string("ragged glyph ") + letter);
      inkLeft = inkLeft || row.front() == '#';
      inkRight = inkRight || row.back() == '#';
    }
    if (!inkLeft || !inkRight) throw std::logic_error(std::string("untrimmed glyph ") + letter);
    return glyph;
  }
  throw std::logic_error(std::string("no glyph for ") + letter);
}

// Draws a word with its first ink column at x and its top ink row at y; returns the last ink
// column so the caller can keep clear of the value that follows.
int drawWord(Canvas& canvas, int x, int y, std::string_view word, char ink) {
  int left = x;
  int last = x;
  for (char letter : word) {
    const Glyph& glyph = glyphFor(letter);
    for (int r = 0; r < kGlyphHeight; ++r) {
      const std::string_view row = glyph.rows[static_cast<std::size_t>(r)];
      for (int c = 0; c < static_cast<int>(row.size()); ++c) {
        if (row[static_cast<std::size_t>(c)] == '#') canvas.set(left + c, y + r, ink);
      }
    }
    last = left + static_cast<int>(glyph.rows.front().size()) - 1;
    left = last + 1 + kLetterGap;
  }
  return last;
}

// ---------------------------------------------------------------------------------------------
// The pictures
// ---------------------------------------------------------------------------------------------

// Draws a sunken well like a classic 3-D control: black top and left edges from (x0, y0), white
// bottom and right edges on y = y1 and x = x1, and a grey line just inside the white ones. The
// interior, in colour inner, is everything strictly inside those lines.
void drawWell(Canvas& canvas, int x0, int y0, int x1, int y1, char inner) {
  canvas.fill(x0 + 1, y0 + 1, x1 - 2, y1 - 2, inner);
  canvas.hline(x0, x1 - 1, y0, 'K');
  canvas.vline(x0, y0, y1 - 1, 'K');
  canvas.hline(x0 + 1, x1 - 1, y1 - 1, 'P');
  canvas.vline(x1 - 1, y0 + 1, y1 - 1, 'P');
  canvas.hline(x0, x1, y1, 'W');
  canvas.vline(x1, y0, y1, 'W');
}

void drawBackground(const std::filesystem::path& folder) {
  Canvas canvas(497, 400, 'P');

  // The raised panel: lit from the top left, so white there and black on the far edges.
  canvas.hline(0, 495, 0, 'W');
  canvas.vline(0, 0, 351, 'W');
  canvas.vline(496, 0, 352, 'K');
  canvas.hline(0, 496, 352, 'K');

  // The playfield, with a white 480 × 304 interior at (8, 8).
  drawWell(canvas, 7, 7, 489, 313, 'W');
  // The status strip below it, black so the cyan lettering stands out.
  drawWell(canvas, 7, 319, 489, 345, 'K');

  // The word positions leave room for the value labels that the window draws at x 80, 200, 336
  // and 456; each word must end at least four pixels before its label.
  constexpr int kTextTop = 326;
  const struct {
    std::string_view word;
    int x;
    int label;
  } words[] = {{"STAGE", 21, 80}, {"HISCORE", 117, 200}, {"SCORE", 273, 336}, {"BALL", 405, 456}};
  for (const auto& w : words) {
    const int last = drawWord(canvas, w.x, kTextTop, w.word, 'C');
    if (last > w.label - 5) throw std::logic_error(std::string(w.word) + " runs into its label");
  }

  writeXpm(folder, "background", canvas,
           {{'W', "#FFFFFF"}, {'P', "#C6C3C6"}, {'K', "#000000"}, {'C', "#00FFFF"}});
}

// The paddle and ball are small enough to be drawn by hand, pixel by pixel.
void drawPaddle(const std::filesystem::path& folder) {
  Canvas canvas(40, 8, 'W');
  canvas.paste(0, 0,
               {
                   "WRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRGWWW",
                   "RRRLRRRLRRRRRRRRRRRRRRRRRRRRRRRRRRRRRGWW",
                   "GRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRLW",
                   "WGRGRGRGRGRGRGRGRGRGRGRGRGRGRGRGRGRGRLLW",
                   "WWLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLWW",
                   "WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW",
                   "WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW",
                   "WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW",
               });
  writeXpm(folder, "paddle", canvas,
           {{'W', "#FFFFFF"}, {'R', "#FF0000"}, {'G', "#808080"}, {'L', "#C0C0C0"}});
}

void drawBall(const std::filesystem::path& folder) {
  Canvas canvas(8, 8, 'W');
  canvas.paste(0, 0,
               {
                   "WWBBGWWW",
                   "WBBWBGWW",
                   "GBWBBBGW",
                   "BBBBBGBL",
                   "GBGBGBGL",
                   "WGBGBGLL",
                   "WWGBGLLW",
                   "WWWLWLWW",
               });
  writeXpm(folder, "ball", canvas,
           {{'W', "#FFFFFF"}, {'B', "#0000FF"}, {'G', "#808080"}, {'L', "#C0C0C0"}});
}

void drawBlocks(const std::filesystem::path& folder) {
  constexpr int kTileWidth = 32;
  constexpr int kTileHeight = 16;
  const std::vector<ColourEntry> fills = {{'B', "#0000FF"}, {'R', "#FF0000"}, {'C', "#00FFFF"},
                                          {'M', "#FF00FF"}, {'g', "#00FF00"}, {'Y', "#FFFF00"},
                                          {'O', "#FF9900"}, {'P', "#FF99CC"}};
  Canvas canvas(kTileWidth, kTileHeight * static_cast<int>(fills.size()), 'L');
  for (std::size_t k = 0; k < fills.size(); ++k) {
    const int top = kTileHeight * static_cast<int>(k);
    const int bottom = top + kTileHeight - 1;
    const int right = kTileWidth - 1;
    // The corners keep the light grey base, which softens the bevel where its edges meet.
    canvas.fill(1, top + 1, right - 1, bottom - 1, fills[k].symbol);
    canvas.hline(1, right - 1, top, 'W');
    canvas.vline(0, top + 1, bottom - 1, 'W');
    canvas.hline(1, right - 1, bottom, 'K');
    canvas.vline(right, top + 1, bottom - 1, 'K');
  }
  std::vector<ColourEntry> palette = {{'W', "#FFFFFF"}, {'K', "#000000"}, {'L', "#C0C0C0"}};
  palette.insert(palette.end(), fills.begin(), fills.end());
  writeXpm(folder, "blocks", canvas, palette);
}

// The window icon: a little white window with a cyan title bar casting a grey shadow.
void drawIcon(const std::filesystem::path& folder, std::string_view name, int size) {
  const bool large = size >= 32;
  const int shadow = large ? 2 : 1;
  const int left = 1;
  const int top = large ? 2 : 1;
  const int right = size - 2 - shadow;
  const int bottom = size - 2 - shadow - (large ? 1 : 0);
  const int titleRows = large ? 5 : 2;

  Canvas canvas(size, size, '.');
  canvas.fill(left + shadow, top + shadow, right + shadow, bottom + shadow, 'G');
  canvas.fill(left, top, right, bottom, 'K');
  canvas.fill(left + 1, top + 1, right - 1, top + titleRows, 'C');
  // One black row under the title bar separates it from the window's white body.
  canvas.fill(left + 1, top + titleRows + 2, right - 1, bottom - 1, 'W');

  writeXpm(folder, name, canvas,
           {{'.', "None"}, {'K', "#000000"}, {'W', "#FFFFFF"}, {'C', "#00FFFF"}, {'G', "#808080"}});
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: drawassets OUTPUT_FOLDER\n";
    return 2;
  }
  try {
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    drawBackground(folder);
    drawPaddle(folder);
    drawBall(folder);
    drawBlocks(folder);
    drawIcon(folder, "icon32", 32);
    drawIcon(folder, "icon16", 16);
  } catch (const std::exception& error) {
    std::cerr << "drawassets: " << error.what() << '\n';
    return 1;
  }
  return 0;
}
