// TSMPfile: labels as head items or in a label file, the switch between the two, and the
// label steps of the head parse and of the save.

#include <algorithm>
#include <filesystem>
#include <limits>
#include <optional>
#include <unordered_set>

#include "platform/dotnum.h"
#include "smp/head_text.h"
#include "smp/label_file.h"
#include "smp/label_text.h"
#include "smp/sSMP.h"

namespace vorsel {

namespace {

bool IsLabelItem(const std::string& line) {
  return IsLabelItemName(ItemName(line));
}

// k for a name that get_item takes for "L" followed by k in decimal.
std::optional<size_t> LabelItemNumber(std::string_view name) {
  if (name.size() < 2 || (name[0] != 'L' && name[0] != 'l') || name[1] == '0') {
    return std::nullopt;
  }
  size_t number = 0;
  for (const char c : name.substr(1)) {
    if (c < '0' || c > '9' || number > std::numeric_limits<int32_t>::max() / 10) {
      return std::nullopt;
    }
    number = number * 10 + static_cast<size_t>(c - '0');
  }
  return number;
}

bool SamePath(const std::string& a, const std::string& b) {
  return std::filesystem::path(a).lexically_normal() == std::filesystem::path(b).lexically_normal();
}

[[noreturn]] void RaiseUnreadableField(std::string_view field) {
  throw EConvertError("'" + std::string(field) + "' is not a valid integer value");
}

}  // namespace

int32_t TSMPfile::nlabels() const {
  if (fexternallabels) {
    return static_cast<int32_t>(
        std::min<size_t>(fextlabels.size(), std::numeric_limits<int32_t>::max()));
  }
  // As get_item sees them: the first item of each name, compared without regard to case, so
  // L<k> or l<k> with k written without leading zeros. Counting stops at the first gap, so a
  // number beyond the item count can never be reached.
  std::vector<int8_t> present(fitems.size() + 2, -1);  // -1 unseen, 0 empty, 1 a label
  for (const std::string& line : fitems) {
    const std::string_view name = ItemName(line);
    const std::optional<size_t> number = LabelItemNumber(name);
    if (number && *number < present.size() && present[*number] < 0) {
      present[*number] = ItemValue(line).empty() ? 0 : 1;
    }
  }
  int32_t count = 0;
  while (present[static_cast<size_t>(count) + 1] == 1) {
    ++count;
  }
  return count;
}

std::string TSMPfile::GetLabel(int32_t labelno) const {
  if (labelno < 0) {
    return {};
  }
  if (fexternallabels) {
    const auto index = static_cast<size_t>(labelno);
    return index < fextlabels.size() ? fextlabels[index] : std::string{};
  }
  return NormaliseLabel(get_item(LabelItemName(labelno)));
}

void TSMPfile::SetLabel(int32_t labelno, std::string_view text) {
  if (labelno < 0) {
    return;
  }
  if (fexternallabels) {
    const auto index = static_cast<size_t>(labelno);
    if (fextlabels.size() <= index) {
      fextlabels.resize(index + 1);
    }
    fextlabels[index] = NormaliseLabel(text);
    return;
  }
  set_item(LabelItemName(labelno), NormaliseLabel(text));
}

void TSMPfile::add_label(std::string_view labelstr) {
  if (fexternallabels) {
    fextlabels.push_back(NormaliseLabel(labelstr));
    return;
  }
  set_item(LabelItemName(nlabels()), labelstr);
}

void TSMPfile::clear_labels() {
  if (fexternallabels) {
    fextlabels.clear();
    return;
  }
  // Removed without regard to case, as they were counted: an item "l1" would otherwise
  // survive and keep counting as the first label.
  std::unordered_set<std::string> names;
  for (int32_t n = nlabels(); n-- > 0;) {
    names.insert(LowerName(LabelItemName(n)));
  }
  std::erase_if(fitems,
                [&](const std::string& line) { return names.contains(LowerName(ItemName(line))); });
  Touch();
}

int32_t TSMPfile::LabelStart(int32_t labelno) const {
  return SplitLabel(GetLabel(labelno)).start.value_or(-1);
}

int32_t TSMPfile::LabelLength(int32_t labelno) const {
  return SplitLabel(GetLabel(labelno)).length.value_or(-1);
}

std::string TSMPfile::LabelText(int32_t labelno) const {
  return std::string(SplitLabel(GetLabel(labelno)).text);
}

void TSMPfile::SelectLabel(int32_t labelno) {
  const int32_t start = LabelStart(labelno);
  const int32_t length = LabelLength(labelno);
  const bool readable = start >= 0 && length >= 0;
  SetSelStart(readable ? start : 0);
  SetSellength(readable ? length : 0);
}

void TSMPfile::ChannelSelectLabel(int32_t labelno, int channo) {
  const int32_t pitch = ScanPitch(channo);
  const int32_t start = LabelStart(labelno);
  const int32_t length = LabelLength(labelno);
  // An unreadable field (-1) would place the channel before the first sample, in the head.
  const bool usable = pitch > 0 && start >= 0 && length >= 0;
  SetChannelSelStart(channo, usable ? start / pitch : 0);
  SetChannelSellength(channo, usable ? length / pitch : 0);
}

void TSMPfile::ScaleLabelsBy(double factor) {
  const bool wasExternal = fexternallabels;
  SetExternalLabels(true);
  const int32_t scanCount = ScanCount();
  for (int32_t n = 0; n < nlabels(); ++n) {
    const std::string label = GetLabel(n);
    const tlabelfields fields = SplitLabel(label);
    if (!fields.start) {
      RaiseUnreadableField(fields.startText);
    }
    if (!fields.length) {
      RaiseUnreadableField(fields.lengthText);
    }
    SetLabel(n, ScaledLabel(*fields.start, *fields.length, fields.text, factor, scanCount));
  }
  SetExternalLabels(wasExternal);
}

// ---- Where the labels are kept ----------------------------------------------------------------

void TSMPfile::MoveLabelItemsToList() {
  for (const std::string& line : fitems) {
    if (IsLabelItem(line)) {
      fextlabels.push_back(NormaliseLabel(ItemValue(line)));
    }
  }
  if (std::erase_if(fitems, IsLabelItem) > 0) {
    Touch();
  }
}

void TSMPfile::SetExternalLabels(bool value) {
  fexternallabels = value;
  if (value) {
    MoveLabelItemsToList();
    if (fcsvfilename.empty()) {
      NameLabelFile(LabelFileNameOf(ffilename));
    }
    return;
  }
  std::vector<std::string> labels = std::move(fextlabels);
  fextlabels.clear();
  // As add_label would number them; an empty label takes no number.
  int32_t next = nlabels();
  for (const std::string& label : labels) {
    if (!label.empty()) {
      set_item(LabelItemName(next++), label);
    }
  }
  SetCSVFileName("");
}

std::string TSMPfile::CSVFileName() {
  if (nlabels() == 0) {
    return fcsvfilename;
  }
  // The short path form of a name is the name itself on this platform. Labels without a
  // "labels" item (switched on while there were none) keep the name they were given.
  std::string item = get_item("labels");
  if (!item.empty()) {
    fcsvfilename = std::move(item);
  }
  return fcsvfilename;
}

void TSMPfile::SetCSVFileName(std::string_view value) {
  fcsvfilename = value;
  if (nlabels() == 0) {
    set_item("labels", "");
  } else {
    set_item("labels", std::string(fcsvfilename));
  }
}

void TSMPfile::NameLabelFile(const std::string& name) {
  fcsvfilename = name;
  const auto found = std::find_if(fitems.begin(), fitems.end(), [](const std::string& line) {
    return ItemName(line) == "labels";
  });
  if (nlabels() == 0 || found == fitems.end()) {
    // Removing, or appending, takes none of the label actions.
    set_item("labels", nlabels() == 0 ? std::string() : name);
    return;
  }
  *found = "labels=" + name;
  Touch();
}

void TSMPfile::KeepLabelsInOwnFile() {
  // The label file's name is read whatever the case of the item's name; a spelling other than
  // the exact one would still name the file a save writes to.
  for (const std::string& name : ItemSpellings("labels")) {
    if (name != "labels") {
      set_item(name, "");
    }
  }
  if (!fexternallabels || fextlabels.empty()) {
    // Nothing was loaded: a "labels" item left over must not name a file for a later save.
    set_item("labels", "");
    fcsvfilename.clear();
    fexternallabels = false;
    return;
  }
  NameLabelFile(LabelFileNameOf(ffilename));
}

void TSMPfile::JoinLabelItemsToLabelFile() {
  if (!fexternallabels) {
    fexternallabels = true;
    LoadExternalLabels();
  }
  MoveLabelItemsToList();
}

// ---- Loading and saving -----------------------------------------------------------------------

void TSMPfile::LoadExternalLabels() {
  fextlabels.clear();
  if (!fexternallabels) {
    return;
  }
  std::string name = get_item("labels");
  if (fforeignlabels && !name.empty()) {
    const ForeignLabelFile checked =
        CheckForeignLabelFile(name, fforeignlabels->namingfile, fforeignlabels->folders);
    if (!checked.problem.empty()) {
      if (fforeignlabels->refused) {
        fforeignlabels->refused(checked.problem);
      }
      return;
    }
    name = checked.path;
  }
  // The samples are no label file, whatever a head says.
  if (SamePath(name, ffilename)) {
    return;
  }
  for (const std::string& line : ReadLabelFile(name)) {
    fextlabels.push_back(NormaliseLabel(line));
  }
}

TSMPfile::tlabelfileaction TSMPfile::PrepareLabelsForSave() {
  using tkind = tlabelfileaction::tkind;
  if (fexternallabels && SamePath(CSVFileName(), ffilename)) {
    // A label file of the file's own name would overwrite the samples: the labels become items.
    SetExternalLabels(false);
  }
  if (fexternallabels) {
    // validate_items has just moved any label items into the list.
    std::string name = CSVFileName();
    if (name.empty()) {
      name = LabelFileNameOf(ffilename);
    }
    // So that the head names the file its labels are written to.
    NameLabelFile(name);
    return {tkind::write, name};
  }
  const int32_t count = nlabels();
  for (int32_t n = 0; n < count; ++n) {
    set_item(LabelItemName(n), GetLabel(n));
  }
  tlabelfileaction action;
  const std::string named = CSVFileName();
  if (ferasecsvfile && !named.empty()) {
    action = {tkind::erase, named};
  }
  SetCSVFileName("");
  return action;
}

void TSMPfile::StoreLabelFile(const tlabelfileaction& action) {
  // Whatever the items say, the SMP file itself is never taken for its label file.
  if (action.path.empty() || SamePath(action.path, ffilename)) {
    return;
  }
  switch (action.kind) {
    case tlabelfileaction::tkind::write:
      WriteLabelFile(action.path, ffilename, fextlabels);
      break;
    case tlabelfileaction::tkind::erase:
      DeleteFileAt(action.path);
      break;
    case tlabelfileaction::tkind::none:
      break;
  }
}

}  // namespace vorsel
