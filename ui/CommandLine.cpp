#include "ui/CommandLine.h"

namespace ui {

namespace {

constexpr const char* kUsage =
    "Usage: pomuran [--help | --version]\n"
    "A paddle-and-ball game played with the mouse. Move the mouse over the playfield to move the\n"
    "paddle; press START or click the playfield to start a round. The game takes no arguments,\n"
    "reads and writes no files and keeps nothing between runs.\n"
    "  --help     show this help and exit\n"
    "  --version  show the program's name and version and exit\n";

}  // namespace

std::string printable(std::string_view text) {
  std::string out;
  for (const char c : text) out += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
  return out;
}

std::optional<int> commandline(int argc, const char* const* argv, std::FILE* out, std::FILE* err) {
  if (argc <= 1) return std::nullopt;
  const std::string_view first = argv[1];
  if (argc == 2 && first == "--help") {
    std::fputs(kUsage, out);
    return 0;
  }
  if (argc == 2 && first == "--version") {
    std::fprintf(out, "pomuran %s\n", POMURAN_VERSION);
    return 0;
  }
  const std::string_view wrong = first == "--help" || first == "--version" ? argv[2] : first;
  std::fprintf(err, "pomuran: unknown argument '%s': the game takes none (see --help)\n",
               printable(wrong).c_str());
  return 2;
}

}  // namespace ui
