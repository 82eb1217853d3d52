#include "frontend/window_rules.h"

#include <cmath>

#include "frontend/file_browser.h"

namespace vorsel {

namespace {

constexpr int32_t kSampleFiles = 0;
constexpr int32_t kFirstImportable = 1;
constexpr int32_t kAllImportable = 7;

bool IsImportableFilter(int32_t index) {
  return index >= kFirstImportable && index <= kAllImportable;
}

}  // namespace

bool TargetEnabled(const ConversionTarget& target, bool importMode) {
  return (target.direction == Direction::Import) == importMode;
}

std::optional<int32_t> FilterForMode(bool importMode, int32_t shownFilter,
                                     int32_t& favouriteImport) {
  if (!importMode && IsImportableFilter(shownFilter)) {
    favouriteImport = shownFilter;
    return kSampleFiles;
  }
  if (importMode && shownFilter == kSampleFiles) {
    return favouriteImport;
  }
  return std::nullopt;
}

std::optional<int32_t> ActionForFilter(int32_t filterIndex) {
  if (filterIndex == kSampleFiles) {
    return kExportAction;
  }
  if (IsImportableFilter(filterIndex)) {
    return kImportAction;
  }
  return std::nullopt;
}

std::optional<std::string> MaskForFilter(int32_t filterIndex, const std::string& customMask) {
  const std::vector<FilterItem> items = ParseFilter(kFileTypeFilter);
  if (filterIndex < 0 || static_cast<size_t>(filterIndex) >= items.size()) {
    return std::nullopt;
  }
  return filterIndex == kCustomFilter ? customMask : items[static_cast<size_t>(filterIndex)].mask;
}

LeftPanel Panel1Resize(LeftPanel c, int clientWidth, int clientHeight) {
  Rect& filter = c.FilterComboBox1;
  filter.top = clientHeight - filter.height - c.Label1.top;
  filter.width = clientWidth - 2 * filter.left;

  Rect& drive = c.DriveComboBox1;
  drive.top = filter.top - drive.height - 4;
  drive.width = filter.width;

  Rect& folders = c.DirectoryListBox1;
  // Two thirds of an integer never ends in a half, so rounding to even and to nearest agree.
  folders.top = static_cast<int>(std::nearbyint(2.0 * drive.top / 3.0));
  folders.width = filter.width;
  folders.height = drive.top - folders.top - 4;

  Rect& files = c.FileListBox1;
  files.top = c.Label1.top + c.Label1.height + 4;
  files.height = folders.top - files.top - 4;
  files.width = filter.width;
  return c;
}

Rect Panel2Resize(Rect Memo1, int clientWidth, int clientHeight) {
  Memo1.width = clientWidth - 2 * Memo1.left;
  Memo1.height = clientHeight - Memo1.top - 4;
  return Memo1;
}

bool BatchGuard::Begin() {
  if (running_) {
    return false;
  }
  running_ = true;
  return true;
}

bool BatchGuard::End() {
  running_ = false;
  return closeRequested_;
}

bool BatchGuard::RequestClose() {
  if (running_) {
    closeRequested_ = true;
    return false;
  }
  return true;
}

}  // namespace vorsel
