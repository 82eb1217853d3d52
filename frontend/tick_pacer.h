#pragma once

#include <cstdint>
#include <functional>

namespace vorsel {

// Paces work that must not run on every call: one timestamp shared by every caller in the
// program (the busy tick and the hex dump viewer).
class TickPacer {
 public:
  using Clock = std::function<uint32_t()>;

  // The system's millisecond tick count by default.
  TickPacer();
  explicit TickPacer(Clock clock);

  // True, and the timestamp moves to now, when more than ms milliseconds have passed since it.
  bool TickDue(uint32_t ms);

 private:
  Clock clock_;
  uint32_t timestamp_ = 0;
};

}  // namespace vorsel
