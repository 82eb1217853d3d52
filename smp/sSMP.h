#pragma once

// TSMPfile: the SMP sample file component. An SMP file is a head of "name=value" text lines
// (stored in code page 850) followed by 16-bit samples, interleaved scan by scan. Every
// conversion goes through this one class: imports create and write files, exports open and read
// them, chunk by chunk.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "fileio/file_io.h"

namespace vorsel {

// Samples in one chunk; one chunk moves in one read or write.
inline constexpr int32_t kChunkCapacity = 16384;
// The largest head, terminator included, that the component can build or read.
inline constexpr int32_t kHeadBufferSize = 32768;
// Channel numbers run from 0 to kMaxChannels - 1; one scan period has at most kMaxScanSlots.
inline constexpr int kMaxChannels = 128;
inline constexpr int kMaxScanSlots = 512;

// The record through which samples pass between the component and the converters; callers own
// it. `data` holds the samples in the processor's byte order.
struct tsamplechunk {
  int32_t used;
  int16_t data[kChunkCapacity];
};

// View and range scaling: two reals, lo then hi.
struct tdoublepair {
  double lo;
  double hi;
};

// Minimum (lo) and maximum (hi) of a stretch of samples.
struct tsmallintpair {
  int16_t lo;
  int16_t hi;
};

// The one exception the component raises: a head whose scan pattern cannot describe the file.
class EInvalidSMPHeader : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

using theadarr = std::array<uint8_t, kHeadBufferSize>;

// The operations keep the component's published names, so their styles are mixed on purpose.
class TSMPfile {
 public:
  TSMPfile();
  // Releases the descriptor of a file still open (and a working copy in the temporary folder);
  // callers are expected to call close_file first.
  ~TSMPfile();
  TSMPfile(const TSMPfile&) = delete;
  TSMPfile& operator=(const TSMPfile&) = delete;

  // ---- Head items -------------------------------------------------------------------------

  // Value of the first item whose name matches without regard to case; at most 255 characters.
  std::string get_item(std::string_view itemname) const;
  // Exact-name replace in place, append, or (empty value) remove; "head" moves to the front,
  // an existing "labels" item switches to external labels.
  void set_item(std::string_view itemname, std::string_view value);
  // The names of the items get_item would take for itemname, each spelling once, in order.
  std::vector<std::string> ItemSpellings(std::string_view itemname) const;
  void add_line(std::string_view line);
  void set_nonpresent_item(std::string_view itemname, std::string_view value);
  void add_nonpresent_line(std::string_view line);
  // Stores procstr under the first free name proc0, proc1, ...
  void set_proc(std::string_view procstr);
  void validate_items();
  void insert_nonpresent_defaults();
  void clear();
  // Part of the published interface; changes nothing.
  void set_to_defaults();

  const std::vector<std::string>& Items() const { return fitems; }
  void SetItems(const std::vector<std::string>& lines);
  const std::vector<std::string>& Comment() const { return fcomment; }
  void SetComment(const std::vector<std::string>& lines);

  // Builds the head bytes into the head buffer and gives the buffer (kHeadBufferSize bytes).
  // A caller holding a head from elsewhere copies it in and calls UseHeadArrAsHeader.
  std::span<uint8_t, kHeadBufferSize> HeadArrPtr();
  // Builds the head bytes and returns the index of the last byte written (the final 0x1A).
  int32_t UsedSize();
  // False when the last build had no room for every line in the head buffer; such a head is
  // never saved.
  bool HeadFits() const { return fheadfits; }
  // Parses the head buffer into the item and comment lists (set on top of what is there).
  void UseHeadArrAsHeader();

  // ---- Typed items (answered from a cache while the items do not change) -------------------

  int32_t HeadSize();
  void SetHeadSize(int32_t value);
  std::string FileType();
  void SetFileType(std::string_view value);
  double SfTot();
  void SetSfTot(double value);
  int32_t nChans();
  void SetnChans(int32_t value);
  bool MSBFirst();
  void SetMSBFirst(bool value);

  // Channel -1 addresses the common item; channel n reads viewN, else view.
  tdoublepair GetView(int channo);
  void SetView(int channo, tdoublepair view);
  std::string GetViewUnit(int channo);
  void SetViewUnit(int channo, std::string_view unit);
  tdoublepair GetRange(int channo);
  void SetRange(int channo, tdoublepair range);

  // ---- Design-time defaults ----------------------------------------------------------------

  int32_t defheadsize() const { return fdefheadsize; }
  void Setdefheadsize(int32_t value) {
    fdefheadsize = value;
    fcachedheadsize.stamp = 0;
  }
  const std::string& defFileType() const { return fdeffiletype; }
  void SetdefFileType(std::string_view value) {
    fdeffiletype = value;
    fcachedfiletype.stamp = 0;
  }
  int32_t defSfTot() const { return fdefsftot; }
  void SetdefSfTot(int32_t value) {
    fdefsftot = value;
    fcachedsftot.stamp = 0;
  }
  int32_t defnChans() const { return fdefnchans; }
  void SetdefnChans(int32_t value) {
    fdefnchans = value;
    fcachednchans.stamp = 0;
    fcachedirty = true;
  }
  bool defMSBFirst() const { return fdefmsbfirst; }
  void SetdefMSBFirst(bool value) {
    fdefmsbfirst = value;
    fcachedmsbfirst.stamp = 0;
  }
  double defViewLo() const { return fdefviewlo; }
  void SetdefViewLo(double value) { fdefviewlo = value; }
  double defViewHi() const { return fdefviewhi; }
  void SetdefViewHi(double value) { fdefviewhi = value; }
  double defRangeLo() const { return fdefrangelo; }
  void SetdefRangeLo(double value) { fdefrangelo = value; }
  double defRangeHi() const { return fdefrangehi; }
  void SetdefRangeHi(double value) { fdefrangehi = value; }
  int32_t nViewDigits() const { return fnviewdigits; }
  void SetnViewDigits(int32_t value) { fnviewdigits = value; }

  // ---- Files -------------------------------------------------------------------------------

  // Creates (replaces) the file with an empty head of defheadsize bytes; true when that head
  // was written in full.
  bool new_file(std::string_view fname);
  // Opens an existing file of less than 2 GiB and parses its head; true when at least one byte
  // was read. Raises EInvalidSMPHeader for an invalid scan item.
  bool open_file(std::string_view fname, bool rdonly);
  // Writes the head and, with external labels, the label file anew; true when the head was
  // written in full. When the head size no longer matches the start of the samples (a grown
  // head, a changed head item), the samples move to start right after the head; a head that
  // does not fit the head buffer is not saved.
  bool save_file(std::string_view fname);
  bool close_file();
  // The error number of the last failed create, write or close of new_file, save_file,
  // close_file and the chunk writes; 0 when none failed.
  int LastError() const { return flasterror; }

  // While a head from a foreign file is taken (an embedded head of an import): the label file it
  // names is taken against the folder of `namingfile` and read only when CheckForeignLabelFile
  // allows it; `refused` hears the reason otherwise.
  struct tforeignlabels {
    std::string namingfile;
    std::vector<std::string> folders;
    std::function<void(const std::string& problem)> refused;
  };
  void SetForeignLabels(std::optional<tforeignlabels> limits) {
    fforeignlabels = std::move(limits);
  }

  const std::string& Filename() const { return ffilename; }
  void SetFilename(std::string_view value) { ffilename = value; }
  bool ReadOnly() const { return freadonly; }
  // Size of the working file in bytes, -1 when no file is open.
  int32_t FileBytes() const;

  int32_t ChunknSamples() const { return fchunknsamples; }
  // Kept within 1 to 16384.
  void SetChunknSamples(int32_t value);
  bool UseTempFile() const { return fusetempfile; }
  void SetUseTempFile(bool value) { fusetempfile = value; }
  bool WriteThroughCache() const { return fwritethroughcache; }
  void SetWriteThroughCache(bool value) { fwritethroughcache = value; }
  bool Overwrite() const { return foverwrite; }
  void SetOverwrite(bool value) { foverwrite = value; }
  int32_t LongTime() const { return flongtime; }
  void SetLongTime(int32_t value) { flongtime = value; }
  // Called at most every LongTime milliseconds during long scans of the file.
  std::function<void(TSMPfile& sender)> OnLongTimeBusy;

  // ---- Chunks and positions (samples of all channels together) -----------------------------

  void GetChunk(tsamplechunk& chunk);
  // A write that the system cuts short (a full disk) throws std::system_error
  // "<file> is incomplete".
  void SetChunk(const tsamplechunk& chunk);
  int32_t Position();
  void SetPosition(int32_t value);
  // Back to where the position was before its last move.
  void Rewind();
  bool Backwards() const { return fbackwards; }
  void SetBackwards(bool value) { fbackwards = value; }
  // Whole scans only; setting it cuts or extends the file (never to 2 GiB or more).
  int32_t nSamples();
  void SetnSamples(int32_t value);

  // ---- Scanning ----------------------------------------------------------------------------

  int32_t ScanCount();
  bool IsSplitRate();
  std::string ScanStr() const;
  void SetScanStr(std::string_view value);
  int32_t ScanPitch(int channo);
  int32_t ScanFirst(int channo);
  int32_t ScanChannel(int index);
  double ChannelSf(int channo);
  int32_t ChannelnSamples(int channo);
  double ChannelDuration(int channo);
  const std::string& DebugErrorStr() const { return fdebugerrorstr; }

  // ---- Selection of the whole file ---------------------------------------------------------

  int32_t SelStart() const;
  void SetSelStart(int32_t value);
  int32_t Sellength() const;
  void SetSellength(int32_t value);
  int32_t SelPosition();
  void SetSelPosition(int32_t value);
  int32_t ScanPosition();
  void SetScanPosition(int32_t value);
  int32_t SelScanPosition();
  void SetSelScanPosition(int32_t value);
  void SelectAll();

  void GetScanChunk(tsamplechunk& chunk);
  void SetScanChunk(const tsamplechunk& chunk);
  void GetSelChunk(tsamplechunk& chunk);
  void SetSelChunk(const tsamplechunk& chunk);
  void GetSelScanChunk(tsamplechunk& chunk);
  void SetSelScanChunk(const tsamplechunk& chunk);
  // Minimum and maximum over the selection; (32767, -32768) for an empty one.
  tsmallintpair MinMax();

  // ---- One channel of the interleaved data (channel samples) -------------------------------

  void GetChannelChunk(int channo, tsamplechunk& chunk);
  void SetChannelChunk(int channo, const tsamplechunk& chunk);
  int32_t GetChannelPosition(int channo);
  void SetChannelPosition(int channo, int32_t a);
  void ChannelRewind(int channo);
  int32_t GetChannelSelStart(int channo) const;
  void SetChannelSelStart(int channo, int32_t v);
  int32_t GetChannelSellength(int channo) const;
  void SetChannelSellength(int channo, int32_t v);
  void ChannelSelectAll(int channo);
  tsmallintpair ChannelMinMax(int channo);

  // ---- Labels ------------------------------------------------------------------------------
  // A label is "start,length,text" (start and length in samples of the whole file). Labels are
  // kept either as head items L1, L2, ... or, with ExternalLabels on, in a label file whose name
  // the "labels" item holds. Labels are numbered from 0.

  // External: the labels in the list; items: L1, L2, ... up to the first missing one.
  int32_t nlabels() const;
  // Normalised (the first two "," or ";" made ","); empty when there is no such label.
  std::string GetLabel(int32_t labelno) const;
  void SetLabel(int32_t labelno, std::string_view text);
  // Appends the label (as the first free item Ln when labels are items, kept as given).
  void add_label(std::string_view labelstr);
  void clear_labels();
  // -1 when the field cannot be read.
  int32_t LabelStart(int32_t labelno) const;
  int32_t LabelLength(int32_t labelno) const;
  std::string LabelText(int32_t labelno) const;
  // Selects the label's stretch in whole scans; an unreadable or negative field selects nothing.
  void SelectLabel(int32_t labelno);
  // The same in one channel's own samples.
  void ChannelSelectLabel(int32_t labelno, int channo);
  // Multiplies starts and lengths, keeping each start's slot within its scan. A label whose
  // start or length cannot be read raises EConvertError, with the labels left external.
  void ScaleLabelsBy(double factor);

  bool ExternalLabels() const { return fexternallabels; }
  // Moves the labels between the items and the external list; switched on, the label file is
  // named after the file (extension ".csv") unless it has a name already.
  void SetExternalLabels(bool value);
  const std::vector<std::string>& ExternalLabelList() const { return fextlabels; }
  // With labels present, the "labels" item; else the name kept for the next save.
  std::string CSVFileName();
  // Sets the "labels" item (or removes it while there are no labels); replacing an existing
  // item loads the labels of the file it now names.
  void SetCSVFileName(std::string_view value);
  // For a head restored from elsewhere (an embedded head): labels loaded from the label file it
  // named stay in memory and are saved in this file's own label file (Filename with ".csv"),
  // so that no save ever writes or deletes the file that head named.
  void KeepLabelsInOwnFile();
  bool EraseCSVFile() const { return ferasecsvfile; }
  void SetEraseCSVFile(bool value) { ferasecsvfile = value; }
  bool UseShortCSVPathname() const { return fuseshortcsvpathname; }
  void SetUseShortCSVPathname(bool value) { fuseshortcsvpathname = value; }

 private:
  template <typename T>
  struct tcached {
    T value{};
    int64_t stamp = 0;
  };

  // Head
  void ResetToDesignDefaults();
  void BuildHead();
  void Touch();
  std::string ViewNameForWriting(int channo);
  std::string ViewText(int channo);
  std::string RangeText(int channo);
  void FitHeadSize();

  // Labels: the steps of the head parse and of the save that belong to the label store.
  struct tlabelfileaction {
    enum class tkind { none, write, erase } kind = tkind::none;
    std::string path;
  };
  void LoadExternalLabels();
  void MoveLabelItemsToList();
  // Sets the "labels" item in place (or removes it while there are no labels) without loading
  // the file it names.
  void NameLabelFile(const std::string& name);
  // Labels held as items while a label file is named: they join that file's labels, so that
  // the next save drops none of them.
  void JoinLabelItemsToLabelFile();
  // The item side of saving labels, done before the head is built so that the head on disk
  // holds the items as they are after the save; returns what to do with the label file.
  tlabelfileaction PrepareLabelsForSave();
  void StoreLabelFile(const tlabelfileaction& action);

  // Storage
  void ResetPositionsAndSelections();
  size_t WriteHeadTo(const FileHandle& file);
  // A sample write came up short: the file lacks samples it should hold.
  [[noreturn]] void RaiseWriteError();
  bool MoveSamplesToHeadSize(const FileHandle& file);
  void ReadChunkSamples(tsamplechunk& chunk, int32_t request);
  void WriteChunkSamples(const int16_t* data, int32_t count);
  void BusyStart();
  void BusyCheck();

  // Scanning
  void EnsureScanTables();
  void ReadChannelSamples(int channo, tsamplechunk& chunk, int32_t request);
  void ReadSelection(tsamplechunk& chunk, int32_t request);
  void WriteSelection(const int16_t* data, int32_t count);
  void RebuildScanTables();
  [[noreturn]] void RaiseInvalidScan();
  bool ValidChannel(int channo) const { return channo >= 0 && channo < kMaxChannels; }

  // Lists and head buffer
  std::vector<std::string> fitems;
  std::vector<std::string> fcomment;
  std::vector<std::string> fextlabels;
  theadarr fheadarr{};
  bool fheadfits = true;
  int32_t fusedsize = 5;
  int64_t fchangecount = 1;
  tcached<int32_t> fcachedheadsize;
  tcached<std::string> fcachedfiletype;
  tcached<double> fcachedsftot;
  tcached<int32_t> fcachednchans;
  tcached<bool> fcachedmsbfirst;

  // Design-time defaults
  int32_t fdefheadsize = 1024;
  std::string fdeffiletype = "samp";
  int32_t fdefsftot = 16000;
  int32_t fdefnchans = 1;
  bool fdefmsbfirst = false;
  double fdefviewlo = -1.0;
  double fdefviewhi = 1.0;
  double fdefrangelo = -32768.0;
  double fdefrangehi = 32768.0;
  int32_t fnviewdigits = 6;

  // Labels
  bool fexternallabels = false;
  std::string fcsvfilename;
  bool ferasecsvfile = true;
  bool fuseshortcsvpathname = true;

  // Files
  std::string ffilename;
  std::string ftmpfilename;
  bool fownsworkingcopy = false;
  bool freadonly = false;
  bool fisopen = false;
  int flasterror = 0;
  std::optional<tforeignlabels> fforeignlabels;
  FileHandle ftmp;
  int64_t fheadoffset = 1024;
  int64_t ffileposition = 0;
  int64_t fprevfileposition = 0;
  bool fbackwards = false;
  int32_t fchunknsamples = kChunkCapacity;
  bool fusetempfile = false;
  bool fwritethroughcache = false;
  bool foverwrite = true;
  int32_t flongtime = 100;
  uint32_t fbusytime = 0;
  std::vector<int16_t> samplechunk = std::vector<int16_t>(kChunkCapacity);

  // Scanning and selections
  bool fcachedirty = true;
  std::array<int32_t, kMaxScanSlots> fscancache{};
  int32_t fscancount = 0;
  std::array<int32_t, kMaxChannels> fscanpitchcache{};
  std::array<int32_t, kMaxChannels> fscanfirstcache{};
  std::string fdebugerrorstr;
  int32_t fselstart = 0;
  int32_t fsellength = 0;
  std::array<int64_t, kMaxChannels> fchannelfileposition{};
  std::array<int64_t, kMaxChannels> fchannelprevfileposition{};
  std::array<int32_t, kMaxChannels> fchannelselstart{};
  std::array<int32_t, kMaxChannels> fchannelsellength{};
};

}  // namespace vorsel
