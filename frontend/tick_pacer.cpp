#include "frontend/tick_pacer.h"

#include <utility>

#include "platform/tick.h"

namespace vorsel {

TickPacer::TickPacer() : clock_(&GetTickCount) {}

TickPacer::TickPacer(Clock clock) : clock_(std::move(clock)) {}

bool TickPacer::TickDue(uint32_t ms) {
  const uint32_t now = clock_();
  // By difference, so that the 32-bit wrap of the tick count never stalls the pacing.
  if (static_cast<uint32_t>(now - timestamp_) <= ms) {
    return false;
  }
  timestamp_ = now;
  return true;
}

}  // namespace vorsel
