#pragma once

#include <array>
#include <span>

#include "formats/aiff.h"
#include "formats/au.h"
#include "formats/format_descriptor.h"
#include "formats/nsp.h"
#include "formats/raw.h"
#include "formats/txt.h"
#include "formats/wav.h"

namespace vorsel {

// Formats given as types that name their settings struct (`Settings`) and their descriptor
// (`descriptor`).
template <class... Formats>
struct FormatList {
  struct Settings : Formats::Settings... {};
  static constexpr std::array<const FormatDescriptor*, sizeof...(Formats)> kDescriptors = {
      &Formats::descriptor...};
};

// The foreign formats, in the order of the main window's export buttons. A new format is one
// entry here.
using ForeignFormatList =
    FormatList<WAVFormat, AUFormat, AIFFFormat, NSPFormat, RAWFormat, TXTFormat>;

struct ForeignFormatSettings : ForeignFormatList::Settings {};

std::span<const FormatDescriptor* const> ForeignFormats();

}  // namespace vorsel
