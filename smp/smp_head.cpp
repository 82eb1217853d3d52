// TSMPfile: the item list, the head bytes and the typed items.

#include <algorithm>
#include <ctime>

#include "platform/charset.h"
#include "platform/datetime.h"
#include "platform/dotnum.h"
#include "smp/head_text.h"
#include "smp/sSMP.h"

namespace vorsel {

namespace {

// Characters of a head line, the name and "=" included, from which it no longer counts as one.
constexpr size_t kMaxHeadLineCharacters = 255;

std::string WithoutControlCharacters(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\t') {
      c = ' ';  // blank: a value of blanks and tabs stays an empty one
    } else if (byte < 0x20 || byte == 0x7F) {
      c = '?';
    }
  }
  return out;
}

// At most `count` characters (UTF-8 sequences kept whole).
std::string_view FirstCharacters(std::string_view text, size_t count) {
  size_t characters = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const bool continuation = (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80;
    if (!continuation && characters++ == count) {
      return text.substr(0, i);
    }
  }
  return text;
}

}  // namespace

namespace {

bool NamedExactly(const std::string& line, std::string_view name) {
  return ItemName(line) == name;
}

// lo before the first ",", hi after it up to the next "," (or to the end).
std::optional<tdoublepair> ReadPair(std::string_view text, bool hiStopsAtComma) {
  const size_t comma = text.find(',');
  if (comma == std::string_view::npos) {
    return std::nullopt;
  }
  std::string_view hi = text.substr(comma + 1);
  if (hiStopsAtComma) {
    hi = hi.substr(0, hi.find(','));
  }
  try {
    return tdoublepair{StrToFloatDot(text.substr(0, comma)), StrToFloatDot(hi)};
  } catch (const EConvertError&) {
    return std::nullopt;
  }
}

// The third comma-separated field as stored in the item; empty with fewer than two commas.
std::string_view StoredUnit(std::string_view viewText) {
  const size_t first = viewText.find(',');
  if (first == std::string_view::npos) {
    return {};
  }
  const size_t second = viewText.find(',', first + 1);
  if (second == std::string_view::npos) {
    return {};
  }
  const std::string_view rest = viewText.substr(second + 1);
  return rest.substr(0, rest.find(','));
}

}  // namespace

void TSMPfile::Touch() {
  fcachedirty = true;
  ++fchangecount;
}

std::string TSMPfile::get_item(std::string_view itemname) const {
  const std::string wanted = LowerName(itemname);
  for (const std::string& line : fitems) {
    if (NameMatchesLowered(ItemName(line), wanted)) {
      return ReadableValue(ItemValue(line));
    }
  }
  return {};
}

std::vector<std::string> TSMPfile::ItemSpellings(std::string_view itemname) const {
  const std::string wanted = LowerName(itemname);
  std::vector<std::string> spellings;
  for (const std::string& line : fitems) {
    const std::string_view name = ItemName(line);
    if (NameMatchesLowered(name, wanted) &&
        std::find(spellings.begin(), spellings.end(), name) == spellings.end()) {
      spellings.emplace_back(name);
    }
  }
  return spellings;
}

void TSMPfile::set_item(std::string_view itemname, std::string_view rawValue) {
  // Copies first: the name or value may be a view into a line of the list itself. Values come
  // from file names and foreign files: a line break in one would start an item of its own.
  const std::string name(itemname);
  const std::string cleanValue = WithoutControlCharacters(rawValue);
  const std::string_view value = cleanValue;
  std::string line = name + "=";
  line.append(value);
  Touch();
  if (value.empty()) {
    std::erase_if(fitems, [&](const std::string& item) { return NamedExactly(item, name); });
    return;
  }
  const std::string newValue(value);
  const auto found = std::find_if(fitems.begin(), fitems.end(), [&](const std::string& item) {
    return NamedExactly(item, name);
  });
  size_t index = 0;
  if (found != fitems.end()) {
    index = static_cast<size_t>(found - fitems.begin());
    fitems[index] = std::move(line);
    for (size_t later = fitems.size(); later-- > index + 1;) {
      if (NamedExactly(fitems[later], name)) {
        fitems.erase(fitems.begin() + static_cast<ptrdiff_t>(later));
      }
    }
    if (name == "labels") {
      // The short path form of a name is the name itself on this platform.
      fcsvfilename = newValue;
      fexternallabels = true;
      LoadExternalLabels();
    }
  } else {
    fitems.push_back(std::move(line));
    index = fitems.size() - 1;
  }
  if (name == "head" && index > 0) {
    std::rotate(fitems.begin(), fitems.begin() + static_cast<ptrdiff_t>(index),
                fitems.begin() + static_cast<ptrdiff_t>(index) + 1);
  }
}

void TSMPfile::add_line(std::string_view line) {
  set_item(ItemName(line), ItemValue(line));
}

void TSMPfile::set_nonpresent_item(std::string_view itemname, std::string_view value) {
  if (get_item(itemname).empty()) {
    set_item(itemname, value);
  }
}

void TSMPfile::add_nonpresent_line(std::string_view line) {
  if (get_item(ItemName(line)).empty()) {
    add_line(line);
  }
}

void TSMPfile::set_proc(std::string_view procstr) {
  int k = 0;
  while (!get_item("proc" + std::to_string(k)).empty()) {
    ++k;
  }
  const std::string name = "proc" + std::to_string(k);
  // A head line of kMaxHeadLineCharacters or more is not taken for one: the text is cut, not
  // the head, so that the file still reads as SMP whatever the length of a path in it.
  const size_t room = kMaxHeadLineCharacters - 1 - name.size() - 1;
  set_item(name, FirstCharacters(procstr, room));
}

void TSMPfile::validate_items() {
  Touch();
  for (size_t i = 0; i < fitems.size(); ++i) {
    if (NamedExactly(fitems[i], "head")) {
      std::rotate(fitems.begin(), fitems.begin() + static_cast<ptrdiff_t>(i),
                  fitems.begin() + static_cast<ptrdiff_t>(i) + 1);
    }
  }
  std::erase_if(fitems, [](const std::string& line) {
    return IsBlankText(ItemName(line)) || IsBlankText(ReadableValue(ItemValue(line)));
  });
  std::vector<std::string> unique;
  unique.reserve(fitems.size());
  for (std::string& line : fitems) {
    const std::string_view name = ItemName(line);
    const bool seen = std::any_of(unique.begin(), unique.end(),
                                  [&](const std::string& kept) { return ItemName(kept) == name; });
    if (!seen) {
      unique.push_back(std::move(line));
    }
  }
  fitems = std::move(unique);
  const bool external = !CSVFileName().empty();
  if (external) {
    JoinLabelItemsToLabelFile();
  }
  fexternallabels = external;
}

void TSMPfile::insert_nonpresent_defaults() {
  if (get_item("head").empty()) {
    SetHeadSize(fdefheadsize);
  }
  if (get_item("file").empty()) {
    SetFileType(fdeffiletype);
  }
  if (get_item("sftot").empty()) {
    SetSfTot(fdefsftot);
  }
  if (get_item("nchans").empty()) {
    SetnChans(fdefnchans);
  }
  if (get_item("msb").empty()) {
    SetMSBFirst(fdefmsbfirst);
  }
  if (get_item("view").empty()) {
    SetView(-1, {-1.0, 1.0});
  }
  if (get_item("range").empty()) {
    SetRange(-1, {-32768.0, 32768.0});
  }
  if (get_item("date").empty()) {
    set_item("date", DefaultDateTimeText(std::time(nullptr)));
  }
}

void TSMPfile::ResetToDesignDefaults() {
  fextlabels.clear();
  fdefheadsize = 1024;
  fdeffiletype = "samp";
  fdefsftot = 16000;
  fdefnchans = 1;
  fdefmsbfirst = false;
  fdefviewlo = -1.0;
  fdefviewhi = 1.0;
  fdefrangelo = -32768.0;
  fdefrangehi = 32768.0;
  fchunknsamples = kChunkCapacity;
  flongtime = 100;
  foverwrite = true;
  ferasecsvfile = true;
  fexternallabels = false;
  fcsvfilename.clear();
  fheadarr.fill(0);
  fheadfits = true;
  std::fill(samplechunk.begin(), samplechunk.end(), int16_t{0});
  fchangecount = 1;
  fcachedheadsize.stamp = 0;
  fcachedfiletype.stamp = 0;
  fcachedsftot.stamp = 0;
  fcachednchans.stamp = 0;
  fcachedmsbfirst.stamp = 0;
  fcachedirty = true;
}

void TSMPfile::clear() {
  fitems.clear();
  fcomment.clear();
  ResetToDesignDefaults();
}

void TSMPfile::set_to_defaults() {}

void TSMPfile::SetItems(const std::vector<std::string>& lines) {
  std::vector<std::string> copy = lines;
  ResetToDesignDefaults();
  fitems = std::move(copy);
  validate_items();
  Touch();
}

void TSMPfile::SetComment(const std::vector<std::string>& lines) {
  fcomment = lines;
  Touch();
}

void TSMPfile::BuildHead() {
  const thead_build built = BuildHeadBytes(fitems, fcomment, fheadarr);
  fusedsize = built.lastIndex;
  fheadfits = built.complete;
}

std::span<uint8_t, kHeadBufferSize> TSMPfile::HeadArrPtr() {
  BuildHead();
  return fheadarr;
}

int32_t TSMPfile::UsedSize() {
  BuildHead();
  return fusedsize;
}

void TSMPfile::UseHeadArrAsHeader() {
  fexternallabels = false;
  bool inComment = false;
  for (const std::string& line : HeadBufferLines(fheadarr)) {
    if (inComment) {
      fcomment.push_back(line);
    } else if (line == "=") {
      inComment = true;
    } else {
      const std::string_view name = ItemName(line);
      set_item(name, ReadableValue(ItemValue(line)));
      if (name == "labels") {
        fexternallabels = true;
      }
    }
  }
  LoadExternalLabels();
  validate_items();
  fheadoffset = HeadSize();
}

void TSMPfile::FitHeadSize() {
  int32_t u = 0;
  do {
    if (u > HeadSize()) {
      SetHeadSize(u % 2 == 0 ? u : u + 1);
    }
    BuildHead();
    u = fusedsize;
  } while (u > HeadSize());
}

// ---- Typed items ------------------------------------------------------------------------------

int32_t TSMPfile::HeadSize() {
  if (fcachedheadsize.stamp != fchangecount) {
    const std::optional<int32_t> read = ReadDecimalInteger(get_item("head"));
    // A negative size cannot place the samples; it counts as unreadable.
    fcachedheadsize = {read && *read >= 0 ? *read : fdefheadsize, fchangecount};
  }
  return fcachedheadsize.value;
}

void TSMPfile::SetHeadSize(int32_t value) {
  set_item("head", std::to_string(value));
}

std::string TSMPfile::FileType() {
  if (fcachedfiletype.stamp != fchangecount) {
    std::string read = get_item("file");
    fcachedfiletype = {read.empty() ? fdeffiletype : std::move(read), fchangecount};
  }
  return fcachedfiletype.value;
}

void TSMPfile::SetFileType(std::string_view value) {
  set_item("file", value);
}

double TSMPfile::SfTot() {
  if (fcachedsftot.stamp != fchangecount) {
    double rate = fdefsftot;
    try {
      rate = StrToFloatDot(get_item("sftot"));
    } catch (const EConvertError&) {
      rate = fdefsftot;
    }
    fcachedsftot = {rate, fchangecount};
  }
  return fcachedsftot.value;
}

void TSMPfile::SetSfTot(double value) {
  set_item("sftot", FormatRateText(value));
}

int32_t TSMPfile::nChans() {
  if (fcachednchans.stamp != fchangecount) {
    fcachednchans = {ReadDecimalInteger(get_item("nchans")).value_or(fdefnchans), fchangecount};
  }
  return fcachednchans.value;
}

void TSMPfile::SetnChans(int32_t value) {
  set_item("nchans", std::to_string(value));
}

bool TSMPfile::MSBFirst() {
  if (fcachedmsbfirst.stamp != fchangecount) {
    const std::string read = get_item("msb");
    bool first = fdefmsbfirst;
    if (read == "first") {
      first = true;
    } else if (read == "last") {
      first = false;
    }
    fcachedmsbfirst = {first, fchangecount};
  }
  return fcachedmsbfirst.value;
}

void TSMPfile::SetMSBFirst(bool value) {
  set_item("msb", value ? "first" : "last");
}

// ---- View and range ---------------------------------------------------------------------------

std::string TSMPfile::ViewText(int channo) {
  if (channo >= 0) {
    std::string own = get_item("view" + std::to_string(channo));
    if (!own.empty()) {
      return own;
    }
  }
  return get_item("view");
}

std::string TSMPfile::RangeText(int channo) {
  if (channo >= 0) {
    std::string own = get_item("range" + std::to_string(channo));
    if (!own.empty()) {
      return own;
    }
  }
  return get_item("range");
}

std::string TSMPfile::ViewNameForWriting(int channo) {
  if (channo < 0) {
    return "view";
  }
  if (nChans() == 1 && !get_item("view").empty() && get_item("view0").empty()) {
    return "view";
  }
  return "view" + std::to_string(channo);
}

tdoublepair TSMPfile::GetView(int channo) {
  return ReadPair(ViewText(channo), true).value_or(tdoublepair{fdefviewlo, fdefviewhi});
}

std::string TSMPfile::GetViewUnit(int channo) {
  return OemToCharA(CharactersAsBytes(StoredUnit(ViewText(channo))));
}

void TSMPfile::SetView(int channo, tdoublepair view) {
  // The unit goes back in the form it is stored in, so that it survives any number of view
  // changes.
  const std::string unit(StoredUnit(ViewText(channo)));
  std::string text = FloatToStrDot(RoundToSignificantDigits(view.lo, fnviewdigits)) + "," +
                     FloatToStrDot(RoundToSignificantDigits(view.hi, fnviewdigits));
  if (!unit.empty()) {
    text += "," + unit;
  }
  set_item(ViewNameForWriting(channo), text);
}

void TSMPfile::SetViewUnit(int channo, std::string_view unit) {
  const std::string stored = BytesAsCharacters(CharToOemA(unit));
  const tdoublepair view = GetView(channo);
  std::string text = FloatToStrDot(view.lo) + "," + FloatToStrDot(view.hi);
  if (!stored.empty()) {
    text += "," + stored;
  }
  set_item(ViewNameForWriting(channo), text);
}

tdoublepair TSMPfile::GetRange(int channo) {
  return ReadPair(RangeText(channo), false).value_or(tdoublepair{fdefrangelo, fdefrangehi});
}

void TSMPfile::SetRange(int channo, tdoublepair range) {
  const std::string name = channo < 0 ? "range" : "range" + std::to_string(channo);
  set_item(name, FloatToStrDot(range.lo) + "," + FloatToStrDot(range.hi));
}

}  // namespace vorsel
