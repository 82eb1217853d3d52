#include "kit/srecent.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/textcase.h"

namespace vorsel {

namespace {

bool FileExists(const std::string& name) {
  std::error_code error;
  return !name.empty() && std::filesystem::exists(name, error) &&
         !std::filesystem::is_directory(name, error);
}

std::string Absolute(const std::string& name) {
  std::error_code error;
  const std::filesystem::path path = std::filesystem::absolute(name, error);
  return error ? name : path.lexically_normal().string();
}

// A "&" in a name would otherwise turn the next character into the mnemonic.
std::string MenuText(const std::string& name) {
  std::string out;
  for (const char c : name) {
    out += c;
    if (c == '&') {
      out += '&';
    }
  }
  return out;
}

}  // namespace

std::string PositionText(int position) {
  if (position < 10) {
    return std::string(1, static_cast<char>('0' + position));
  }
  if (position < 16) {
    return std::string(1, static_cast<char>('A' + position - 10));
  }
  return "10";
}

TRecentFiles::TRecentFiles(MessageBoxes& boxes, const DriveTypes& drives, const Folders& folders)
    : fboxes(boxes), fdrives(drives), setting(folders) {}

TRecentFiles::~TRecentFiles() {
  remove_from_menu();
}

void TRecentFiles::Loaded() {
  if (fprogid == nullptr) {
    throw ESettingError("Nothing assigned to " + fName + ".ProgId");
  }
  floading = false;
  setting.SetProgId(fprogid);
  if (fmenu == nullptr) {
    return;
  }
  remove_from_menu();
  for (auto& item : fitems) {
    item = fmenu->CreateItem();
  }
  fbaritem = fmenu->CreateItem();
  fbaritem->SetCaption("-");
  fbaritem->SetVisible(true);
  fclearitem = fmenu->CreateItem();
  fclearitem->SetVisible(fincludeclear);
  fclearitem->SetCaption(fclearcaption);
  fclearitem->SetOnClick([this](MenuItem&) { RequestClear(); });
  read_from_registry();
  for (int i = kPositions; i >= 1; --i) {
    MenuItem& item = *fitems[i - 1];
    item.SetTag(i);
    item.SetOnClick([this, i](MenuItem& sender) { ChooseEntry(i, sender); });
    item.SetEnabled(true);
  }
  UpdateCaptions();
  insert_in_menu();
}

void TRecentFiles::SetMenu(MenuItem* value) {
  if (floading) {
    fmenu = value;
    return;
  }
  // The block leaves the old menu before the items are made anew for the new one.
  remove_from_menu();
  fmenu = value;
  Loaded();
}

void TRecentFiles::SetMaxItems(int32_t value) {
  fmaxitems = std::clamp(value, int32_t{0}, kMaxShown);
  for (int i = fmaxitems + 1; i <= kPositions; ++i) {
    ffilenames[i - 1].clear();
  }
  insert_in_menu();
}

void TRecentFiles::SetBarBefore(bool value) {
  fbarbefore = value;
  insert_in_menu();
}

void TRecentFiles::SetIncludeClearItem(bool value) {
  fincludeclear = value;
  insert_in_menu();
}

void TRecentFiles::SetClearCaption(std::string value) {
  fclearcaption = std::move(value);
  insert_in_menu();
}

bool TRecentFiles::Accepts(uint32_t driveType) const {
  switch (driveType) {
    case DRIVE_UNKNOWN:
      return true;
    case DRIVE_NO_ROOT_DIR:
      return false;
    case DRIVE_REMOVABLE:
      return fallowremovable;
    case DRIVE_FIXED:
      return fallowfixed;
    case DRIVE_REMOTE:
      return fallowremote;
    case DRIVE_CDROM:
      return fallowcdrom;
    case DRIVE_RAMDISK:
      return fallowramdisk;
    default:
      return true;
  }
}

void TRecentFiles::add(const std::string& filename) {
  if (filename.empty()) {
    return;
  }
  const std::string name = Absolute(filename);
  if (Accepts(fdrives.DriveTypeOf(name))) {
    std::move_backward(ffilenames.begin(), ffilenames.end() - 1, ffilenames.end());
    ffilenames[0] = name;
  }
  normalise();
  insert_in_menu();
}

void TRecentFiles::clear() {
  for (std::string& name : ffilenames) {
    name.clear();
  }
  normalise();
  insert_in_menu();
}

int TRecentFiles::VisibleNames() const {
  return static_cast<int>(std::count_if(ffilenames.begin(), ffilenames.begin() + fmaxitems,
                                        [](const std::string& name) { return !name.empty(); }));
}

void TRecentFiles::normalise() {
  for (int i = 0; i < kPositions; ++i) {
    if (ffilenames[i].empty()) {
      continue;
    }
    const std::string folded = FoldCase(ffilenames[i]);
    for (int j = i + 1; j < kPositions; ++j) {
      if (!ffilenames[j].empty() && FoldCase(ffilenames[j]) == folded) {
        ffilenames[j].clear();
      }
    }
  }
  std::stable_partition(ffilenames.begin(), ffilenames.end(),
                        [](const std::string& name) { return !name.empty(); });
  UpdateCaptions();
}

void TRecentFiles::UpdateCaptions() {
  if (fmenu == nullptr || !fitems[0]) {
    return;
  }
  for (int i = 1; i <= kPositions; ++i) {
    std::string caption(1, '&');
    caption += PositionText(i);
    caption += ' ';
    caption += MenuText(ffilenames[i - 1]);
    fitems[i - 1]->SetCaption(caption);
  }
}

void TRecentFiles::insert_in_menu() {
  if (fmenu == nullptr || floading || !fitems[0]) {
    return;
  }
  write_to_registry();
  remove_from_menu();
  const int index = std::clamp(fmenupos, int32_t{0}, static_cast<int32_t>(fmenu->Count()));
  const bool anyVisible = VisibleNames() > 0;
  fclearitem->SetVisible(fincludeclear && anyVisible);
  fmenu->Insert(index, *fclearitem);
  for (int i = kPositions; i >= 1; --i) {
    fitems[i - 1]->SetVisible(!ffilenames[i - 1].empty() && i <= fmaxitems);
    fmenu->Insert(index, *fitems[i - 1]);
  }
  fbaritem->SetVisible(fbarbefore && anyVisible);
  fmenu->Insert(index, *fbaritem);
  finserted = true;
  finsertedmenu = fmenu;
}

void TRecentFiles::remove_from_menu() {
  if (!finserted || finsertedmenu == nullptr) {
    return;
  }
  for (int i = kPositions; i >= 1; --i) {
    finsertedmenu->Remove(*fitems[i - 1]);
  }
  finsertedmenu->Remove(*fbaritem);
  finsertedmenu->Remove(*fclearitem);
  finserted = false;
  finsertedmenu = nullptr;
}

void TRecentFiles::read_from_registry() {
  fisreading = true;
  try {
    setting.SetLocation(slroaming);
    SetMaxItems(setting.ReadInteger(Section(), "nToUse", fmaxitems));
    for (int i = 1; i <= fmaxitems; ++i) {
      const std::string name = setting.ReadString(Section(), PositionText(i), "");
      ffilenames[i - 1] = FileExists(name) ? name : std::string();
    }
  } catch (const std::exception&) {
    // A list that cannot be loaded keeps what it holds.
  }
  normalise();
  fisreading = false;
}

void TRecentFiles::write_to_registry() {
  if (fisreading || floading) {
    return;
  }
  // One replacement of the file for the whole list rather than one per key.
  const bool manual = setting.ManualIniClose();
  try {
    setting.SetManualIniClose(true);
    setting.SetLocation(slroaming);
    setting.DeleteSection(Section());
    setting.WriteInteger(Section(), "nToUse", fmaxitems);
    for (int i = 1; i <= fmaxitems; ++i) {
      setting.WriteString(Section(), PositionText(i), ffilenames[i - 1]);
    }
    setting.IniClose();
  } catch (const std::exception&) {
    // The list in memory stays as it is; the next change tries again.
  }
  try {
    setting.SetManualIniClose(manual);
  } catch (const std::exception&) {
    // Nothing was held back any more: the close above failed and forgot the changes.
  }
}

void TRecentFiles::ChooseEntry(int position, MenuItem& sender) {
  const std::string name = ffilenames[position - 1];
  if (!FileExists(name)) {
    fboxes.ShowMessageBox("Can't find \r" + name, "File not found", mbOk | mbIconExclamation);
    ffilenames[position - 1].clear();
    normalise();
    insert_in_menu();
    return;
  }
  if (fonclick) {
    add(name);
    // The clicked file, also when its drive is no longer accepted and it did not move up.
    fonclick(sender, position, name);
  }
}

void TRecentFiles::RequestClear() {
  if (fboxes.ShowMessageBox("Do you want to clear the list of recently used files?", "Clear list",
                            mbYesNo | mbIconQuestion) == idYes) {
    clear();
  }
}

}  // namespace vorsel
