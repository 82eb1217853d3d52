#include "codings/dither.h"

#include <chrono>

namespace vorsel {

DitherGenerator& ProcessDither() {
  static DitherGenerator generator(
      static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
      static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()));
  return generator;
}

namespace {
// Seeds the generator during start-up rather than at the first dithered sample.
[[maybe_unused]] const DitherGenerator& startupDither = ProcessDither();
}  // namespace

}  // namespace vorsel
