// TSMPfile: creating, opening, saving and closing files; chunks, positions and sample counts.

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "platform/tempfile.h"
#include "platform/tick.h"
#include "smp/sSMP.h"
#include "smp/sample_order.h"

namespace vorsel {

namespace {

constexpr size_t kZeroBlockBytes = 1024;
constexpr size_t kMoveBlockBytes = 32768;

FileAccess AccessFor(bool readOnly) {
  return readOnly ? FileAccess::read : FileAccess::readWrite;
}

// Whole multiples of `unit` towards zero; a unit of 0 (no channels) gives 0.
int64_t WholeUnits(int64_t value, int64_t unit) {
  return unit > 0 ? value / unit * unit : 0;
}

int64_t FloorDiv(int64_t value, int64_t divisor) {
  int64_t quotient = value / divisor;
  if ((value % divisor != 0) && ((value < 0) != (divisor < 0))) {
    --quotient;
  }
  return quotient;
}

bool ExtendWithZeros(const FileHandle& file, int64_t from, int64_t to) {
  static constexpr char kZeros[kMoveBlockBytes] = {};
  while (from < to) {
    const size_t count = static_cast<size_t>(std::min<int64_t>(to - from, kMoveBlockBytes));
    if (file.WriteAt(kZeros, count, from) != count) {
      return false;
    }
    from += static_cast<int64_t>(count);
  }
  return true;
}

}  // namespace

TSMPfile::TSMPfile() {
  clear();
  foverwrite = true;
  fuseshortcsvpathname = true;
  fnviewdigits = 6;
  fcachedirty = true;
}

TSMPfile::~TSMPfile() {
  if (fisopen) {
    close_file();
  }
}

void TSMPfile::SetChunknSamples(int32_t value) {
  fchunknsamples = std::clamp(value, int32_t{1}, kChunkCapacity);
}

int32_t TSMPfile::FileBytes() const {
  if (!fisopen) {
    return -1;
  }
  return static_cast<int32_t>(std::min<int64_t>(ftmp.Size(), kMaxFileBytes - 1));
}

// ---- Life cycle -------------------------------------------------------------------------------

bool TSMPfile::new_file(std::string_view fname) {
  if (fisopen) {
    close_file();
  }
  freadonly = false;
  ffilename = fname;
  fownsworkingcopy = false;
  ftmpfilename = ffilename;
  if (fusetempfile) {
    ftmpfilename = CreateUniqueTempFile(ProgramTempPrefix());
    fownsworkingcopy = !ftmpfilename.empty();
  }
  if (FileExists(ftmpfilename)) {
    DeleteFileAt(ftmpfilename);
  }
  flasterror = CreateEmptyFile(ftmpfilename) ? 0 : errno;
  if (OpenExistingFile(ftmpfilename, FileAccess::readWrite, fwritethroughcache).valid()) {
    clear();
  }
  fheadoffset = HeadSize();
  ftmp = OpenExistingFile(ftmpfilename, FileAccess::readWrite, fwritethroughcache);
  if (!ftmp.valid() && flasterror == 0) {
    flasterror = errno;
  }
  const int createError = flasterror;
  fisopen = true;
  ResetPositionsAndSelections();
  const bool saved = save_file("");
  if (createError != 0) {
    flasterror = createError;  // the reason, rather than the head write it made impossible
  }
  return saved;
}

bool TSMPfile::open_file(std::string_view fname, bool rdonly) {
  if (fisopen) {
    close_file();
  }
  freadonly = rdonly;
  const std::string name(fname);
  if (!FileExists(name)) {
    close_file();
    return false;
  }
  {
    // Positions are 32-bit: larger files cannot be addressed.
    const FileHandle probe = OpenExistingFile(name, FileAccess::read, false);
    if (probe.Size() >= kMaxFileBytes) {
      return false;
    }
  }
  ffilename = name;
  fownsworkingcopy = false;
  ftmpfilename = ffilename;
  if (fusetempfile) {
    ftmpfilename = CreateUniqueTempFile(ProgramTempPrefix());
    fownsworkingcopy = !ftmpfilename.empty();
    if (fownsworkingcopy) {
      CopyFileProcessingEvents(ffilename, ftmpfilename);
    }
  }
  size_t bytesRead = 0;
  bool headRead = false;
  {
    const FileHandle first = OpenExistingFile(ftmpfilename, AccessFor(rdonly), fwritethroughcache);
    if (first.valid()) {
      clear();
      bytesRead = first.ReadAt(fheadarr.data(), fheadarr.size(), 0);
      headRead = true;
    }
  }
  // A file that could not be opened leaves the lists as they were.
  if (headRead) {
    UseHeadArrAsHeader();
  }
  const bool result = bytesRead > 0;
  ftmp = OpenExistingFile(ftmpfilename, AccessFor(rdonly), fwritethroughcache);
  fisopen = true;
  ResetPositionsAndSelections();
  if (!result) {
    close_file();
  }
  return result;
}

bool TSMPfile::save_file(std::string_view fname) {
  if (!fname.empty()) {
    ffilename = fname;
  }
  validate_items();
  // A read-only file takes no head, nor do its labels change; a file without a name has no
  // label file.
  const bool savesLabels = !ffilename.empty() && !(fisopen && freadonly);
  tlabelfileaction labelFile;
  if (savesLabels) {
    labelFile = PrepareLabelsForSave();
  }
  BuildHead();
  if (!fheadfits) {
    return false;
  }
  FitHeadSize();
  if (!fheadfits || ffilename.empty() || HeadSize() > kHeadBufferSize) {
    return false;
  }
  size_t written = 0;
  if (fisopen) {
    written = WriteHeadTo(ftmp);
  } else {
    const FileHandle target =
        OpenExistingFile(ffilename, FileAccess::readWrite, fwritethroughcache);
    written = WriteHeadTo(target);
  }
  StoreLabelFile(labelFile);
  bool result = written == static_cast<size_t>(HeadSize());
  // A read-only working copy holds nothing new; copying it back could only undo what others
  // wrote to the file meanwhile.
  if (fisopen && !freadonly && ftmpfilename != ffilename) {
    if (!CopyFileProcessingEvents(ftmpfilename, ffilename)) {
      flasterror = errno != 0 ? errno : EIO;
      result = false;
    }
    if (!fusetempfile) {
      // Saved under a new name: work on the new file from now on.
      ftmp = OpenExistingFile(ffilename, AccessFor(freadonly), fwritethroughcache);
    }
  }
  if (!fusetempfile) {
    ftmpfilename = ffilename;
  }
  return result;
}

bool TSMPfile::close_file() {
  bool ok = ftmp.Close();
  if (!ok) {
    flasterror = errno;
  }
  if (fownsworkingcopy) {
    ok = DeleteFileAt(ftmpfilename) && ok;
    fownsworkingcopy = false;
  }
  fisopen = false;
  return ok;
}

size_t TSMPfile::WriteHeadTo(const FileHandle& file) {
  // A read-only file takes no head; trying would only move its samples.
  if (!file.valid()) {
    flasterror = EBADF;
    return 0;
  }
  if ((fisopen && freadonly) || !MoveSamplesToHeadSize(file)) {
    flasterror = file.WriteError();
    return 0;
  }
  const auto size = static_cast<size_t>(HeadSize());
  const size_t written = file.WriteAt(fheadarr.data(), size, 0);
  if (written < size) {
    flasterror = file.WriteError();
  }
  return written;
}

void TSMPfile::RaiseWriteError() {
  flasterror = ftmp.WriteError() != 0 ? ftmp.WriteError() : EIO;
  throw std::system_error(flasterror, std::generic_category(), ffilename + " is incomplete");
}

// The samples start at the data offset; a head of another size moves them so that they start
// right after it, and every position moves with them. A head never overwrites samples.
bool TSMPfile::MoveSamplesToHeadSize(const FileHandle& file) {
  const int64_t target = HeadSize();
  const int64_t source = fheadoffset;
  if (target == source) {
    return true;
  }
  const int64_t size = file.Size();
  if (size < 0) {
    return false;
  }
  const int64_t dataBytes = std::max<int64_t>(0, size - source);
  if (target + dataBytes >= kMaxFileBytes) {
    return false;
  }
  std::vector<char> block(kMoveBlockBytes);
  if (target > source) {
    // Room first: when the disk is full, the samples must still be where they were.
    if (!ExtendWithZeros(file, size, target + dataBytes)) {
      file.Truncate(size);
      return false;
    }
    int64_t end = dataBytes;
    while (end > 0) {
      const int64_t count = std::min<int64_t>(end, kMoveBlockBytes);
      const int64_t from = source + end - count;
      const size_t n = static_cast<size_t>(count);
      if (file.ReadAt(block.data(), n, from) != n ||
          file.WriteAt(block.data(), n, from + (target - source)) != n) {
        return false;
      }
      end -= count;
    }
  } else {
    for (int64_t done = 0; done < dataBytes;) {
      const int64_t count = std::min<int64_t>(dataBytes - done, kMoveBlockBytes);
      const size_t n = static_cast<size_t>(count);
      if (file.ReadAt(block.data(), n, source + done) != n ||
          file.WriteAt(block.data(), n, target + done) != n) {
        return false;
      }
      done += count;
    }
    if (dataBytes > 0 && !file.Truncate(target + dataBytes)) {
      return false;
    }
  }
  const int64_t delta = target - source;
  fheadoffset = target;
  ffileposition += delta;
  fprevfileposition += delta;
  for (int c = 0; c < kMaxChannels; ++c) {
    fchannelfileposition[c] += delta;
    fchannelprevfileposition[c] += delta;
  }
  return true;
}

void TSMPfile::ResetPositionsAndSelections() {
  EnsureScanTables();
  fbackwards = false;
  ffileposition = fheadoffset;
  fprevfileposition = ffileposition;
  fselstart = 0;
  fsellength = 0;
  fchannelfileposition.fill(fheadoffset);
  fchannelprevfileposition.fill(fheadoffset);
  fchannelselstart.fill(0);
  fchannelsellength.fill(0);
}

// ---- Positions and counts ---------------------------------------------------------------------

int32_t TSMPfile::Position() {
  if (!fisopen) {
    return 0;
  }
  const int64_t k = (ffileposition - fheadoffset) / 2;
  return static_cast<int32_t>(fbackwards ? nSamples() - k : k);
}

void TSMPfile::SetPosition(int32_t value) {
  if (!fisopen || value < 0) {
    return;
  }
  const int64_t s = ScanCount();
  int64_t target = fheadoffset;
  if (s > 0) {
    if (fbackwards) {
      const int64_t k = s * FloorDiv(int64_t{nSamples()} - value, s);
      target = std::max(fheadoffset, fheadoffset + 2 * k);
    } else {
      target = fheadoffset + 2 * WholeUnits(value, s);
    }
  }
  fprevfileposition = ffileposition;
  ffileposition = target;
}

void TSMPfile::Rewind() {
  std::swap(ffileposition, fprevfileposition);
}

int32_t TSMPfile::nSamples() {
  if (!fisopen) {
    return 0;
  }
  const int64_t s = ScanCount();
  return static_cast<int32_t>(WholeUnits((ftmp.Size() - fheadoffset) / 2, s));
}

void TSMPfile::SetnSamples(int32_t value) {
  if (!fisopen || freadonly || value < 0) {
    return;
  }
  const int64_t s = ScanCount();
  const int64_t newSize = fheadoffset + 2 * WholeUnits(value, s);
  if (newSize >= kMaxFileBytes) {
    return;
  }
  // Bytes of an incomplete last scan become zeros; the extension itself reads as zeros.
  int64_t at = fheadoffset + 2 * int64_t{nSamples()};
  const int64_t present = std::min(ftmp.Size(), newSize);
  static constexpr char kZeros[kZeroBlockBytes] = {};
  while (at < present) {
    const size_t count = static_cast<size_t>(std::min<int64_t>(present - at, kZeroBlockBytes));
    const size_t put = ftmp.WriteAt(kZeros, count, at);
    if (put == 0) {
      break;
    }
    at += static_cast<int64_t>(put);
  }
  ftmp.Truncate(newSize);
}

// ---- Chunks -----------------------------------------------------------------------------------

void TSMPfile::GetChunk(tsamplechunk& chunk) {
  ReadChunkSamples(chunk, fchunknsamples);
}

void TSMPfile::SetChunk(const tsamplechunk& chunk) {
  WriteChunkSamples(chunk.data, chunk.used);
}

void TSMPfile::ReadChunkSamples(tsamplechunk& chunk, int32_t request) {
  if (!fisopen) {
    chunk.used = 0;
    std::fill_n(chunk.data, request, int16_t{0});
    return;
  }
  const int64_t s = ScanCount();
  int64_t n = WholeUnits(request, s);
  if (fbackwards) {
    n = std::min(n, (ffileposition - fheadoffset) / 2);
    if (n > 0) {
      fprevfileposition = ffileposition;
      ffileposition -= 2 * n;
    }
  }
  if (n <= 0) {
    chunk.used = 0;
    return;
  }
  const size_t bytes = static_cast<size_t>(2 * n);
  if (!fbackwards) {
    const size_t got = ftmp.ReadAt(chunk.data, bytes, ffileposition);
    fprevfileposition = ffileposition;
    ffileposition += static_cast<int64_t>(got);
    chunk.used = static_cast<int32_t>(WholeUnits(static_cast<int64_t>(got / 2), s));
  } else {
    const int64_t got =
        static_cast<int64_t>(ftmp.ReadAt(samplechunk.data(), bytes, ffileposition)) / 2;
    chunk.used = static_cast<int32_t>(WholeUnits(got, s));
    for (int32_t j = 0; j < chunk.used; ++j) {
      chunk.data[j] = samplechunk[static_cast<size_t>(got - 1 - j)];
    }
  }
  if (NeedsByteSwap(MSBFirst())) {
    SwapSampleBytes(chunk.data, static_cast<size_t>(chunk.used));
  }
}

void TSMPfile::WriteChunkSamples(const int16_t* data, int32_t count) {
  // A file that could not be created was reported by new_file; there is nothing to write to.
  if (!fisopen || freadonly || !ftmp.valid() || count <= 0 || nChans() <= 0) {
    return;
  }
  const int32_t used = std::min(count, kChunkCapacity);
  const bool swap = NeedsByteSwap(MSBFirst());
  if (!fbackwards) {
    const int64_t bytes = 2 * int64_t{used};
    if (ffileposition + bytes >= kMaxFileBytes) {
      return;
    }
    const int16_t* source = data;
    if (swap) {
      std::copy_n(data, used, samplechunk.begin());
      SwapSampleBytes(samplechunk.data(), static_cast<size_t>(used));
      source = samplechunk.data();
    }
    const size_t put = ftmp.WriteAt(source, static_cast<size_t>(bytes), ffileposition);
    fprevfileposition = ffileposition;
    ffileposition += static_cast<int64_t>(put);
    if (put < static_cast<size_t>(bytes)) {
      RaiseWriteError();
    }
    return;
  }
  const int64_t n = std::min<int64_t>(used, (ffileposition - fheadoffset) / 2);
  if (n <= 0) {
    return;
  }
  // The chunk runs towards the start of the file: its first sample lands just before the
  // position.
  for (int64_t j = 0; j < n; ++j) {
    const int16_t sample = data[used - 1 - j];
    samplechunk[static_cast<size_t>(j)] = swap ? SwapSampleBytes(sample) : sample;
  }
  const int64_t start = ffileposition - 2 * n;
  const size_t put = ftmp.WriteAt(samplechunk.data(), static_cast<size_t>(2 * n), start);
  fprevfileposition = ffileposition;
  ffileposition = start;
  if (put < static_cast<size_t>(2 * n)) {
    RaiseWriteError();
  }
}

// ---- Busy event -------------------------------------------------------------------------------

void TSMPfile::BusyStart() {
  fbusytime = GetTickCount();
}

void TSMPfile::BusyCheck() {
  const uint32_t now = GetTickCount();
  if (now - fbusytime > static_cast<uint32_t>(std::max(flongtime, int32_t{0}))) {
    fbusytime = now;
    if (OnLongTimeBusy) {
      OnLongTimeBusy(*this);
    }
  }
}

}  // namespace vorsel
