// TSMPfile: the scan pattern, selections, minimum and maximum, and one-channel access.

#include <algorithm>
#include <charconv>
#include <memory>

#include "smp/sSMP.h"
#include "smp/sample_order.h"

namespace vorsel {

namespace {

int64_t FloorDiv(int64_t value, int64_t divisor) {
  int64_t quotient = value / divisor;
  if ((value % divisor != 0) && ((value < 0) != (divisor < 0))) {
    --quotient;
  }
  return quotient;
}

// How many of the slots first, first + pitch, ... lie below `end`.
int64_t SlotsBelow(int64_t end, int64_t first, int64_t pitch) {
  return end > first ? (end - first + pitch - 1) / pitch : 0;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Keeps a whole-file count or position in the 32-bit range of the interface.
bool FitsPosition(int64_t value) {
  return value >= 0 && value < kMaxFileBytes;
}

}  // namespace

// ---- Scan tables ------------------------------------------------------------------------------

void TSMPfile::RaiseInvalidScan() {
  throw EInvalidSMPHeader("File header in " + ffilename +
                          "\rHas an invalid \"scan\" item:\rscan=" + get_item("scan"));
}

void TSMPfile::EnsureScanTables() {
  if (fcachedirty) {
    RebuildScanTables();
  }
}

void TSMPfile::RebuildScanTables() {
  const std::string scan = get_item("scan");
  const int32_t channels = nChans();
  // The tables hold channels 0 to 127; a head naming more cannot describe its data here.
  if (channels > kMaxChannels) {
    RaiseInvalidScan();
  }
  std::array<int32_t, kMaxScanSlots> slots{};
  int32_t count = 0;
  if (!scan.empty()) {
    size_t pos = 0;
    while (pos < scan.size()) {
      if (!IsDigit(scan[pos])) {
        ++pos;
        continue;
      }
      const size_t start = pos;
      while (pos < scan.size() && IsDigit(scan[pos])) {
        ++pos;
      }
      int32_t channel = -1;
      const auto read = std::from_chars(scan.data() + start, scan.data() + pos, channel);
      if (read.ec != std::errc{} || channel >= kMaxChannels || count == kMaxScanSlots) {
        RaiseInvalidScan();
      }
      slots[static_cast<size_t>(count++)] = channel;
    }
  } else {
    for (int32_t i = 0; i < channels; ++i) {
      slots[static_cast<size_t>(i)] = i;
      fdebugerrorstr = "Was " + std::to_string(i);
    }
    count = std::max(channels, int32_t{0});
  }

  std::array<int32_t, kMaxChannels> occurrences{};
  for (int32_t k = 0; k < count; ++k) {
    ++occurrences[static_cast<size_t>(slots[static_cast<size_t>(k)])];
  }
  std::array<int32_t, kMaxChannels> pitch{};
  for (int32_t c = 0; c < channels; ++c) {
    if (occurrences[static_cast<size_t>(c)] == 0) {
      RaiseInvalidScan();
    }
    pitch[static_cast<size_t>(c)] = count / occurrences[static_cast<size_t>(c)];
  }
  std::array<int32_t, kMaxChannels> first{};
  first.fill(-1);
  for (int32_t k = count - 1; k >= 0; --k) {
    first[static_cast<size_t>(slots[static_cast<size_t>(k)])] = k;
  }
  fscancache = slots;
  fscancount = count;
  fscanpitchcache = pitch;
  fscanfirstcache = first;
  fcachedirty = false;

  if (scan.empty()) {
    return;
  }
  // Each channel must recur at one fixed spacing through the period.
  for (int32_t c = 0; c < channels; ++c) {
    const int32_t step = pitch[static_cast<size_t>(c)];
    int32_t k = first[static_cast<size_t>(c)];
    if (k < 0 || k >= count) {
      RaiseInvalidScan();
    }
    while (k < count) {
      k += step;
      if (slots[static_cast<size_t>(k % count)] != c) {
        RaiseInvalidScan();
      }
    }
  }
}

int32_t TSMPfile::ScanCount() {
  EnsureScanTables();
  return fscancount;
}

bool TSMPfile::IsSplitRate() {
  return ScanCount() != nChans();
}

std::string TSMPfile::ScanStr() const {
  return get_item("scan");
}

void TSMPfile::SetScanStr(std::string_view value) {
  set_item("scan", value);
  RebuildScanTables();
  fchannelfileposition.fill(fheadoffset);
  fchannelprevfileposition.fill(fheadoffset);
  fchannelselstart.fill(0);
  fchannelsellength.fill(0);
}

int32_t TSMPfile::ScanPitch(int channo) {
  EnsureScanTables();
  return ValidChannel(channo) ? fscanpitchcache[static_cast<size_t>(channo)] : 0;
}

int32_t TSMPfile::ScanFirst(int channo) {
  EnsureScanTables();
  return ValidChannel(channo) ? fscanfirstcache[static_cast<size_t>(channo)] : -1;
}

int32_t TSMPfile::ScanChannel(int index) {
  EnsureScanTables();
  return index >= 0 && index < fscancount ? fscancache[static_cast<size_t>(index)] : -1;
}

double TSMPfile::ChannelSf(int channo) {
  const int32_t pitch = ScanPitch(channo);
  if (pitch <= 0) {
    return 0.0;
  }
  const double rate = SfTot() / pitch;
  return rate < 0.0 ? 0.0 : rate;
}

int32_t TSMPfile::ChannelnSamples(int channo) {
  if (!fisopen) {
    return 0;
  }
  const int32_t pitch = ScanPitch(channo);
  if (pitch <= 0) {
    return 0;
  }
  return static_cast<int32_t>((ftmp.Size() - fheadoffset) / 2 / pitch);
}

double TSMPfile::ChannelDuration(int channo) {
  if (channo < 0 || channo >= nChans()) {
    return 0.0;
  }
  // A channel without a rate has no duration; never inf or NaN.
  const double rate = ChannelSf(channo);
  return rate > 0.0 ? ChannelnSamples(channo) / rate : 0.0;
}

// ---- Selection of the whole file --------------------------------------------------------------

int32_t TSMPfile::SelStart() const {
  return fisopen ? fselstart : 0;
}

void TSMPfile::SetSelStart(int32_t value) {
  const int32_t s = ScanCount();
  fselstart = s > 0 ? value / s * s : 0;
  SetSelPosition(0);
}

int32_t TSMPfile::Sellength() const {
  return fisopen ? fsellength : 0;
}

void TSMPfile::SetSellength(int32_t value) {
  const int32_t s = ScanCount();
  fsellength = s > 0 ? value / s * s : 0;
}

int32_t TSMPfile::SelPosition() {
  return Position() - SelStart();
}

void TSMPfile::SetSelPosition(int32_t value) {
  const int64_t target = int64_t{value} + SelStart();
  if (FitsPosition(target)) {
    SetPosition(static_cast<int32_t>(target));
  }
}

int32_t TSMPfile::ScanPosition() {
  const int32_t s = ScanCount();
  return s > 0 ? Position() / s : 0;
}

void TSMPfile::SetScanPosition(int32_t value) {
  const int64_t target = int64_t{value} * ScanCount();
  if (FitsPosition(target)) {
    SetPosition(static_cast<int32_t>(target));
  }
}

int32_t TSMPfile::SelScanPosition() {
  const int32_t s = ScanCount();
  return s > 0 ? SelPosition() / s : 0;
}

void TSMPfile::SetSelScanPosition(int32_t value) {
  const int64_t target = int64_t{value} * ScanCount();
  if (target >= INT32_MIN && target <= INT32_MAX) {
    SetSelPosition(static_cast<int32_t>(target));
  }
}

void TSMPfile::SelectAll() {
  SetSelStart(0);
  SetSellength(nSamples());
}

void TSMPfile::GetScanChunk(tsamplechunk& chunk) {
  ReadChunkSamples(chunk, std::clamp(ScanCount(), int32_t{1}, kChunkCapacity));
}

void TSMPfile::SetScanChunk(const tsamplechunk& chunk) {
  WriteChunkSamples(chunk.data, ScanCount());
}

void TSMPfile::ReadSelection(tsamplechunk& chunk, int32_t request) {
  const int32_t length = Sellength();
  const int32_t before = SelPosition();
  if (before < 0 || before > length) {
    chunk.used = 0;
    return;
  }
  ReadChunkSamples(chunk, request);
  const int32_t after = SelPosition();
  if (after > length) {
    chunk.used -= after - length;
    SetSelPosition(length);
  }
}

void TSMPfile::WriteSelection(const int16_t* data, int32_t count) {
  const int32_t length = Sellength();
  const int32_t at = SelPosition();
  if (at < 0 || at > length) {
    return;
  }
  WriteChunkSamples(data, std::min<int64_t>(count, int64_t{length} - at));
}

void TSMPfile::GetSelChunk(tsamplechunk& chunk) {
  ReadSelection(chunk, fchunknsamples);
}

void TSMPfile::SetSelChunk(const tsamplechunk& chunk) {
  WriteSelection(chunk.data, chunk.used);
}

void TSMPfile::GetSelScanChunk(tsamplechunk& chunk) {
  ReadSelection(chunk, std::clamp(ScanCount(), int32_t{1}, kChunkCapacity));
}

void TSMPfile::SetSelScanChunk(const tsamplechunk& chunk) {
  WriteSelection(chunk.data, ScanCount());
}

tsmallintpair TSMPfile::MinMax() {
  if (!fisopen) {
    return {0, 0};
  }
  BusyStart();
  const int64_t savedPosition = ffileposition;
  const int64_t savedPrevious = fprevfileposition;
  SetPosition(SelStart());
  int64_t remaining = Sellength();
  tsmallintpair result{32767, -32768};
  const auto chunk = std::make_unique<tsamplechunk>();
  do {
    BusyCheck();
    GetChunk(*chunk);
    const auto count = static_cast<size_t>(std::clamp<int64_t>(chunk->used, 0, remaining));
    // By value, in locals: a loop the compiler turns into vector instructions.
    int16_t lo = result.lo;
    int16_t hi = result.hi;
    for (size_t i = 0; i < count; ++i) {
      const int16_t x = chunk->data[i];
      lo = x < lo ? x : lo;
      hi = x > hi ? x : hi;
    }
    result = {lo, hi};
    remaining -= static_cast<int64_t>(count);
  } while (remaining > 0 && chunk->used > 0);
  ffileposition = savedPosition;
  fprevfileposition = savedPrevious;
  return result;
}

// ---- One channel ------------------------------------------------------------------------------

void TSMPfile::GetChannelChunk(int channo, tsamplechunk& chunk) {
  ReadChannelSamples(channo, chunk, fchunknsamples);
}

void TSMPfile::ReadChannelSamples(int channo, tsamplechunk& chunk, int32_t request) {
  if (nChans() <= 0 || !fisopen) {
    chunk.used = 0;
    std::fill_n(chunk.data, request, int16_t{0});
    return;
  }
  const int64_t pitch = ScanPitch(channo);
  int64_t remaining = pitch * request;
  if (remaining <= 0) {
    chunk.used = 0;
    return;
  }
  const size_t channel = static_cast<size_t>(channo);
  const int64_t first = fscanfirstcache[channel];
  const int64_t block = int64_t{fscancount} * (kChunkCapacity / fscancount);
  int64_t position = fchannelfileposition[channel];
  int32_t i = 0;
  while (i < request && remaining > 0) {
    const int64_t count = remaining > kChunkCapacity ? block : remaining;
    remaining -= count;
    const size_t got = ftmp.ReadAt(samplechunk.data(), static_cast<size_t>(2 * count), position);
    position += static_cast<int64_t>(got);
    const int64_t samples = static_cast<int64_t>(got / 2);
    const int64_t take = std::min<int64_t>(SlotsBelow(samples, first, pitch), request - i);
    const int16_t* from = samplechunk.data() + first;
    for (int64_t k = 0; k < take; ++k) {
      chunk.data[i + k] = from[k * pitch];
    }
    i += static_cast<int32_t>(take);
    if (got == 0) {
      break;
    }
  }
  chunk.used = i;
  fchannelprevfileposition[channel] = fchannelfileposition[channel];
  fchannelfileposition[channel] = position;
  if (NeedsByteSwap(MSBFirst())) {
    SwapSampleBytes(chunk.data, static_cast<size_t>(chunk.used));
  }
}

void TSMPfile::SetChannelChunk(int channo, const tsamplechunk& chunk) {
  if (!fisopen || freadonly || chunk.used <= 0 || nChans() <= 0) {
    return;
  }
  const int64_t pitch = ScanPitch(channo);
  const int32_t used = std::min(chunk.used, kChunkCapacity);
  int64_t remaining = pitch * used;
  if (remaining <= 0) {
    return;
  }
  const bool swap = NeedsByteSwap(MSBFirst());
  const size_t channel = static_cast<size_t>(channo);
  const int64_t first = fscanfirstcache[channel];
  const int64_t block = int64_t{fscancount} * (kChunkCapacity / fscancount);
  int64_t position = fchannelfileposition[channel];
  int32_t i = 0;
  while (i < used && remaining > 0) {
    const int64_t count = remaining > kChunkCapacity ? block : remaining;
    remaining -= count;
    const size_t bytes = static_cast<size_t>(2 * count);
    if (position + static_cast<int64_t>(bytes) >= kMaxFileBytes) {
      break;
    }
    // Read, fill in this channel's slots, write back: the other channels keep their samples,
    // and slots past the end of the file become zeros.
    const size_t got = ftmp.ReadAt(samplechunk.data(), bytes, position) / 2;
    std::fill(samplechunk.begin() + static_cast<ptrdiff_t>(got),
              samplechunk.begin() + static_cast<ptrdiff_t>(count), int16_t{0});
    const int64_t put = std::min<int64_t>(SlotsBelow(count, first, pitch), used - i);
    int16_t* to = samplechunk.data() + first;
    for (int64_t k = 0; k < put; ++k) {
      const int16_t sample = chunk.data[i + k];
      to[k * pitch] = swap ? SwapSampleBytes(sample) : sample;
    }
    i += static_cast<int32_t>(put);
    const size_t written = ftmp.WriteAt(samplechunk.data(), bytes, position);
    position += static_cast<int64_t>(written);
    if (written < bytes && ftmp.valid()) {
      fchannelfileposition[channel] = position;
      RaiseWriteError();
    }
    if (written == 0) {
      break;
    }
  }
  fchannelfileposition[channel] = position;
}

int32_t TSMPfile::GetChannelPosition(int channo) {
  if (!fisopen || !ValidChannel(channo)) {
    return 0;
  }
  const int64_t pitch = ScanPitch(channo);
  if (pitch <= 0) {
    return 0;
  }
  const int64_t offset = fchannelfileposition[static_cast<size_t>(channo)] - fheadoffset;
  return static_cast<int32_t>(FloorDiv(offset, 2 * pitch));
}

void TSMPfile::SetChannelPosition(int channo, int32_t a) {
  if (!fisopen || !ValidChannel(channo) || a < 0) {
    return;
  }
  const size_t channel = static_cast<size_t>(channo);
  fchannelprevfileposition[channel] = fchannelfileposition[channel];
  fchannelfileposition[channel] = fheadoffset + 2 * int64_t{ScanPitch(channo)} * a;
}

void TSMPfile::ChannelRewind(int channo) {
  if (ValidChannel(channo)) {
    const size_t channel = static_cast<size_t>(channo);
    std::swap(fchannelfileposition[channel], fchannelprevfileposition[channel]);
  }
}

int32_t TSMPfile::GetChannelSelStart(int channo) const {
  return ValidChannel(channo) ? fchannelselstart[static_cast<size_t>(channo)] : 0;
}

void TSMPfile::SetChannelSelStart(int channo, int32_t v) {
  if (!ValidChannel(channo)) {
    return;
  }
  fchannelselstart[static_cast<size_t>(channo)] = v;
  SetChannelPosition(channo, v);
}

int32_t TSMPfile::GetChannelSellength(int channo) const {
  return ValidChannel(channo) ? fchannelsellength[static_cast<size_t>(channo)] : 0;
}

void TSMPfile::SetChannelSellength(int channo, int32_t v) {
  if (ValidChannel(channo)) {
    fchannelsellength[static_cast<size_t>(channo)] = v;
  }
}

void TSMPfile::ChannelSelectAll(int channo) {
  SetChannelSelStart(channo, 0);
  SetChannelSellength(channo, ChannelnSamples(channo));
}

tsmallintpair TSMPfile::ChannelMinMax(int channo) {
  if (channo < 0 || channo >= nChans() || !fisopen) {
    return {0, 0};
  }
  BusyStart();
  const size_t channel = static_cast<size_t>(channo);
  const int64_t savedPosition = fchannelfileposition[channel];
  const int64_t savedPrevious = fchannelprevfileposition[channel];
  SetChannelPosition(channo, fchannelselstart[channel]);
  int64_t remaining = fchannelsellength[channel];
  tsmallintpair result{32767, -32768};
  const auto chunk = std::make_unique<tsamplechunk>();
  do {
    const auto request = static_cast<int32_t>(std::clamp<int64_t>(remaining, 1, kChunkCapacity));
    BusyCheck();
    ReadChannelSamples(channo, *chunk, request);
    for (int32_t i = 0; i < chunk->used && remaining > 0; ++i, --remaining) {
      result.lo = std::min(result.lo, chunk->data[i]);
      result.hi = std::max(result.hi, chunk->data[i]);
    }
  } while (remaining > 0 && chunk->used > 0);
  fchannelfileposition[channel] = savedPosition;
  fchannelprevfileposition[channel] = savedPrevious;
  return result;
}

}  // namespace vorsel
