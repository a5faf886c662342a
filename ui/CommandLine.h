#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace ui {

// Text from the environment or the command line, made safe to print on one line.
std::string printable(std::string_view text);

// The game takes no arguments, but answers the two that every program does: --help and
// --version go to `out`, anything else is refused on `err`. Returns the exit status when the
// program ends here, or nothing when it goes on to play.
std::optional<int> commandline(int argc, const char* const* argv, std::FILE* out, std::FILE* err);

}  // namespace ui
