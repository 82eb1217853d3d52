#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "fileio/byteio.h"
#include "platform/number_text.h"
#include "probing/filetype.h"

namespace vorsel {

// The one-line description of a file for people: its type name and, from its own header, its
// size, duration, coding, rate and channels, with the separators of the user's locale (WAV
// 2,000,044 bytes, 11.338 s, lin 16, 44100 Hz, 2 channels). Empty when no file exists at path.
// Only headers are read. Throws std::system_error when the file exists but cannot be read.
std::string FileDescription(const std::string& path, const ProbeSettings& settings);
std::string FileDescription(const std::string& path, const ProbeSettings& settings,
                            const NumberFormat& format);

// The part after the type name for a file of the type, read through `reader` from its start:
// what its format's describer gives, else the size alone ("2,000,044 bytes").
std::string HeaderDetail(std::span<const FormatProbe> formats, int32_t fileType, ByteReader& reader,
                         int64_t fileSize, const NumberFormat& format);

}  // namespace vorsel
