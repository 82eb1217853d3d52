#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vorsel {

// File type codes; the numbers appear in settings and tables, so they stay fixed.
enum FileTypeCode : int32_t {
  ftRAW = 0,  // headerless sample data, and anything unrecognised
  ftSMP = 1,
  ftWAV = 2,
  ftAU = 3,
  ftAIFF = 4,
  ftAIFC = 5,
  ftNSP = 6,
  ftTXT = 7,
};

// The options that type detection follows.
struct ProbeSettings {
  bool UseExtensionAsId = false;  // by the extension alone instead of the first bytes
  int32_t StripLines = 0;         // header lines allowed before the numbers of a text file
};

// Detection never looks further into a file than this.
inline constexpr size_t kFileTypeProbeBytes = 16384;

// "RAW", "SMP", "WAV", "AU", "AIFF", "AIFF-C", "NSP", "TXT"; empty for any other number.
std::string_view FileTypeCodeName(int32_t code);

// By the first bytes, or by the extension alone when UseExtensionAsId is set.
// Throws std::system_error when the file cannot be opened or read.
int32_t FileTypeOf(const std::string& path, const ProbeSettings& settings);

// The name of FileTypeOf (path).
std::string FileTypeName(const std::string& path, const ProbeSettings& settings);

// The code of the file name's extension (from its last "."), compared without regard to case.
int32_t FileTypeOfExtension(std::string_view path);

// The code for the first bytes of a file; stripLines header lines are allowed before numbers.
int32_t FileTypeOfBytes(std::span<const uint8_t> bytes, int32_t stripLines);

// True when the bytes begin with a complete SMP text head: name=value lines closed by "=".
bool HoldsSMPHead(std::span<const uint8_t> bytes);

// True when, after stripLines lines, the bytes hold only number characters and white space
// and at least one digit.
bool HoldsNumberText(std::span<const uint8_t> bytes, int32_t stripLines);

}  // namespace vorsel
