#include "frontend/smp_component.h"

namespace vorsel {

void ConfigureSMPfile1(TSMPfile& file, ConversionBatch& batch) {
  file.Setdefheadsize(1024);
  file.SetdefFileType("samp");
  file.SetdefSfTot(16000);
  file.SetdefnChans(1);
  file.SetdefMSBFirst(false);
  file.SetdefViewLo(-1);
  file.SetdefViewHi(1);
  file.SetdefRangeLo(-32768);
  file.SetdefRangeHi(32768);
  file.SetOverwrite(true);
  file.SetUseTempFile(false);
  file.SetChunknSamples(kChunkCapacity);
  file.SetEraseCSVFile(true);
  file.SetLongTime(100);
  file.SetUseShortCSVPathname(true);
  file.SetnViewDigits(6);
  file.SetWriteThroughCache(false);
  file.OnLongTimeBusy = [&batch](TSMPfile&) { batch.BusyTick(); };
}

}  // namespace vorsel
