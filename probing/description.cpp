#include "probing/description.h"

#include <array>
#include <cmath>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>

#include "probing/filetype.h"
#include "smp/sSMP.h"

namespace vorsel {

namespace {

constexpr std::string_view kUnknownEncoding = "Unknown encoding";

std::string ChannelsText(int64_t channels) {
  return std::to_string(channels) + (channels >= 2 ? " channels" : " channel");
}

std::string SMPDetail(const std::string& path, int64_t fileSize, const NumberFormat& format) {
  // A component of its own: the main window's may have a file open.
  TSMPfile smp;
  try {
    if (!smp.open_file(path, true)) {
      return "Can't open " + path;
    }
  } catch (const EInvalidSMPHeader&) {
    return "Can't open " + path;
  }
  const double duration = smp.ChannelDuration(0);
  const double rate = smp.SfTot();
  const int32_t channels = smp.nChans();
  // Channel 0 needs a rate for its duration (sftot=0 has none); a file without channels shows
  // the duration 0.
  const bool timed = channels < 1 || smp.ChannelSf(0) > 0;
  smp.close_file();
  if (!timed) {
    return std::string(kUnknownEncoding);
  }
  return FormatGrouped(fileSize, format) + " bytes, " + FormatThreeDecimals(duration, format) +
         " s, " + FormatGeneral(rate, format) + " Hz tot, " + ChannelsText(channels);
}

}  // namespace

std::string HeaderDetail(std::span<const FormatProbe> formats, int32_t fileType, ByteReader& reader,
                         int64_t fileSize, const NumberFormat& format) {
  const FormatProbe* probe = FindFormatProbe(formats, fileType);
  if (probe == nullptr || probe->describe == nullptr) {
    return FormatGrouped(fileSize, format) + " bytes";
  }
  return probe->describe(fileType, reader, fileSize, format);
}

std::string FileDescription(const std::string& path, const ProbeSettings& settings) {
  return FileDescription(path, settings, UserNumberFormat());
}

std::string FileDescription(const std::string& path, const ProbeSettings& settings,
                            const NumberFormat& format) {
  std::error_code error;
  // Only regular files are described: opening a pipe or a device could wait for ever.
  if (!std::filesystem::is_regular_file(path, error)) {
    return {};
  }
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  const int64_t fileSize = error ? -1 : static_cast<int64_t>(size);
  const int32_t type = FileTypeOf(path, settings);
  const std::string name(FileTypeCodeName(type, settings.formats));
  if (type == ftSMP) {
    return name + " " + SMPDetail(path, fileSize, format);
  }
  const FormatProbe* probe = FindFormatProbe(settings.formats, type);
  if (probe == nullptr || probe->describe == nullptr) {
    return name + " " + FormatGrouped(fileSize, format) + " bytes";
  }
  ByteReader reader(path);
  return name + " " + probe->describe(type, reader, fileSize, format);
}

}  // namespace vorsel
