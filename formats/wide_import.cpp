#include "formats/wide_import.h"

#include <string>

namespace vorsel {

void WideImport::LogReduction(ConversionContext& context) const {
  if (IsFloatCoding(coding_)) {
    context.log.Append("floating-point samples scaled to 16 bits, " + std::to_string(clipped_) +
                       " clipped");
  } else {
    context.log.Append(std::to_string(SampleBytes() * 8) + "-bit samples reduced to 16 bits");
  }
}

}  // namespace vorsel
