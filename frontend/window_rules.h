#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "frontend/targets.h"

namespace vorsel {

// The Action group's items.
inline constexpr int32_t kImportAction = 0;
inline constexpr int32_t kExportAction = 1;

// Import mode enables only the import button; export mode the five export buttons.
bool TargetEnabled(const ConversionTarget& target, bool importMode);

// The filter item that switching the Action selects, or nothing to leave the filter box as it
// is. Going to Export from a single importable type (or all importable files) remembers that
// item in favouriteImport and shows the sample files; coming back to Import from the sample
// files restores the remembered item.
std::optional<int32_t> FilterForMode(bool importMode, int32_t shownFilter,
                                     int32_t& favouriteImport);

// The Action item that the user's pick of a filter selects: the sample files mean Export, a
// single importable type or all importable files Import; the others change nothing.
std::optional<int32_t> ActionForFilter(int32_t filterIndex);

// The mask that a filter item applies to the file list (Custom: the custom mask), or nothing
// for an index outside the box, which leaves the mask as it is.
std::optional<std::string> MaskForFilter(int32_t filterIndex, const std::string& customMask);

struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

// The controls of the left panel, placed again whenever the panel changes size: the filter and
// drive boxes at the bottom, the rest divided between the file list (a third of the space
// above the drive box) and the folder list.
struct LeftPanel {
  Rect Label1;
  Rect FileListBox1;
  Rect DirectoryListBox1;
  Rect DriveComboBox1;
  Rect FilterComboBox1;
};
LeftPanel Panel1Resize(LeftPanel controls, int clientWidth, int clientHeight);

// The log fills the right panel below the buttons and labels.
Rect Panel2Resize(Rect Memo1, int clientWidth, int clientHeight);

// The rule that keeps one batch at a time: a press during a batch is refused, and what must
// not happen under a running batch (re-reading the file list, closing) waits for its end.
class BatchGuard {
 public:
  bool Running() const { return running_; }
  // False, and nothing changes, while a batch runs.
  bool Begin();
  // Ends the batch; true when the window was asked to close meanwhile.
  bool End();

  // True when the list may be re-read now; otherwise the owner re-reads after the batch, as
  // it does after every batch.
  bool RequestReread() const { return !running_; }
  // True when the window may close now; otherwise the running batch stops after its current
  // file and the window closes then.
  bool RequestClose();
  bool CloseRequested() const { return closeRequested_; }

 private:
  bool running_ = false;
  bool closeRequested_ = false;
};

// The log line for a press that BatchGuard refused.
inline constexpr std::string_view kBusyLine = "Busy: the running conversion must end first";

}  // namespace vorsel
