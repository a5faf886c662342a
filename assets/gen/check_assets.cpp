// Checks pixel facts of the committed XPM pictures that the game's drawing code relies on.
//
// Usage: check_assets ASSETS_FOLDER. Prints each failed fact and exits non-zero if any failed.

#include "Xpm.h"

#include <algorithm>
#include <iostream>
#include <set>
#include <string>

namespace {

using xpm::Image;
using xpm::readXpm;

int failures = 0;

void expect(bool ok, const std::string& what) {
  if (!ok) {
    ++failures;
    std::cerr << "FAILED: " << what << '\n';
  }
}

std::string where(const std::string& name, int x, int y) {
  return name + " (" + std::to_string(x) + ", " + std::to_string(y) + ")";
}

// Expects colour on the straight run from (x0, y0) to (x1, y1), and a different colour on the
// pixel just beyond each end, so a run that is one pixel too long or too short is caught.
void expectRun(const Image& image, const std::string& name, int x0, int y0, int x1, int y1,
               const std::string& colour) {
  const int dx = x1 > x0 ? 1 : 0;
  const int dy = y1 > y0 ? 1 : 0;
  for (int x = x0, y = y0; x <= x1 && y <= y1; x += dx, y += dy) {
    expect(image.at(x, y) == colour, where(name, x, y) + " should be " + colour);
    if (dx == 0 && dy == 0) break;
  }
  auto inside = [&](int x, int y) {
    return x >= 0 && y >= 0 && x < image.width && y < image.height;
  };
  if (inside(x0 - dx, y0 - dy)) {
    expect(image.at(x0 - dx, y0 - dy) != colour, where(name, x0 - dx, y0 - dy) + " ends the run");
  }
  if (inside(x1 + dx, y1 + dy)) {
    expect(image.at(x1 + dx, y1 + dy) != colour, where(name, x1 + dx, y1 + dy) + " ends the run");
  }
}

void expectSize(const Image& image, const std::string& name, int width, int height) {
  expect(image.width == width && image.height == height, name + " size");
}

void expectColours(const Image& image, const std::string& name, std::set<std::string> allowed) {
  const std::set<std::string> used(image.pixels.begin(), image.pixels.end());
  expect(used == allowed, name + " should use exactly its listed colours");
}

const std::string kWhite = "#FFFFFF", kBlack = "#000000", kPanel = "#C6C3C6", kCyan = "#00FFFF";
const std::string kRed = "#FF0000", kGrey = "#808080", kLight = "#C0C0C0", kBlue = "#0000FF";

void checkBackground(const Image& bg) {
  const std::string n = "background";
  expectSize(bg, n, 497, 400);
  expectColours(bg, n, {kWhite, kPanel, kBlack, kCyan});
  // The raised panel.
  expectRun(bg, n, 0, 0, 495, 0, kWhite);
  expectRun(bg, n, 0, 0, 0, 351, kWhite);
  expectRun(bg, n, 496, 0, 496, 352, kBlack);
  expectRun(bg, n, 0, 352, 496, 352, kBlack);
  // The playfield well and its interior.
  expectRun(bg, n, 7, 7, 488, 7, kBlack);
  expectRun(bg, n, 7, 7, 7, 312, kBlack);
  expectRun(bg, n, 8, 312, 488, 312, kPanel);
  expectRun(bg, n, 488, 8, 488, 312, kPanel);
  expectRun(bg, n, 7, 313, 489, 313, kWhite);
  expectRun(bg, n, 489, 7, 489, 313, kWhite);
  for (int y = 8; y <= 311; ++y) expectRun(bg, n, 8, y, 487, y, kWhite);
  // The status well.
  expectRun(bg, n, 7, 319, 488, 319, kBlack);
  expectRun(bg, n, 7, 319, 7, 344, kBlack);
  expectRun(bg, n, 8, 344, 488, 344, kPanel);
  expectRun(bg, n, 488, 320, 488, 344, kPanel);
  expectRun(bg, n, 7, 345, 489, 345, kWhite);
  expectRun(bg, n, 489, 319, 489, 345, kWhite);
  for (int y = 320; y <= 343; ++y) {
    for (int x = 8; x <= 487; ++x) {
      expect(bg.at(x, y) == kBlack || bg.at(x, y) == kCyan, where(n, x, y) + " in status well");
    }
  }
  for (int y = 353; y < bg.height; ++y) expectRun(bg, n, 0, y, 496, y, kPanel);

  // Each word starts on its exact column and ends at least four pixels before its value label.
  struct Word {
    int first;
    int label;
  };
  const std::vector<Word> words = {{21, 80}, {117, 200}, {273, 336}, {405, 456}};
  for (int y = 0; y < bg.height; ++y) {
    for (int x = 0; x < bg.width; ++x) {
      if (bg.at(x, y) != kCyan) continue;
      const bool inWord = std::any_of(words.begin(), words.end(), [x](const Word& w) {
        return x >= w.first && x <= w.label - 5;
      });
      expect(y >= 326 && y <= 336 && inWord, where(n, x, y) + " is stray cyan");
    }
  }
  for (const Word& w : words) {
    bool firstColumn = false;
    bool topRow = false;
    bool bottomRow = false;
    for (int y = 326; y <= 336; ++y) firstColumn = firstColumn || bg.at(w.first, y) == kCyan;
    for (int x = w.first; x <= w.label - 5; ++x) {
      topRow = topRow || bg.at(x, 326) == kCyan;
      bottomRow = bottomRow || bg.at(x, 336) == kCyan;
    }
    const std::string word = "word at x " + std::to_string(w.first);
    expect(firstColumn, word + " has ink in its first column");
    expect(topRow && bottomRow, word + " has ink in rows 326 and 336");
  }
}

// The sprites' pixels are drawn once, by the generator; here only their sizes and palettes.
void checkPaddleAndBall(const Image& paddle, const Image& ball) {
  expectSize(paddle, "paddle", 40, 8);
  expectColours(paddle, "paddle", {kWhite, kRed, kGrey, kLight});
  expectSize(ball, "ball", 8, 8);
  expectColours(ball, "ball", {kWhite, kBlue, kGrey, kLight});
}

void checkBlocks(const Image& blocks) {
  const std::vector<std::string> fills = {"#0000FF", "#FF0000", "#00FFFF", "#FF00FF",
                                          "#00FF00", "#FFFF00", "#FF9900", "#FF99CC"};
  expectSize(blocks, "blocks", 32, 128);
  std::set<std::string> colours(fills.begin(), fills.end());
  colours.insert({kWhite, kBlack, kLight});
  expectColours(blocks, "blocks", colours);
  for (int k = 0; k < 8; ++k) {
    const std::string n = "block tile " + std::to_string(k);
    const int top = 16 * k;
    const int bottom = top + 15;
    for (int y = top + 1; y <= bottom - 1; ++y)
      expectRun(blocks, n, 1, y, 30, y, fills[static_cast<std::size_t>(k)]);
    expectRun(blocks, n, 1, top, 30, top, kWhite);
    expectRun(blocks, n, 0, top + 1, 0, bottom - 1, kWhite);
    expectRun(blocks, n, 1, bottom, 30, bottom, kBlack);
    expectRun(blocks, n, 31, top + 1, 31, bottom - 1, kBlack);
    for (int y : {top, bottom}) {
      for (int x : {0, 31}) expect(blocks.at(x, y) == kLight, where(n, x, y) + " is a grey corner");
    }
  }
}

// Finds the bounding box of one colour as {left, top, right, bottom}.
std::vector<int> boxOf(const Image& image, const std::string& colour) {
  std::vector<int> box = {image.width, image.height, -1, -1};
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      if (image.at(x, y) != colour) continue;
      box = {std::min(box[0], x), std::min(box[1], y), std::max(box[2], x), std::max(box[3], y)};
    }
  }
  return box;
}

void checkIcon(const Image& icon, const std::string& n, int size, int shadow) {
  expectSize(icon, n, size, size);
  expectColours(icon, n, {"None", kBlack, kWhite, kCyan, kGrey});
  for (int y : {0, size - 1}) {
    for (int x : {0, size - 1}) expect(icon.at(x, y) == "None", where(n, x, y) + " is transparent");
  }
  // The shadow is the window's outline moved down and right, and the title bar sits at the top.
  const std::vector<int> window = boxOf(icon, kBlack);
  const std::vector<int> dark = boxOf(icon, kGrey);
  const std::vector<int> title = boxOf(icon, kCyan);
  expect(dark == std::vector<int>{window[0] + shadow, window[1] + shadow, window[2] + shadow,
                                  window[3] + shadow},
         n + " shadow offset");
  expect(title[0] == window[0] + 1 && title[1] == window[1] + 1 && title[2] == window[2] - 1,
         n + " title bar under the top outline");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: check_assets ASSETS_FOLDER\n";
    return 2;
  }
  try {
    const std::string folder = std::string(argv[1]) + "/";
    checkBackground(readXpm(folder + "background.xpm"));
    checkPaddleAndBall(readXpm(folder + "paddle.xpm"), readXpm(folder + "ball.xpm"));
    checkBlocks(readXpm(folder + "blocks.xpm"));
    checkIcon(readXpm(folder + "icon32.xpm"), "icon32", 32, 2);
    checkIcon(readXpm(folder + "icon16.xpm"), "icon16", 16, 1);
  } catch (const std::exception& error) {
    std::cerr << "check_assets: " << error.what() << '\n';
    return 1;
  }
  if (failures > 0) {
    std::cerr << failures << " picture check(s) failed\n";
    return 1;
  }
  std::cout << "all picture checks passed\n";
  return 0;
}
