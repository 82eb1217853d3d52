#include "frontend/window_rules.h"

#include <gtest/gtest.h>

#include "frontend/targets.h"

namespace vorsel {
namespace {

TEST(ActionRules, OnlyTheImportButtonIsEnabledInImportModeAndOnlyExportsInExportMode) {
  for (const ConversionTarget& target : ConversionTargets()) {
    const bool import = target.Name == "smpbutton";
    EXPECT_EQ(TargetEnabled(target, true), import) << target.Name;
    EXPECT_EQ(TargetEnabled(target, false), !import) << target.Name;
  }
}

TEST(ActionRules, PickingAFilterSwitchesTheActionOnlyForSampleOrImportableFiles) {
  EXPECT_EQ(ActionForFilter(0), kExportAction);
  for (int32_t importable = 1; importable <= 7; ++importable) {
    EXPECT_EQ(ActionForFilter(importable), kImportAction) << importable;
  }
  EXPECT_EQ(ActionForFilter(8), std::nullopt) << "all audio files";
  EXPECT_EQ(ActionForFilter(9), std::nullopt) << "all files";
  EXPECT_EQ(ActionForFilter(10), std::nullopt) << "custom";
  EXPECT_EQ(ActionForFilter(-1), std::nullopt);
}

TEST(ActionRules, ExportRemembersTheImportFilterAndImportBringsItBack) {
  int32_t favourite = 6;
  EXPECT_EQ(FilterForMode(false, 6, favourite), 0);
  EXPECT_EQ(favourite, 6);
  EXPECT_EQ(FilterForMode(true, 0, favourite), 6);

  EXPECT_EQ(FilterForMode(false, 3, favourite), 0);
  EXPECT_EQ(favourite, 3) << "the last importable filter shown is the one remembered";
  EXPECT_EQ(FilterForMode(false, 8, favourite), std::nullopt) << "all audio files stay";
  EXPECT_EQ(FilterForMode(false, 0, favourite), std::nullopt);
  EXPECT_EQ(FilterForMode(true, 9, favourite), std::nullopt);
  EXPECT_EQ(FilterForMode(true, 4, favourite), std::nullopt);
  EXPECT_EQ(favourite, 3);
}

TEST(ActionRules, EachFilterItemHasItsMaskAndCustomTakesTheStoredOne) {
  EXPECT_EQ(MaskForFilter(0, "*.x"), "*.smp");
  EXPECT_EQ(MaskForFilter(3, "*.x"), "*.aif*;*.afc");
  EXPECT_EQ(MaskForFilter(7, "*.x"), "*.wav;*.au;*.raw;*.txt;*.aif*;*.afc;*.nsp");
  EXPECT_EQ(MaskForFilter(9, "*.x"), "*.*");
  EXPECT_EQ(MaskForFilter(10, "*.x"), "*.x");
  EXPECT_EQ(MaskForFilter(11, "*.x"), std::nullopt);
  EXPECT_EQ(MaskForFilter(-1, "*.x"), std::nullopt);
}

LeftPanel InitialPanel() {
  return {
      {4, 4, 165, 13}, {4, 20, 165, 129}, {4, 152, 165, 97}, {4, 252, 165, 19}, {4, 276, 165, 21}};
}

TEST(PanelResize, TheBoxesGoToTheBottomAndTheListsShareTheRest) {
  const LeftPanel placed = Panel1Resize(InitialPanel(), 177, 322);
  EXPECT_EQ(placed.FilterComboBox1, (Rect{4, 297, 169, 21}));
  EXPECT_EQ(placed.DriveComboBox1, (Rect{4, 274, 169, 19}));
  // Two thirds of 274 is 182.67.
  EXPECT_EQ(placed.DirectoryListBox1, (Rect{4, 183, 169, 87}));
  EXPECT_EQ(placed.FileListBox1, (Rect{4, 21, 169, 158}));
  EXPECT_EQ(placed.Label1, InitialPanel().Label1);
}

TEST(PanelResize, ShrinkingKeepsTheArithmeticOfTheSmallestPanel) {
  const LeftPanel placed = Panel1Resize(InitialPanel(), 100, 300);
  EXPECT_EQ(placed.FilterComboBox1, (Rect{4, 275, 92, 21}));
  EXPECT_EQ(placed.DriveComboBox1.top, 252);
  EXPECT_EQ(placed.DirectoryListBox1.top, 168);
  EXPECT_EQ(placed.DirectoryListBox1.height, 80);
  EXPECT_EQ(placed.FileListBox1.height, 143);
  // 2 x 250 / 3 = 166.67 and 2 x 251 / 3 = 167.33 round to the nearer integer.
  EXPECT_EQ(Panel1Resize(InitialPanel(), 100, 298).DirectoryListBox1.top, 167);
  EXPECT_EQ(Panel1Resize(InitialPanel(), 100, 299).DirectoryListBox1.top, 167);
}

TEST(PanelResize, TheLogFillsTheRightPanel) {
  EXPECT_EQ(Panel2Resize({4, 100, 353, 197}, 369, 322), (Rect{4, 100, 361, 218}));
  EXPECT_EQ(Panel2Resize({4, 100, 353, 197}, 357, 300), (Rect{4, 100, 349, 196}));
}

TEST(BatchGuard, ASecondBatchIsRefusedUntilTheFirstHasEnded) {
  BatchGuard guard;
  EXPECT_TRUE(guard.Begin());
  EXPECT_FALSE(guard.Begin());
  EXPECT_TRUE(guard.Running());
  EXPECT_FALSE(guard.End());
  EXPECT_TRUE(guard.Begin());
}

TEST(BatchGuard, RereadsAndClosingWaitForTheEndOfTheBatch) {
  BatchGuard guard;
  EXPECT_TRUE(guard.RequestReread());
  EXPECT_TRUE(guard.RequestClose());
  EXPECT_FALSE(guard.CloseRequested()) << "closing outside a batch needs no stop";

  guard.Begin();
  EXPECT_FALSE(guard.RequestReread());
  EXPECT_FALSE(guard.CloseRequested());
  EXPECT_FALSE(guard.RequestClose());
  EXPECT_TRUE(guard.CloseRequested());
  EXPECT_TRUE(guard.End());
  EXPECT_TRUE(guard.RequestReread());
}

}  // namespace
}  // namespace vorsel
