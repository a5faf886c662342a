// Turns one committed picture into the raw form the game embeds: a small header and the pixels
// as 32-bit ARGB words, so that the program shows its pictures without decoding anything.
//
//   packpicture <picture.xpm> <picture.argb>
//
// Layout: "PMP1", then width, height and flags as 32-bit words in the machine's byte order
// (flag 1: every pixel is opaque), then height rows of width pixels, top to bottom. A pixel of
// colour "None" is transparent black.

#include "Xpm.h"

#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

namespace {

uint32_t argb(const std::string& colour) {
  if (colour == "None") return 0;
  return 0xFF000000u | static_cast<uint32_t>(std::stoul(colour.substr(1), nullptr, 16));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <picture.xpm> <picture.argb>\n", argv[0]);
    return 2;
  }
  std::vector<uint32_t> pixels;
  uint32_t header[3] = {};
  try {
    const xpm::Image picture = xpm::readXpm(argv[1]);
    for (const std::string& colour : picture.pixels) pixels.push_back(argb(colour));
    uint32_t opaque = 1;
    for (uint32_t p : pixels) opaque &= (p >> 24) == 0xFF ? 1u : 0u;
    header[0] = static_cast<uint32_t>(picture.width);
    header[1] = static_cast<uint32_t>(picture.height);
    header[2] = opaque;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "packpicture: cannot read %s: %s\n", argv[1], e.what());
    return 1;
  }
  std::FILE* out = std::fopen(argv[2], "wb");
  if (out == nullptr) {
    std::fprintf(stderr, "packpicture: cannot write %s\n", argv[2]);
    return 1;
  }
  const bool ok = std::fwrite("PMP1", 1, 4, out) == 4 && std::fwrite(header, 4, 3, out) == 3 &&
                  std::fwrite(pixels.data(), 4, pixels.size(), out) == pixels.size();
  if (std::fclose(out) != 0 || !ok) {
    std::fprintf(stderr, "packpicture: writing %s failed\n", argv[2]);
    std::remove(argv[2]);
    return 1;
  }
  return 0;
}
