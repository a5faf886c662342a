// Pointer moves and ticks come 20 and more times a second for as long as the game runs, so the
// rules and the frame composition must not touch the heap for them: an allocation per event
// would cost time at every frame and fragment memory over a long session. Every form of the
// global operator new and delete is replaced here, new with one that counts: all of them, since
// under a sanitizer the forms do not forward to one another.
#include "support/World.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <new>
#include <vector>

using std::align_val_t;
using std::nothrow_t;
using testing_world::World;

namespace {

// Only allocations made while a count is open are counted, so that the test framework's own
// bookkeeping between the checks does not show up.
bool counting = false;
size_t allocations = 0;

void* take(size_t n, align_val_t a) {
  if (counting) ++allocations;
  const auto align = static_cast<size_t>(a);
  n = std::max<size_t>(n, 1);
  if (align <= alignof(std::max_align_t)) return std::malloc(n);
  // aligned_alloc wants a size that is a multiple of the alignment.
  return std::aligned_alloc(align, (n + align - 1) / align * align);
}

void* takeorthrow(size_t n, align_val_t a) {
  void* p = take(n, a);
  if (!p) throw std::bad_alloc();
  return p;
}

constexpr align_val_t kPlain{0};

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

}  // namespace

void* operator new(size_t n) { return takeorthrow(n, kPlain); }
void* operator new[](size_t n) { return takeorthrow(n, kPlain); }
void* operator new(size_t n, const nothrow_t&) noexcept { return take(n, kPlain); }
void* operator new[](size_t n, const nothrow_t&) noexcept { return take(n, kPlain); }
void* operator new(size_t n, align_val_t a) { return takeorthrow(n, a); }
void* operator new[](size_t n, align_val_t a) { return takeorthrow(n, a); }
void* operator new(size_t n, align_val_t a, const nothrow_t&) noexcept { return take(n, a); }
void* operator new[](size_t n, align_val_t a, const nothrow_t&) noexcept { return take(n, a); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
void operator delete(void* p, const nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p, align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, align_val_t) noexcept { std::free(p); }
void operator delete(void* p, size_t, align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t, align_val_t) noexcept { std::free(p); }
void operator delete(void* p, align_val_t, const nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, align_val_t, const nothrow_t&) noexcept { std::free(p); }

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

// A thousand steps of each kind of play, after a few pointer moves: anything that a first call
// sets up lazily is not a per-event cost. Where the paddle and the ball end, and how high and
// low the ball went, show that each step did its work.
TEST(NoAllocation, PointerMovesAndTicks) {
  constexpr int kSteps = 1000;
  const struct {
    const char* name;
    bool running;  // a round is started (and ticked once) before the count
    int repaints;  // per step
    void (*step)(World&, int i);
    int paddlex, ballx, lowest, highest;
  } scenarios[] = {
      // The last move, to x = 469, ends at the right edge with the ball resting on the paddle.
      {"pointer moves between rounds", false, 1,
       [](World& w, int i) { w.m.movepaddle(static_cast<int16_t>(i % 500 - 30)); }, 440, 456, 248,
       248},
      // The ball goes from wall to paddle and back several times.
      {"ticks of a round", true, 1, [](World& w, int) { w.round.tick(); }, 109, 125, 3, 243},
      // The paddle stays right of the ball, which falls past it to the floor.
      {"pointer moves and ticks interleaved", true, 2,
       [](World& w, int i) {
         w.m.movepaddle(static_cast<int16_t>(190 + i % 20));
         w.round.tick();
       },
       209, 125, 3, 293},
  };
  for (const auto& s : scenarios) {
    SCOPED_TRACE(s.name);
    World w;
    for (int i = 0; i < 10; ++i) w.m.movepaddle(static_cast<int16_t>(100 + i));
    if (s.running) {
      w.round.startround();
      w.round.tick();
    }
    const int before = w.screen.repaints;
    int lowest = w.m.gs.bally, highest = w.m.gs.bally;
    size_t made = 0;
    {
      AllocationCount count;
      for (int i = 0; i < kSteps; ++i) {
        s.step(w, i);
        lowest = std::min<int>(lowest, w.m.gs.bally);
        highest = std::max<int>(highest, w.m.gs.bally);
      }
      made = count.count();
    }
    EXPECT_EQ(made, 0u);
    EXPECT_EQ(w.screen.repaints - before, s.repaints * kSteps);
    EXPECT_EQ(w.m.gs.paddlex, s.paddlex);
    EXPECT_EQ(w.m.gs.ballx, s.ballx);
    EXPECT_EQ(lowest, s.lowest);
    EXPECT_EQ(highest, s.highest);
    EXPECT_EQ(w.mainscr, w.composed());
  }
}
