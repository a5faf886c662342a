// Pointer moves and ticks come 20 and more times a second for as long as the game runs, so the
// rules and the frame composition must not touch the heap for them: an allocation per event
// would cost time at every frame and fragment memory over a long session. Every form of the
// global operator new is replaced here with one that counts, and the counts are checked while
// the game runs on plain surfaces.
#include "support/World.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <new>
#include <vector>

namespace {

// Only allocations made while a count is open are counted, so that the test framework's own
// bookkeeping between the checks does not show up.
bool counting = false;
size_t allocations = 0;

void* take(size_t size, size_t align) {
  if (counting) ++allocations;
  if (size == 0) size = 1;
  void* p = nullptr;
  if (align <= alignof(std::max_align_t)) {
    p = std::malloc(size);
  } else {
    // aligned_alloc wants a size that is a multiple of the alignment.
    p = std::aligned_alloc(align, (size + align - 1) / align * align);
  }
  return p;
}

void* takeorthrow(size_t size, size_t align) {
  void* p = take(size, align);
  if (!p) throw std::bad_alloc();
  return p;
}

// Counts the allocations made while it lives.
class AllocationCount {
 public:
  AllocationCount() {
    allocations = 0;
    counting = true;
  }
  ~AllocationCount() { counting = false; }
  size_t count() const { return allocations; }
};

constexpr int kEvents = 1000;

// A few of each event first: anything that a first call sets up lazily is not a per-event cost.
void warmup(testing_world::World& w) {
  for (int i = 0; i < 10; ++i) w.m.movepaddle(static_cast<int16_t>(100 + i));
}

}  // namespace

void* operator new(size_t size) { return takeorthrow(size, 0); }
void* operator new[](size_t size) { return takeorthrow(size, 0); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return take(size, 0); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return take(size, 0); }
void* operator new(size_t size, std::align_val_t a) {
  return takeorthrow(size, static_cast<size_t>(a));
}
void* operator new[](size_t size, std::align_val_t a) {
  return takeorthrow(size, static_cast<size_t>(a));
}
void* operator new(size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
  return take(size, static_cast<size_t>(a));
}
void* operator new[](size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
  return take(size, static_cast<size_t>(a));
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }

// Pointers pass through here so that the compiler cannot leave out an allocation whose result
// would otherwise go unused.
void* volatile sink = nullptr;
template <typename T>
T* keep(T* p) {
  sink = p;
  return p;
}

// The counter itself must see allocations, or the checks below could never fail.
TEST(NoAllocation, TheCounterSeesEveryFormOfNew) {
  struct alignas(64) Wide {
    char c[64];
  };
  size_t seen = 0;
  {
    AllocationCount w;
    std::vector<int> v(16);
    v.push_back(1);  // grows past its first block
    delete keep(new int(1));
    delete[] keep(new char[3]);
    delete keep(new (std::nothrow) int(2));
    delete[] keep(new (std::nothrow) char[5]);
    delete keep(new Wide);
    delete[] keep(new Wide[2]);
    delete keep(new (std::nothrow) Wide);
    delete[] keep(new (std::nothrow) Wide[2]);
    seen = w.count();
    EXPECT_EQ(v.size(), 17u);
  }
  EXPECT_EQ(seen, 10u);
}

TEST(NoAllocation, PointerMovesBetweenRounds) {
  testing_world::World w;
  warmup(w);
  const int before = w.screen.repaints;
  size_t made = 0;
  {
    AllocationCount count;
    for (int i = 0; i < kEvents; ++i) w.m.movepaddle(static_cast<int16_t>(i % 500 - 30));
    made = count.count();
  }
  EXPECT_EQ(made, 0u);
  EXPECT_EQ(w.screen.repaints - before, kEvents);
  // The last move, to x = 469, ends at the right edge with the ball resting on the paddle.
  EXPECT_EQ(w.m.gs.paddlex, 440);
  EXPECT_EQ(w.m.gs.ballx, 456);
  EXPECT_EQ(w.mainscr, w.composed());
}

TEST(NoAllocation, TicksOfARound) {
  testing_world::World w;
  warmup(w);
  w.round.startround();
  w.round.tick();
  const int before = w.screen.repaints;
  size_t made = 0;
  int lowest = w.m.gs.bally, highest = w.m.gs.bally;
  {
    AllocationCount count;
    for (int i = 0; i < kEvents; ++i) {
      w.round.tick();
      lowest = std::min<int>(lowest, w.m.gs.bally);
      highest = std::max<int>(highest, w.m.gs.bally);
    }
    made = count.count();
  }
  EXPECT_EQ(made, 0u);
  EXPECT_EQ(w.screen.repaints - before, kEvents);
  // A thousand ticks carry the ball from wall to paddle and back several times.
  EXPECT_EQ(lowest, 3);
  EXPECT_EQ(highest, 243);
  EXPECT_EQ(w.mainscr, w.composed());
}

TEST(NoAllocation, PointerMovesAndTicksInterleaved) {
  testing_world::World w;
  warmup(w);
  w.round.startround();
  w.round.tick();
  const int before = w.screen.repaints;
  size_t made = 0;
  {
    AllocationCount count;
    for (int i = 0; i < kEvents; ++i) {
      w.m.movepaddle(static_cast<int16_t>(190 + i % 20));
      w.round.tick();
    }
    made = count.count();
  }
  EXPECT_EQ(made, 0u);
  EXPECT_EQ(w.screen.repaints - before, 2 * kEvents);
  EXPECT_EQ(w.mainscr, w.composed());
}
