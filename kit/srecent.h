#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "kit/cProgId.h"
#include "kit/csetting.h"
#include "platform/drives.h"
#include "platform/folders.h"
#include "platform/menu.h"
#include "platform/messagebox.h"

namespace vorsel {

// Called when an existing entry is chosen: the clicked item, the position clicked and the
// file's full name.
using tRecentEvent =
    std::function<void(MenuItem& sender, int32_t ItemNo, const std::string& FileName)>;

// A most-recently-used list of file names, shown as numbered entries inside an existing menu
// and stored per user through a TSetting (section "RecentFiles" + ListName, key nToUse and
// the positions "1" to "F").
//
// The owner sets the properties and then calls Loaded, which creates the menu items, loads
// the list and shows it. From then on every change rebuilds the menu block and saves the
// list at once; errors of the store are swallowed. The menu must outlive this component,
// which takes its items out of the menu when it is destroyed.
class TRecentFiles {
 public:
  static constexpr int kPositions = 16;
  static constexpr int32_t kMaxShown = 15;

  explicit TRecentFiles(MessageBoxes& boxes, const DriveTypes& drives = SystemDriveTypes(),
                        const Folders& folders = SystemFolders());
  ~TRecentFiles();
  TRecentFiles(const TRecentFiles&) = delete;
  TRecentFiles& operator=(const TRecentFiles&) = delete;

  const std::string& Name() const { return fName; }
  void SetName(std::string name) { fName = std::move(name); }
  // Throws ESettingError "Nothing assigned to <Name>.ProgId" without a ProgId.
  void Loaded();

  MenuItem* Menu() const { return fmenu; }
  void SetMenu(MenuItem* value);
  int32_t MaxItems() const { return fmaxitems; }
  void SetMaxItems(int32_t value);
  int32_t MenuPos() const { return fmenupos; }
  void SetMenuPos(int32_t value) { fmenupos = value; }
  const tRecentEvent& OnClick() const { return fonclick; }
  void SetOnClick(tRecentEvent value) { fonclick = std::move(value); }
  bool BarBefore() const { return fbarbefore; }
  void SetBarBefore(bool value);
  bool IncludeClearItem() const { return fincludeclear; }
  void SetIncludeClearItem(bool value);
  const std::string& ClearCaption() const { return fclearcaption; }
  void SetClearCaption(std::string value);
  bool AllowFileOnRemovable() const { return fallowremovable; }
  void SetAllowFileOnRemovable(bool value) { fallowremovable = value; }
  bool AllowFileOnRemote() const { return fallowremote; }
  void SetAllowFileOnRemote(bool value) { fallowremote = value; }
  bool AllowFileOnFixed() const { return fallowfixed; }
  void SetAllowFileOnFixed(bool value) { fallowfixed = value; }
  bool AllowFileOnCDROM() const { return fallowcdrom; }
  void SetAllowFileOnCDROM(bool value) { fallowcdrom = value; }
  bool AllowFileOnRAMDisk() const { return fallowramdisk; }
  void SetAllowFileOnRAMDisk(bool value) { fallowramdisk = value; }
  const std::string& ListName() const { return flistname; }
  void SetListName(std::string value) { flistname = std::move(value); }
  TProgId* ProgId() const { return fprogid; }
  void SetProgId(TProgId* value) { fprogid = value; }

  // Puts the file (made absolute) at the top unless its drive type is refused.
  void add(const std::string& filename);
  void clear();
  void insert_in_menu();
  void remove_from_menu();
  void read_from_registry();
  void write_to_registry();

  // The name at a position from 1 to 16 as held in memory; empty for a free position.
  const std::string& FileName(int position) const { return ffilenames.at(position - 1); }
  TSetting& Setting() { return setting; }

 private:
  bool Accepts(uint32_t driveType) const;
  int VisibleNames() const;
  void normalise();
  void UpdateCaptions();
  void ChooseEntry(int position, MenuItem& sender);
  void RequestClear();
  std::string Section() const { return "RecentFiles" + flistname; }

  MessageBoxes& fboxes;
  const DriveTypes& fdrives;
  std::string fName;
  MenuItem* fmenu = nullptr;
  int32_t fmaxitems = 5;
  bool fisreading = false;
  bool fbarbefore = true;
  std::unique_ptr<MenuItem> fbaritem;
  std::string fclearcaption = "&Clear list...";
  std::unique_ptr<MenuItem> fclearitem;
  bool fincludeclear = true;
  std::array<std::unique_ptr<MenuItem>, kPositions> fitems;
  std::array<std::string, kPositions> ffilenames;
  int32_t fmenupos = 100;
  bool finserted = false;
  MenuItem* finsertedmenu = nullptr;
  tRecentEvent fonclick;
  std::string flistname;
  bool fallowremovable = false;
  bool fallowremote = true;
  bool fallowfixed = true;
  bool fallowcdrom = false;
  bool fallowramdisk = false;
  TProgId* fprogid = nullptr;
  TSetting setting;
  bool floading = true;  // until Loaded: nothing is shown or saved
};

// "1" to "9", "A" to "F", and "10" for 16: how positions are numbered in keys and captions.
std::string PositionText(int position);

}  // namespace vorsel
