#pragma once

// What the rest of the program knows of one foreign format: every table that lists formats
// (type detection, descriptions, target buttons, import routes, batch header lines, the
// settings fields) is built from these descriptors, one in each format's own file.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "codings/dither.h"
#include "codings/linear.h"
#include "formats/conversion_context.h"
#include "formats/format_settings.h"
#include "formats/head_container.h"
#include "platform/number_text.h"

namespace vorsel {

class ByteReader;

// The settings of every foreign format, each format's own struct a base of it
// (formats/format_list.h).
struct ForeignFormatSettings;

// Where a settings field may be stored.
enum class SettingStorage {
  Everywhere,     // the per-user store and settings files
  UserStoreOnly,  // never written into a settings file
  OwnCommand,     // per-user store, read and written only by its own menu command
  WrittenOnly,    // written for other programs, never read back
};

using SettingRef = std::variant<int32_t*, bool*, double*, std::string*>;

// One field of a format's settings section, stored under the section's name and `key`.
struct SettingRow {
  std::string_view key;
  SettingStorage storage = SettingStorage::Everywhere;
  SettingRef (*ref)(ForeignFormatSettings& settings) = nullptr;
};

// One section of the settings record ("ExportWAV"). `place` orders the sections of a new
// settings file, which have always come in the same order; a new section takes a place after
// the others.
struct SettingsSection {
  std::string_view name;
  int32_t place = 0;
  std::span<const SettingRow> rows;
};

// One file type code of the format with its name and the extensions that give it.
struct FormatFileType {
  int32_t code = 0;
  std::string_view name;
  std::span<const std::string_view> extensions;  // lower case, from the "."
};

// The answer of a detector for bytes of another format.
inline constexpr int32_t kNotThisFormatCode = -1;

// Binary headers are tested before the SMP head, text after it.
enum class DetectionStage { Header, Text };

// An importer or exporter as the batch calls it: it reads only its own sections.
using FormatConverter = void (*)(ConversionContext& context, const ForeignFormatSettings& settings,
                                 const std::string& inputPath, const std::string& outputPath);
using SettingsLine = std::string (*)(const ForeignFormatSettings& settings);

struct FormatImport {
  FormatConverter convert = nullptr;
  // The line the batch logs before the file is converted; nullptr for none.
  SettingsLine assumptionLine = nullptr;
};

// How an export writes 8-bit linear samples.
struct EightBitLinear {
  // Nothing where the user chooses it.
  std::optional<Representation> representation;
  // What dither may add before the cut to 8 bits.
  DitherRange dither;
};

// The export button of the main window and its command-line action.
struct FormatExport {
  std::string_view buttonName;  // "wavbutton"
  std::string_view caption;     // "WAV !"
  std::string_view cliAction;   // "to-wav"
  std::string_view cliHelp;     // its line in the command-line usage
  SettingsLine extension = nullptr;
  // The extension the import refusal of SMP files names, and its place in that list.
  std::string_view refusalExtension;
  int32_t refusalPlace = 0;
  SettingsLine headerLine = nullptr;  // the first line of the export batch
  // The batch itself logs a cancelled save dialog instead of calling the exporter.
  bool batchLogsCancel = false;
  FormatConverter convert = nullptr;
  // Nothing when the format has no 8-bit linear coding.
  std::optional<EightBitLinear> eightBit;
};

struct FormatDescriptor {
  std::string_view format;  // how log lines name it, "AIFF"
  std::span<const FormatFileType> types;
  // The code for the first bytes of a file (at least 4), or kNotThisFormatCode; textLines
  // header lines may come before the numbers of a text file. nullptr: never by content.
  int32_t (*detect)(std::span<const uint8_t> bytes, int32_t textLines) = nullptr;
  DetectionStage stage = DetectionStage::Header;
  // Files beginning with this tag are no SMP head or text even when `detect` declines them.
  std::string_view reservedTag;
  // The description after the type name, read from the file's start; nullptr: the size alone.
  std::string (*describe)(int32_t code, ByteReader& reader, int64_t fileSize,
                          const NumberFormat& format) = nullptr;
  std::span<const SettingsSection> settings;
  std::optional<FormatImport> importer;
  std::optional<FormatExport> exporter;
  // How an exported file carries the SMP head; nothing when it cannot.
  std::optional<HeadContainer> embeddedHead;
};

// Adapts a converter that takes its own section of the settings (WithSection<&WAVSettings::
// ExportWAV, &ExportWAV>). Instantiated where formats/format_list.h is included.
template <auto Section, auto Convert>
void WithSection(ConversionContext& context, const ForeignFormatSettings& settings,
                 const std::string& inputPath, const std::string& outputPath) {
  Convert(context, settings.*Section, inputPath, outputPath);
}

template <auto Section, auto Field>
SettingRef RefTo(ForeignFormatSettings& settings) {
  return &((settings.*Section).*Field);
}

// The rows of the view and range that every import section begins with.
template <auto Section>
constexpr std::array<SettingRow, 7> ImportViewRows() {
  using V = ImportViewSettings;
  return {{
      {"ViewLo", SettingStorage::Everywhere, &RefTo<Section, &V::ViewLo>},
      {"ViewHi", SettingStorage::Everywhere, &RefTo<Section, &V::ViewHi>},
      {"Unit", SettingStorage::Everywhere, &RefTo<Section, &V::Unit>},
      {"AxisText", SettingStorage::Everywhere, &RefTo<Section, &V::AxisText>},
      {"RangeLo", SettingStorage::Everywhere, &RefTo<Section, &V::RangeLo>},
      {"RangeHi", SettingStorage::Everywhere, &RefTo<Section, &V::RangeHi>},
      {"MSBFirst", SettingStorage::Everywhere, &RefTo<Section, &V::MSBFirst>},
  }};
}

template <size_t A, size_t B>
constexpr std::array<SettingRow, A + B> JoinRows(const std::array<SettingRow, A>& first,
                                                 const std::array<SettingRow, B>& second) {
  std::array<SettingRow, A + B> rows{};
  for (size_t i = 0; i < A; ++i) {
    rows[i] = first[i];
  }
  for (size_t i = 0; i < B; ++i) {
    rows[A + i] = second[i];
  }
  return rows;
}

}  // namespace vorsel
