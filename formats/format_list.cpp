#include "formats/format_list.h"

namespace vorsel {

std::span<const FormatDescriptor* const> ForeignFormats() {
  return ForeignFormatList::kDescriptors;
}

}  // namespace vorsel
