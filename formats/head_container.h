#pragma once

namespace vorsel {

// The containers that carry an embedded SMP head ("kelm" chunk, formats/kelm.h).
enum class HeadContainer { WAV, AU, AIFF, NSP };

}  // namespace vorsel
