// Plays arbitrary event sequences against the toolkit-free core and checks, after every event,
// the rules that must hold whatever the input: the paddle stays in the field, sizes never
// change, speeds change only by sign, a ball step ends after at most kMaxSubsteps sub-steps,
// and every copy lands exactly where a separately written model of the copy says it must.
//
// Input layout (all numbers little-endian):
//   byte 0, bit 0   0: the game as it starts; 1: an arbitrary start, read next as
//                   ten int16 (paddlex paddley paddlew paddleh ballx bally ballw ballh balldx
//                   balldy), one byte (bit 0: a round is running), four bytes (paddle sprite
//                   width and height, ball sprite width and height) and one byte (low three
//                   bits: offscr size, bits 4-6: mainscr size, from kFieldSizes).
//   then events, one opcode byte each; op & 7 selects:
//     0, 1  pointer move; (op >> 3) & 3 picks the position: 0 a raw double (8 bytes), 1 one
//           of kOddPositions (1 byte), 2 an int16 plus a byte of 1/256ths, 3 a byte b giving
//           2 * b - 16 plus (op >> 5) eighths
//     2     press (startround)
//     3     1 + (op >> 3) ticks
//     4, 5  endround1, endround2
//     6     a copy between scratch images: 1 byte picks them, then six int16 x y w h sx sy;
//           op bit 3 scales w and h by 65536, op bit 4 scales the four places the same way
//     7     resizes a scratch image: 1 byte picks it, then 2 bytes of width and height

#include "FuzzCore.h"
#include "game/Constants.h"
#include "game/Int16.h"
#include "render/Surface.h"
#include "support/World.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <limits>

namespace {

using game::GameState;
using render::Rgb;
using render::Surface;

// Long inputs are cut here so that one input never runs for long.
constexpr int kMaxEvents = 1000;
constexpr int kMaxTicks = 2000;

constexpr struct {
  int w, h;
} kFieldSizes[8] = {{480, 304}, {480, 304}, {0, 0},     {1, 1},
                    {479, 303}, {481, 305}, {200, 100}, {640, 400}};

const double kOddPositions[] = {std::numeric_limits<double>::quiet_NaN(),
                                -std::numeric_limits<double>::quiet_NaN(),
                                std::numeric_limits<double>::infinity(),
                                -std::numeric_limits<double>::infinity(),
                                1e12,
                                -1e12,
                                -0.0,
                                0.0,
                                -1e-300,
                                std::numeric_limits<double>::denorm_min(),
                                439.999,
                                440.0,
                                440.0001,
                                -0.5,
                                32767.0,
                                32767.999,
                                32768.0,
                                -32768.0,
                                -32768.5,
                                -32769.0,
                                std::numeric_limits<double>::max(),
                                std::numeric_limits<double>::lowest()};

uint64_t events = 0;

// What the failure message shows besides the broken check.
struct Trace {
  int event = -1;
  int op = -1;
  const GameState* gs = nullptr;
} trace;

[[noreturn]] void fail(const char* what, int line) {
  std::fprintf(stderr, "fuzz_core.cpp:%d: broken: %s (event %d, opcode %d)\n", line, what,
               trace.event, trace.op);
  if (const GameState* g = trace.gs) {
    std::fprintf(stderr, "  playing %d paddle %d,%d %dx%d ball %d,%d %dx%d speed %d,%d\n",
                 g->playing, g->paddlex, g->paddley, g->paddlew, g->paddleh, g->ballx, g->bally,
                 g->ballw, g->ballh, g->balldx, g->balldy);
  }
  std::abort();
}

// Unlike assert, this also checks in optimised builds, which is what the fuzzer runs.
#define CHECK(cond) ((cond) ? void(0) : fail(#cond, __LINE__))

// The checks' own pixel loops would otherwise spend most of the fuzzer's time reporting
// comparisons and checking single pixel accesses, none of which says anything about the game.
// The bulk copies that they make still go through the sanitizer's checked memmove.
#if defined(__clang__)
#define PIXEL_LOOP __attribute__((no_sanitize("coverage", "address")))
#else
#define PIXEL_LOOP
#endif

class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : d_(data), n_(size) {}
  bool empty() const { return n_ == 0; }
  // Past the end every byte reads as 0, so a cut-off input still decodes.
  uint8_t u8() {
    if (n_ == 0) return 0;
    --n_;
    return *d_++;
  }
  int16_t i16() {
    const unsigned lo = u8();
    const unsigned hi = u8();
    return static_cast<int16_t>(static_cast<uint16_t>(lo | hi << 8));
  }
  double f64() {
    uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits |= uint64_t{u8()} << (8 * i);
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
  }

 private:
  const uint8_t* d_;
  size_t n_;
};

// A different colour for nearly every pixel, so that a copy taken from the wrong place shows.
PIXEL_LOOP void pattern(Surface& s, uint32_t salt) {
  for (int y = 0; y < s.height(); ++y)
    for (int x = 0; x < s.width(); ++x)
      s.setpixel(x, y, render::rgb(x * 2654435761u ^ y * 40503u ^ salt * 97u));
}

// The model of a copy, written apart from the real one: it takes the destination rectangle's
// part inside the destination, then, row by row, the columns whose source pixel lies inside the
// source image. Returns how many pixels it copied.
PIXEL_LOOP int64_t modelcopy(Surface& dst, int64_t x, int64_t y, int64_t w, int64_t h,
                             const Surface& src, int64_t sx, int64_t sy) {
  Surface before;
  const Surface* from = &src;
  if (&dst == &src) {
    before = src;  // a copy within one image reads the pixels as they were
    from = &before;
  }
  int64_t n = 0;
  const int64_t top = std::max<int64_t>(0, y), bottom = std::min<int64_t>(dst.height(), y + h);
  const int64_t left = std::max<int64_t>(0, x), right = std::min<int64_t>(dst.width(), x + w);
  // Destination column dx reads source column sx + dx - x, which must lie in 0 .. width - 1.
  const int64_t first = std::max(left, x - sx), last = std::min(right, x - sx + from->width());
  if (first >= last) return 0;
  for (int64_t dy = top; dy < bottom; ++dy) {
    const int64_t fy = sy + (dy - y);
    if (fy < 0 || fy >= from->height()) continue;
    const Rgb* in = from->row(static_cast<int>(fy));
    std::copy(in + (sx + first - x), in + (sx + last - x), dst.row(static_cast<int>(dy)) + first);
    n += last - first;
  }
  return n;
}

// The pointer's pixel as the rules must see it: the whole number at or left of x, held to
// 16 bits, and 0 for a position that is not a number.
void checkpointer(double x, int16_t px) {
  if (std::isnan(x)) {
    CHECK(px == 0);
  } else if (x < -32768.0) {
    CHECK(px == -32768);
  } else if (x >= 32768.0) {
    CHECK(px == 32767);
  } else {
    CHECK(px <= x && x < px + 1.0);
  }
}

// Negation as the rules do it: -32768 has no positive twin and saturates to 32767.
int saturatedneg(int v) { return v == -32768 ? 32767 : -v; }

// A step may bounce an axis any number of times, so its speed may end as any of these.
bool bouncedspeed(int before, int after) {
  return after == before || after == saturatedneg(before) ||
         after == saturatedneg(saturatedneg(before));
}

// With the starting sprites the field holds white, the paddle's ink and the ball's ink only.
PIXEL_LOOP bool onlyinks(const Surface& s) {
  const Rgb* p = s.data();
  const int64_t n = int64_t{s.width()} * s.height();
  bool ok = true;
  for (int64_t i = 0; i < n; ++i)
    ok &= (p[i] == render::kWhite) | (p[i] == testing_world::kPaddleInk) |
          (p[i] == testing_world::kBallInk);
  return ok;
}

int clamp16(int v) { return std::clamp(v, -32768, 32767); }

// Where a resting ball sits: centred over the paddle, the half pixel going to the even side.
int restingballx(const GameState& g) {
  const int twice = clamp16(g.paddlew - g.ballw) + 2 * g.paddlex;
  int x = twice / 2;
  if (twice % 2 != 0) {
    const int below = twice < 0 ? x - 1 : x;  // the two whole pixels either side
    x = below % 2 == 0 ? below : below + 1;
  }
  return clamp16(x);
}

class Playthrough {
 public:
  explicit Playthrough(Reader& r);
  void play(Reader& r);

 private:
  void move(double x);
  void press();
  void tick();
  void endround(int which);
  void copy(uint8_t op, Reader& r);
  void resize(Reader& r);
  double position(uint8_t op, Reader& r);

  void modelsprite(int16_t x, int16_t y, int16_t w, int16_t h, const Surface& sprite, bool show);
  void modelall();
  void checkall();

  testing_world::World w_;
  game::GameState& g_ = w_.m.gs;
  bool initial_ = true;
  GameState start_;  // the sizes and the paddle's height, which nothing may change
  Surface modeloff_, modelmain_;
  Surface paddlesprite_, ballsprite_;
  Surface scratch_[3];
  int16_t paddlex_ = 0;  // where the paddle must be
  bool paddlemoved_ = false;
  int repaints_ = 0;
  int checkedrepaints_ = -1;
  int ticks_ = 0;
};

Playthrough::Playthrough(Reader& r) {
  trace = Trace{-1, -1, &g_};
  initial_ = (r.u8() & 1) == 0;
  if (!initial_) {
    g_.paddlex = r.i16();
    g_.paddley = r.i16();
    g_.paddlew = r.i16();
    g_.paddleh = r.i16();
    g_.ballx = r.i16();
    g_.bally = r.i16();
    g_.ballw = r.i16();
    g_.ballh = r.i16();
    g_.balldx = r.i16();
    g_.balldy = r.i16();
    g_.playing = (r.u8() & 1) ? game::kTrue : game::kFalse;
    w_.controls.command1 = w_.controls.combo1 = !g_.playing;
    const int pw = r.u8(), ph = r.u8(), bw = r.u8(), bh = r.u8();
    w_.paddle.resize(pw, ph);
    pattern(w_.paddle, 1);
    w_.ball.resize(bw, bh);
    pattern(w_.ball, 2);
    const uint8_t field = r.u8();
    w_.offscr.resize(kFieldSizes[field & 7].w, kFieldSizes[field & 7].h);
    w_.mainscr.resize(kFieldSizes[(field >> 4) & 7].w, kFieldSizes[(field >> 4) & 7].h);
  }
  start_ = g_;
  paddlex_ = g_.paddlex;
  repaints_ = w_.screen.repaints;
  modeloff_ = w_.offscr;
  modelmain_ = w_.mainscr;
  paddlesprite_ = w_.paddle;
  ballsprite_ = w_.ball;
  scratch_[0] = Surface(23, 17, render::kWhite);
  scratch_[1] = Surface(40, 9, render::kBlack);
  scratch_[2] = Surface(5, 31, render::kWhite);
  for (uint32_t i = 0; i < 3; ++i) pattern(scratch_[i], 10 + i);
  checkall();
}

void Playthrough::play(Reader& r) {
  for (int n = 0; n < kMaxEvents && !r.empty(); ++n) {
    const uint8_t op = r.u8();
    trace.event = n;
    trace.op = op;
    ++events;
    switch (op & 7) {
      case 0:
      case 1:
        move(position(op, r));
        break;
      case 2:
        press();
        break;
      case 3:
        for (int i = 0; i <= op >> 3 && ticks_ < kMaxTicks; ++i) tick();
        break;
      case 4:
      case 5:
        endround((op & 7) - 3);
        break;
      case 6:
        copy(op, r);
        break;
      default:
        resize(r);
        break;
    }
    checkall();
  }
}

double Playthrough::position(uint8_t op, Reader& r) {
  switch ((op >> 3) & 3) {
    case 0:
      return r.f64();
    case 1:
      return kOddPositions[r.u8() % std::size(kOddPositions)];
    case 2: {
      const int whole = r.i16();
      return whole + r.u8() / 256.0;
    }
    default:
      return 2.0 * r.u8() - 16.0 + (op >> 5) / 8.0;
  }
}

void Playthrough::modelsprite(int16_t x, int16_t y, int16_t w, int16_t h, const Surface& sprite,
                              bool show) {
  modelcopy(modeloff_, x, y, w, h, sprite, 0, show ? 0 : h);
}

// Paddle first, ball over it, then the whole field onto the screen.
void Playthrough::modelall() {
  modelsprite(g_.paddlex, g_.paddley, g_.paddlew, g_.paddleh, paddlesprite_, true);
  modelsprite(g_.ballx, g_.bally, g_.ballw, g_.ballh, ballsprite_, true);
  modelcopy(modelmain_, 0, 0, game::kFieldWidth, game::kFieldHeight, modeloff_, 0, 0);
  ++repaints_;
}

void Playthrough::move(double x) {
  const GameState before = g_;
  const int16_t px = game::pointerx(x);
  checkpointer(x, px);
  w_.m.movepaddle(px);

  const int limit = std::min(32767, game::kFieldWidth - g_.paddlew);
  paddlex_ = static_cast<int16_t>(limit < 0 ? limit : std::clamp<int>(px, 0, limit));
  paddlemoved_ = true;
  GameState want = before;
  want.paddlex = paddlex_;
  if (!before.playing) want.ballx = static_cast<int16_t>(restingballx(want));
  CHECK(g_ == want);

  // The paddle is erased where it was, and a resting ball with it, before the redraw.
  modelsprite(before.paddlex, before.paddley, before.paddlew, before.paddleh, paddlesprite_, false);
  if (!before.playing)
    modelsprite(before.ballx, before.bally, before.ballw, before.ballh, ballsprite_, false);
  modelall();
}

void Playthrough::press() {
  const GameState before = g_;
  w_.round.startround();
  GameState want = before;
  want.playing = game::kTrue;
  CHECK(g_ == want);
}

void Playthrough::endround(int which) {
  const GameState before = g_;
  if (which == 1) {
    w_.round.endround1();
  } else {
    w_.round.endround2();
  }
  GameState want = before;
  want.playing = game::kFalse;
  CHECK(g_ == want);
}

void Playthrough::tick() {
  ++ticks_;
  const GameState before = g_;
  w_.round.tick();
  if (!before.playing) {
    CHECK(g_ == before);
    return;
  }
  GameState still = g_;  // everything but the ball's place and speed stays
  still.ballx = before.ballx;
  still.bally = before.bally;
  still.balldx = before.balldx;
  still.balldy = before.balldy;
  CHECK(still == before);
  CHECK(bouncedspeed(before.balldx, g_.balldx));
  CHECK(bouncedspeed(before.balldy, g_.balldy));

  const int substeps = w_.m.lastsubsteps();
  CHECK(substeps >= 1);
  CHECK(substeps <= game::kMaxSubsteps);
  // A step that ends before the cap ends because nothing was touched.
  if (substeps < game::kMaxSubsteps) {
    CHECK(w_.m.wallhit() == 0);
    CHECK(w_.m.paddlehit() == 0);
  }
  // Whichever way the step ended, a ball that fits with a pixel to spare on each side is now
  // clear of every wall; one that does not fit is held one pixel in from the top-left walls.
  if (g_.ballw <= game::kFieldWidth - 2) {
    CHECK(g_.ballx >= 1);
    CHECK(g_.ballx <= game::kFieldWidth - 1 - g_.ballw);
    CHECK((w_.m.wallhit() & (game::kHitLeft | game::kHitRight)) == 0);
  } else {
    CHECK(g_.ballx == 1);
  }
  if (g_.ballh <= game::kFieldHeight - 2) {
    CHECK(g_.bally >= 1);
    CHECK(g_.bally <= game::kFieldHeight - 1 - g_.ballh);
    CHECK((w_.m.wallhit() & (game::kHitTop | game::kHitBottom)) == 0);
  } else {
    CHECK(g_.bally == 1);
  }

  modelsprite(before.ballx, before.bally, before.ballw, before.ballh, ballsprite_, false);
  modelall();
}

void Playthrough::copy(uint8_t op, Reader& r) {
  const uint8_t pick = r.u8();
  Surface& dst = scratch_[pick % 3];
  const Surface& src = scratch_[(pick / 3) % 3];
  int64_t x = r.i16(), y = r.i16(), w = r.i16(), h = r.i16(), sx = r.i16(), sy = r.i16();
  if (op & 8) w *= 65536, h *= 65536;
  if (op & 16) x *= 65536, y *= 65536, sx *= 65536, sy *= 65536;
  const Surface srcbefore = src;
  Surface want = dst;
  const int64_t n = modelcopy(want, x, y, w, h, srcbefore, sx, sy);
  const int64_t written =
      render::bitblt(dst, static_cast<int>(x), static_cast<int>(y), static_cast<int>(w),
                     static_cast<int>(h), src, static_cast<int>(sx), static_cast<int>(sy));
  CHECK(written == n);
  CHECK(written <= std::max<int64_t>(0, w) * std::max<int64_t>(0, h));
  CHECK(written <= int64_t{dst.width()} * dst.height());
  CHECK(written <= int64_t{src.width()} * src.height());
  CHECK(dst == want);
  if (&dst != &src) CHECK(src == srcbefore);
}

void Playthrough::resize(Reader& r) {
  const uint8_t pick = r.u8();
  Surface& s = scratch_[pick % 3];
  // Mostly small sizes, negative ones included; now and then one side near the size limit.
  int w = static_cast<int8_t>(r.u8());
  int h = static_cast<int8_t>(r.u8());
  if (pick & 0x80) {
    w += 16384;
    h %= 3;
  }
  const Surface before = s;
  s.resize(w, h);
  CHECK(s.width() == std::clamp(w, 0, 1 << 14));
  CHECK(s.height() == std::clamp(h, 0, 1 << 14));
  CHECK(s.background() == before.background());
  for (int y = 0; y < s.height(); ++y)
    for (int x = 0; x < s.width(); ++x) {
      const bool kept = x < before.width() && y < before.height();
      CHECK(s.pixel(x, y) == (kept ? before.pixel(x, y) : before.background()));
    }
}

void Playthrough::checkall() {
  CHECK(g_.paddley == start_.paddley);
  CHECK(g_.paddlew == start_.paddlew);
  CHECK(g_.paddleh == start_.paddleh);
  CHECK(g_.ballw == start_.ballw);
  CHECK(g_.ballh == start_.ballh);
  CHECK(g_.playing == game::kFalse || g_.playing == game::kTrue);
  CHECK(w_.controls.command1 == !g_.playing);
  CHECK(w_.controls.combo1 == !g_.playing);
  CHECK(g_.paddlex == paddlex_);
  if (paddlemoved_) {
    // A paddle that fits stays in the field; a wider one hangs over the left edge by the
    // difference, so that its right end is at the field's right edge.
    if (g_.paddlew <= game::kFieldWidth) {
      CHECK(g_.paddlex >= 0);
      CHECK(g_.paddlex <= std::min(32767, game::kFieldWidth - g_.paddlew));
    } else {
      CHECK(g_.paddlex == game::kFieldWidth - g_.paddlew);
    }
  }
  CHECK(w_.screen.repaints == repaints_);
  // The sprite images are only ever read.
  CHECK(w_.paddle == paddlesprite_);
  CHECK(w_.ball == ballsprite_);
  CHECK(w_.offscr == modeloff_);
  CHECK(w_.mainscr == modelmain_);

  const bool drew = repaints_ != checkedrepaints_;
  checkedrepaints_ = repaints_;
  if (initial_) {
    // With the starting sizes the ball only ever climbs and falls in steps of 5 from 248.
    CHECK(g_.balldx == 0);
    CHECK(g_.balldy == 5 || g_.balldy == -5);
    CHECK(g_.bally % 5 == 3);
    CHECK(g_.bally >= 3);
    CHECK(g_.bally <= game::kFieldHeight - g_.ballh - 3);
    // These whole-field checks can change only with a redraw: without one, offscr equals the
    // unchanged model (checked above) and the sprites are where they were.
    if (drew) {
      CHECK(onlyinks(w_.offscr));
      CHECK(w_.offscr == w_.composed());
      CHECK(w_.mainscr == w_.offscr);
    }
  }
}

}  // namespace

namespace fuzzcore {

uint64_t eventsplayed() { return events; }

}  // namespace fuzzcore

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Reader r(data, size);
  Playthrough playthrough(r);
  playthrough.play(r);
  return 0;
}
