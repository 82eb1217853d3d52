// The label-file loader on any bytes: ReadLabelFile, then the label file of an SMP file whose
// head names it, through every label operation and a save that writes it anew.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "fuzz/fuzz_workspace.h"
#include "platform/dotnum.h"
#include "smp/label_file.h"
#include "smp/sSMP.h"

namespace {

using vorsel::fuzz::Fail;

// A mono SMP file of a few samples whose head names the label file.
std::string SmpNaming(const vorsel::fuzz::Workspace& workspace, const std::string& labelFile) {
  std::string head = "head=1024\r\nfile=samp\r\nsftot=16000\r\nnchans=1\r\nlabels=" + labelFile +
                     "\r\n=\r\n" + std::string("\x00\x04\x1A", 3);
  head.resize(1024, '\0');
  head += std::string(64, '\x01');
  return workspace.Write("in.smp",
                         std::span(reinterpret_cast<const uint8_t*>(head.data()), head.size()));
}

void UseEveryLabel(vorsel::TSMPfile& smp) {
  const int32_t count = smp.nlabels();
  for (int32_t n = 0; n < count && n < 256; ++n) {
    smp.GetLabel(n);
    smp.LabelStart(n);
    smp.LabelLength(n);
    smp.LabelText(n);
    smp.SelectLabel(n);
    smp.ChannelSelectLabel(n, 0);
  }
  try {
    smp.ScaleLabelsBy(0.5);
  } catch (const vorsel::EConvertError&) {
    // A label whose start or length is no number stops the rescaling, as it should.
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const vorsel::fuzz::Workspace& workspace = vorsel::fuzz::TheWorkspace();
  const std::string labels = workspace.Write("in.csv", std::span(data, size));
  try {
    vorsel::ReadLabelFile(labels);
    const std::string smpPath = SmpNaming(workspace, labels);
    {
      vorsel::TSMPfile smp;
      if (!smp.open_file(smpPath, false)) {
        Fail("the SMP file naming the label file does not open");
      }
      UseEveryLabel(smp);
      smp.add_label("1,2,added");
      smp.save_file("");
      smp.close_file();
    }
    vorsel::TSMPfile again;
    if (!again.open_file(smpPath, true)) {
      Fail("the saved SMP file does not open");
    }
    UseEveryLabel(again);
    again.SetExternalLabels(false);
    again.close_file();
  } catch (const std::exception& error) {
    Fail(std::string("the label store raised: ") + error.what());
  }
  workspace.ExpectOnly({"in.csv", "in.smp"});
  workspace.Clear();
  return 0;
}
