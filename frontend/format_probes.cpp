#include "frontend/format_probes.h"

#include <vector>

#include "formats/format_list.h"

namespace vorsel {

namespace {

static_assert(kNotThisFormat == kNotThisFormatCode, "detectors answer in probing's terms");

struct ProbeTables {
  std::vector<std::vector<ProbeType>> types;  // one list per format; the probes point into them
  std::vector<FormatProbe> probes;

  ProbeTables() {
    types.reserve(ForeignFormats().size());
    for (const FormatDescriptor* descriptor : ForeignFormats()) {
      std::vector<ProbeType>& own = types.emplace_back();
      for (const FormatFileType& type : descriptor->types) {
        own.push_back({.code = type.code, .name = type.name, .extensions = type.extensions});
      }
      probes.push_back({
          .types = own,
          .detect = descriptor->detect,
          .stage =
              descriptor->stage == DetectionStage::Text ? ProbeStage::Text : ProbeStage::Header,
          .reservedTag = descriptor->reservedTag,
          .describe = descriptor->describe,
      });
    }
  }
};

}  // namespace

std::span<const FormatProbe> ForeignFormatProbes() {
  static const ProbeTables tables;
  return tables.probes;
}

}  // namespace vorsel
