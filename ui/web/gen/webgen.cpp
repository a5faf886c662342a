// Makes what the browser build needs from the shared sources, on the building machine.
//
//   webgen pictures OUT.cpp NAME=PACKED...
//       a C++ source that embeds each packed picture under its name, for ui::embedded(), with its
//       pixels put in the canvas's order (ui/Packed.h), as the page shows them, and held as runs
//       of one colour (ui/web/Pictures.h)
//   webgen glyphs OUT.txt
//       every text that the page shows in the labels' face, so that the face can be cut down to
//       exactly those glyphs
//   webgen page IN OUT
//       the page or its web app manifest from a template, with the window's caption for
//       @CAPTION@, its accessible name for @NAME@ and the panel's grey for @PANEL@

#include "ui/Table.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

// Puts a packed picture's pixels in the canvas's order, R, G, B, A in memory, and flags it so.
bool canvasorder(std::string& packed) {
  constexpr size_t kHeader = 16;
  constexpr size_t kFlags = 12;
  constexpr unsigned char kRgba = 2;
  if (packed.size() < kHeader || packed.compare(0, 4, "PMP1") != 0) return false;
  if ((packed.size() - kHeader) % 4 != 0) return false;
  packed[kFlags] = static_cast<char>(packed[kFlags] | kRgba);
  // Each pixel is a little-endian 0xAARRGGBB word, bytes B, G, R, A: blue and red change places.
  for (size_t at = kHeader; at < packed.size(); at += 4) std::swap(packed[at], packed[at + 2]);
  return true;
}

// The header as it is, then each run of one colour: its length as a little-endian 32-bit word,
// then the pixel's four bytes. The game's pictures are flat colours: the background's 795 KB of
// pixels are 3,404 runs, which the module unpacks in well under a millisecond where the browser
// would take several to unpack and compile them with the module.
std::string runs(const std::string& packed) {
  constexpr size_t kHeader = 16;
  std::string out = packed.substr(0, kHeader);
  for (size_t at = kHeader; at < packed.size();) {
    uint32_t count = 0;
    const std::string_view pixel(packed.data() + at, 4);
    for (; at < packed.size() && std::string_view(packed.data() + at, 4) == pixel; at += 4) ++count;
    for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((count >> shift) & 0xFF);
    out += pixel;
  }
  return out;
}

int pictures(int argc, char** argv) {
  std::ostringstream out;
  out << "// Made by webgen from the packed pictures.\n#include \"ui/web/Pictures.h\"\n\n"
         "namespace ui {\n\nnamespace {\n\n";
  std::vector<std::string> names;
  for (int i = 3; i < argc; ++i) {
    const std::string arg = argv[i];
    const size_t eq = arg.find('=');
    std::ifstream in(arg.substr(eq + 1), std::ios::binary);
    if (eq == std::string::npos || !in) {
      std::fprintf(stderr, "webgen: cannot read the picture in %s\n", argv[i]);
      return 1;
    }
    std::string bytes{std::istreambuf_iterator<char>(in), {}};
    if (!canvasorder(bytes)) {
      std::fprintf(stderr, "webgen: %s is no packed picture\n", argv[i]);
      return 1;
    }
    bytes = runs(bytes);
    names.push_back(arg.substr(0, eq));
    // Aligned like the 32-bit words that the packed format holds.
    out << "alignas(4) const unsigned char k" << names.size() << "[] = {";
    for (size_t b = 0; b < bytes.size(); ++b) {
      out << (b % 24 == 0 ? "\n" : "") << static_cast<int>(static_cast<unsigned char>(bytes[b]))
          << ',';
    }
    out << "};\n";
  }
  out << "\nconst Embedded kAll[] = {\n";
  for (size_t i = 0; i < names.size(); ++i)
    out << "    {\"" << names[i] << "\", k" << i + 1 << ", sizeof k" << i + 1 << "},\n";
  out << "};\n\n}  // namespace\n\nstd::span<const Embedded> embedded() { return kAll; }\n\n"
         "}  // namespace ui\n";
  std::ofstream file(argv[2], std::ios::binary);
  file << out.str();
  return file.good() ? 0 : 1;
}

int glyphs(const char* out) {
  namespace t = ui::table;
  std::ofstream file(out, std::ios::binary);
  for (std::string_view text : {t::kBallValue.text, t::kScoreValue.text, t::kHiscoreValue.text,
                                t::kStageValue.text, t::kSpeedLabel}) {
    file << text;
  }
  return file.good() ? 0 : 1;
}

int page(const char* in, const char* out) {
  std::ifstream from(in, std::ios::binary);
  std::string text{std::istreambuf_iterator<char>(from), {}};
  char panel[8];
  std::snprintf(panel, sizeof panel, "#%06x", static_cast<unsigned>(ui::table::kPanel & 0xFFFFFF));
  const std::pair<std::string_view, std::string_view> keys[] = {
      {"@CAPTION@", ui::table::kCaption},
      {"@NAME@", ui::table::kAccessibleName},
      {"@PANEL@", panel}};
  int replaced = 0;
  for (const auto& [key, value] : keys) {
    for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at)) {
      text.replace(at, key.size(), value);
      at += value.size();
      ++replaced;
    }
  }
  if (!from || replaced == 0) {
    std::fprintf(stderr, "webgen: nothing to fill in %s\n", in);
    return 1;
  }
  std::ofstream file(out, std::ios::binary);
  file << text;
  return file.good() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "pictures" && argc > 3) return pictures(argc, argv);
  if (command == "glyphs" && argc == 3) return glyphs(argv[2]);
  if (command == "page" && argc == 4) return page(argv[2], argv[3]);
  std::fputs(
      "usage: webgen pictures OUT.cpp NAME=PACKED...\n       webgen glyphs OUT.txt\n"
      "       webgen page IN OUT\n",
      stderr);
  return 2;
}
