#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/number_text.h"

namespace vorsel {

class ByteReader;

// File type codes appear in settings and tables, so they stay fixed. The foreign formats own
// theirs; these two belong to detection itself.
inline constexpr int32_t kUnrecognisedFileType = 0;  // the code of headerless data (RAW)
inline constexpr int32_t ftSMP = 1;

// What a detector answers for bytes that are not its format's.
inline constexpr int32_t kNotThisFormat = -1;

// One type code of a foreign format as detection and descriptions know it.
struct ProbeType {
  int32_t code = kUnrecognisedFileType;
  std::string_view name;                         // "AIFF-C"
  std::span<const std::string_view> extensions;  // lower case, from the ".": ".aifc", ".afc"
};

// Binary headers are tested before the SMP head, text after it.
enum class ProbeStage { Header, Text };

// What detection and descriptions know of one foreign format. The formats do not belong to
// this library: the owner of the format list hands these in through ProbeSettings.
struct FormatProbe {
  std::span<const ProbeType> types;
  // The code for the first bytes of a file (at least 4), or kNotThisFormat; textLines header
  // lines may come before the numbers of a text file. nullptr: never by content.
  int32_t (*detect)(std::span<const uint8_t> bytes, int32_t textLines) = nullptr;
  ProbeStage stage = ProbeStage::Header;
  // Files that begin with this tag are never taken for an SMP head or text, even when the
  // detector declines them ("FORM" of an unknown kind is headerless data).
  std::string_view reservedTag;
  // The part of the description after the type name, from the start of the file.
  // nullptr: the size alone.
  std::string (*describe)(int32_t code, ByteReader& reader, int64_t fileSize,
                          const NumberFormat& format) = nullptr;
};

// The options that type detection follows.
struct ProbeSettings {
  bool UseExtensionAsId = false;         // by the extension alone instead of the first bytes
  int32_t StripLines = 0;                // header lines allowed before the numbers of a text file
  std::span<const FormatProbe> formats;  // without them every file is SMP or unrecognised
};

// Detection never looks further into a file than this.
inline constexpr size_t kFileTypeProbeBytes = 16384;

// "SMP" or the name a format gives the code; empty for any other number.
std::string_view FileTypeCodeName(int32_t code, std::span<const FormatProbe> formats);

// By the first bytes, or by the extension alone when UseExtensionAsId is set.
// Throws std::system_error when the file cannot be opened or read.
int32_t FileTypeOf(const std::string& path, const ProbeSettings& settings);

// The name of FileTypeOf (path).
std::string FileTypeName(const std::string& path, const ProbeSettings& settings);

// The code of the file name's extension (from its last "."), compared without regard to case.
int32_t FileTypeOfExtension(std::string_view path, std::span<const FormatProbe> formats);

// The code for the first bytes of a file.
int32_t FileTypeOfBytes(std::span<const uint8_t> bytes, const ProbeSettings& settings);

// The format that has the code, or nullptr.
const FormatProbe* FindFormatProbe(std::span<const FormatProbe> formats, int32_t code);

// True when the bytes begin with a complete SMP text head: name=value lines closed by "=".
bool HoldsSMPHead(std::span<const uint8_t> bytes);

}  // namespace vorsel
