// The SMP head parse on any bytes: open_file, every typed item and channel property, a read of
// all samples, then an item change saved in place. The only exception the component may raise
// is EInvalidSMPHeader; a save must keep every sample it had.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "fuzz/fuzz_workspace.h"
#include "smp/sSMP.h"

namespace {

using vorsel::fuzz::Fail;

// Everything a reader of the file asks; nothing when the head's scan item is invalid.
std::optional<std::vector<int16_t>> ReadEverything(vorsel::TSMPfile& smp) {
  try {
    smp.HeadSize();
    smp.FileType();
    smp.SfTot();
    smp.MSBFirst();
    smp.ScanStr();
    smp.IsSplitRate();
    const int32_t channels = smp.nChans();
    const int32_t slots = smp.ScanCount();
    smp.nSamples();
    smp.MinMax();
    const auto chunk = std::make_unique<vorsel::tsamplechunk>();
    for (int c = -1; c <= channels && c < 130; ++c) {
      smp.GetView(c);
      smp.GetViewUnit(c);
      smp.GetRange(c);
      smp.ChannelSf(c);
      smp.ChannelnSamples(c);
      smp.ChannelDuration(c);
      smp.ScanPitch(c);
      smp.ScanFirst(c);
      smp.SetChannelSelStart(c, 0);
      smp.SetChannelSellength(c, smp.ChannelnSamples(c));
      smp.ChannelMinMax(c);
      smp.SetChannelPosition(c, 0);
      smp.GetChannelChunk(c, *chunk);
    }
    for (int slot = 0; slot <= slots && slot < 520; ++slot) {
      smp.ScanChannel(slot);
    }
    std::vector<int16_t> samples;
    smp.SetPosition(0);
    for (;;) {
      smp.GetChunk(*chunk);
      if (chunk->used <= 0) {
        break;
      }
      samples.insert(samples.end(), chunk->data, chunk->data + chunk->used);
    }
    return samples;
  } catch (const vorsel::EInvalidSMPHeader&) {
    return std::nullopt;
  }
}

std::optional<std::vector<int16_t>> OpenAndRead(const std::string& path, bool readOnly,
                                                vorsel::TSMPfile& smp) {
  try {
    if (!smp.open_file(path, readOnly)) {
      return std::nullopt;
    }
  } catch (const vorsel::EInvalidSMPHeader&) {
    return std::nullopt;
  }
  return ReadEverything(smp);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const vorsel::fuzz::Workspace& workspace = vorsel::fuzz::TheWorkspace();
  const std::string path = workspace.Write("in.smp", std::span(data, size));
  try {
    vorsel::TSMPfile reader;
    const std::optional<std::vector<int16_t>> before = OpenAndRead(path, true, reader);
    // A file whose labels are external has the save write its label file, wherever that is
    // named; also when the head's last "labels" line removed the item, since the name stays.
    const bool namesLabelFile = reader.ExternalLabels() || !reader.get_item("labels").empty();
    reader.close_file();

    if (before && !namesLabelFile) {
      vorsel::TSMPfile writer;
      if (OpenAndRead(path, false, writer)) {
        writer.set_item("fuzzmark", "1");
        writer.save_file("");
      }
      writer.close_file();
      vorsel::TSMPfile again;
      const std::optional<std::vector<int16_t>> after = OpenAndRead(path, true, again);
      again.close_file();
      if (!after || *after != *before) {
        Fail("saving an item change lost or changed samples");
      }
    }
  } catch (const std::exception& error) {
    Fail(std::string("the SMP component raised: ") + error.what());
  }
  workspace.ExpectOnly({"in.smp", "in.csv"});
  workspace.Clear();
  return 0;
}
