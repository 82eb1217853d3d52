#include <chrono>

#include "platform/tick.h"

namespace vorsel {

uint32_t GetTickCount() {
  const auto since = std::chrono::steady_clock::now().time_since_epoch();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(since).count();
  return static_cast<uint32_t>(static_cast<uint64_t>(ms));
}

}  // namespace vorsel
