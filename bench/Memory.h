#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// Where a process's resident memory is, for the measuring programs: its mappings as the kernel
// lists them in /proc/PID/smaps, summed into named shares by the files they map.
namespace benchmemory {

struct Mapping {
  uintptr_t start = 0;
  uintptr_t end = 0;
  std::string path;  // empty for anonymous memory
  long rsskib = 0;
};

inline std::vector<Mapping> mappings(const std::string& pid) {
  std::vector<Mapping> all;
  std::ifstream smaps("/proc/" + pid + "/smaps");
  std::string line;
  while (std::getline(smaps, line)) {
    unsigned long start = 0, end = 0;
    int path = -1;
    if (std::sscanf(line.c_str(), "%lx-%lx %*s %*s %*s %*s %n", &start, &end, &path) >= 2 &&
        path >= 0) {
      all.push_back({start, end, line.substr(static_cast<size_t>(path)), 0});
    } else if (line.rfind("Rss:", 0) == 0 && !all.empty()) {
      all.back().rsskib = std::strtol(line.c_str() + 4, nullptr, 10);
    }
  }
  return all;
}

// How much of [p, p + bytes) is resident in this process, in KiB, page by page.
inline long residentkib(const void* p, size_t bytes) {
  const long page = sysconf(_SC_PAGESIZE);
  const int fd = open("/proc/self/pagemap", O_RDONLY);
  if (fd < 0 || bytes == 0) return fd < 0 ? -1 : 0;
  const uintptr_t first = reinterpret_cast<uintptr_t>(p) / page;
  const uintptr_t last = (reinterpret_cast<uintptr_t>(p) + bytes - 1) / page;
  long pages = 0;
  for (uintptr_t n = first; n <= last; ++n) {
    uint64_t entry = 0;
    if (pread(fd, &entry, sizeof entry, static_cast<off_t>(n * sizeof entry)) == sizeof entry)
      pages += (entry >> 63) & 1;  // present in memory
  }
  close(fd);
  return pages * page / 1024;
}

// A share of memory: the mappings whose file's path holds one of its pieces ("" for anonymous
// memory). A mapping falls into the first share that takes it; `rest` takes what none does.
struct Share {
  std::string name;
  std::vector<std::string_view> pieces;
};

inline std::map<std::string, long> shares(const std::vector<Mapping>& maps,
                                          const std::vector<Share>& rules,
                                          const std::string& rest) {
  std::map<std::string, long> kib;
  for (const Mapping& m : maps) {
    const Share* taker = nullptr;
    for (const Share& s : rules) {
      for (std::string_view piece : s.pieces) {
        const bool takes = piece.empty() ? m.path.empty() || m.path.front() == '['
                                         : m.path.find(piece) != std::string::npos;
        if (takes && taker == nullptr) taker = &s;
      }
    }
    kib[taker ? taker->name : rest] += m.rsskib;
  }
  return kib;
}

}  // namespace benchmemory
