#pragma once

#include <cstddef>
#include <cstdint>

// Plays one input against the rules and the frame composition and aborts on the first broken
// rule. The fuzzer calls it directly; the replay program calls it once for every stored input.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fuzzcore {

// How many events all inputs so far have played, for the replay program's figures.
uint64_t eventsplayed();

}  // namespace fuzzcore
