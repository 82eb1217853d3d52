#pragma once

namespace vorsel {

// How an exported file frames the embedded SMP head (formats/kelm.h): a chunk of its own, or
// an application chunk whose signature is "kelm", for containers that reserve private data to
// such chunks.
enum class HeadContainer { KelmChunk, ApplicationChunk };

}  // namespace vorsel
