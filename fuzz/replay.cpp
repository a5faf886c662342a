// Replays stored fuzz inputs through the same checks as the fuzzer, in an ordinary build, so that
// every test run plays the corpus. Usage:
//   fuzz_replay [--random N] PATH...
// Each PATH is an input file or a folder of them. --random N also plays N inputs made from a
// fixed seed, which reach beyond the stored ones without making the run differ between runs.

#include "FuzzCore.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void play(const std::vector<uint8_t>& input) { LLVMFuzzerTestOneInput(input.data(), input.size()); }

}  // namespace

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  std::vector<fs::path> files;
  long random = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--random" && i + 1 < argc) {
      random = std::strtol(argv[++i], nullptr, 10);
    } else if (fs::is_directory(arg)) {
      for (const auto& e : fs::directory_iterator(arg))
        if (e.is_regular_file()) files.push_back(e.path());
    } else if (fs::is_regular_file(arg)) {
      files.push_back(arg);
    } else {
      std::fprintf(stderr, "fuzz_replay: no such input: %s\n", arg.c_str());
      return 2;
    }
  }
  if (files.empty() && random == 0) {
    std::fprintf(stderr, "usage: fuzz_replay [--random N] PATH...\n");
    return 2;
  }
  std::sort(files.begin(), files.end());

  const auto start = std::chrono::steady_clock::now();
  size_t bytes = 0;
  for (const fs::path& f : files) {
    const std::vector<uint8_t> input = slurp(f);
    bytes += input.size();
    play(input);
  }

  std::mt19937 gen(20240601);
  std::uniform_int_distribution<int> length(1, 400), byte(0, 255);
  for (long i = 0; i < random; ++i) {
    std::vector<uint8_t> input(static_cast<size_t>(length(gen)));
    for (uint8_t& b : input) b = static_cast<uint8_t>(byte(gen));
    play(input);
  }

  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("replayed %zu stored inputs (%zu bytes) and %ld made ones: %llu events in %.2f s\n",
              files.size(), bytes, random,
              static_cast<unsigned long long>(fuzzcore::eventsplayed()), seconds);
  return 0;
}
