#include "frontend/batch.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/frontend/batch_fixture.h"

namespace vorsel {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using namespace std::string_view_literals;

constexpr std::string_view kSmpHead = "file=samp\r\nsftot=16000\r\n=\r\n\x1a"sv;
constexpr std::string_view kRiff = "RIFF\x24\0\0\0WAVEfmt "sv;
constexpr std::string_view kAifc =
    "FORM\0\0\0\x20"
    "AIFCFVER"sv;

class ExportBatch : public test::BatchFixture, public ::testing::Test {};
class ImportBatch : public test::BatchFixture, public ::testing::Test {};
class BusyIndication : public test::BatchFixture, public ::testing::Test {};

TEST_F(ExportBatch, AnEmptyListGetsOneLineAndNothingElse) {
  Batch().RunExportBatch(ExportTarget(&test::TestExport));
  EXPECT_THAT(log.lines, ElementsAre("You must select some files to convert!"));
  EXPECT_THAT(test::ConverterCalls(), IsEmpty());
  EXPECT_EQ(link.announcements, 0);
}

TEST_F(ExportBatch, EntriesWithoutSelectionGiveTheHeaderAndDone) {
  AddEntry("a.smp", kSmpHead, false);
  Batch().RunExportBatch(ExportTarget(&test::TestExport));
  EXPECT_THAT(log.lines, ElementsAre("TEST: header", "Done"));
  EXPECT_THAT(test::ConverterCalls(), IsEmpty());
  EXPECT_EQ(link.announcements, 1);
}

TEST_F(ExportBatch, ConvertsTheSelectedEntriesInListOrder) {
  const std::string a = AddEntry("a.smp", kSmpHead);
  AddEntry("b.smp", kSmpHead, false);
  const std::string c = AddEntry("c.smp", kSmpHead);
  Batch().RunExportBatch(ExportTarget(&test::TestExport));

  EXPECT_THAT(log.lines, ElementsAre("TEST: header", "a.smp -> a.out", "c.smp -> c.out", "Done"));
  ASSERT_EQ(test::ConverterCalls().size(), 2u);
  EXPECT_EQ(test::ConverterCalls()[0].inputPath, a);
  EXPECT_EQ(test::ConverterCalls()[0].outputPath, dir / "a.out");
  EXPECT_EQ(test::ConverterCalls()[1].inputPath, c);
  EXPECT_EQ(test::ReadFile(dir / "c.out"), "export of " + std::string(kSmpHead));
  // The last path stays shown; its description goes with the end of the batch.
  EXPECT_EQ(view.filenamelabel, c);
  EXPECT_EQ(view.infolabel, "");
}

TEST_F(ExportBatch, EntriesRelativeToTheDirectoryOrAbsoluteBothResolve) {
  AddEntry("a.smp", kSmpHead);
  view.entries[0].name = "./sub/../a.smp";
  const std::string absolute = dir / "abs.smp";
  test::WriteFile(absolute, kSmpHead);
  view.entries.push_back({absolute, true});
  Batch().RunExportBatch(ExportTarget(&test::TestExport));
  ASSERT_EQ(test::ConverterCalls().size(), 2u);
  EXPECT_EQ(test::ConverterCalls()[0].inputPath, dir / "a.smp");
  EXPECT_EQ(test::ConverterCalls()[1].inputPath, absolute);
}

TEST_F(ExportBatch, AnExistingOutputIsReplacedOnlyWhenTheUserSaysYes) {
  AddEntry("a.smp", kSmpHead);
  AddEntry("b.smp", kSmpHead);
  test::WriteFile(dir / "a.out", "keep");
  test::WriteFile(dir / "b.out", "replace");
  boxes.answers = {idNo, idYes};
  Batch().RunExportBatch(ExportTarget(&test::TestExport));

  ASSERT_EQ(boxes.shown.size(), 2u);
  EXPECT_EQ(boxes.shown[0].text, dir / "a.out" + " exists!\rOverwrite?");
  EXPECT_EQ(boxes.shown[0].caption, "Confirm overwrite");
  EXPECT_EQ(boxes.shown[0].flags, mbYesNo | mbIconQuestion);
  // A declined entry leaves no line.
  EXPECT_THAT(log.lines, ElementsAre("TEST: header", "b.smp -> b.out", "Done"));
  EXPECT_EQ(test::ReadFile(dir / "a.out"), "keep");
  EXPECT_NE(test::ReadFile(dir / "b.out"), "replace");
}

TEST_F(ExportBatch, OverWriteReplacesWithoutAQuestion) {
  AddEntry("a.smp", kSmpHead);
  test::WriteFile(dir / "a.out", "old");
  settings.Common.OverWrite = true;
  Batch().RunExportBatch(ExportTarget(&test::TestExport));
  EXPECT_THAT(boxes.shown, IsEmpty());
  EXPECT_EQ(test::ConverterCalls().size(), 1u);
}

TEST_F(ExportBatch, NamingByDialogNeverAsksTheBatchsOwnQuestion) {
  AddEntry("a.smp", kSmpHead);
  test::WriteFile(dir / "chosen.out", "old");
  settings.Common.Naming = 3;
  saveDialog.answers = {dir / "chosen.out"};
  Batch().RunExportBatch(ExportTarget(&test::TestExport));
  EXPECT_THAT(boxes.shown, IsEmpty());
  EXPECT_THAT(log.lines, ElementsAre("TEST: header", "a.smp -> chosen.out", "Done"));
}

TEST_F(ExportBatch, ACancelledDialogIsLoggedByTheBatchOrByTheConverter) {
  const std::string a = AddEntry("a.smp", kSmpHead);
  settings.Common.Naming = 3;
  Batch().RunExportBatch(ExportTarget(&test::TestExport, /*batchLogsCancel=*/true));
  EXPECT_THAT(log.lines, ElementsAre("TEST: header", "a.smp, CANCELED!", "Done"));
  EXPECT_THAT(test::ConverterCalls(), IsEmpty());

  log.lines.clear();
  Batch().RunExportBatch(ExportTarget(&test::TestExport, /*batchLogsCancel=*/false));
  EXPECT_THAT(log.lines, ElementsAre("TEST: header", a + " - cancelled by user", "Done"));
  ASSERT_EQ(test::ConverterCalls().size(), 1u);
  EXPECT_EQ(test::ConverterCalls()[0].outputPath, "");
}

TEST_F(ExportBatch, AnUnknownNamingModeStopsTheBatchBeforeAnyConversion) {
  AddEntry("a.smp", kSmpHead);
  settings.Common.Naming = 4;
  Batch().RunExportBatch(ExportTarget(&test::TestExport));
  EXPECT_THAT(log.lines, ElementsAre("Unknown naming mode 4 (Common.Naming must be 0 to 3); "
                                     "nothing converted"));
  EXPECT_THAT(test::ConverterCalls(), IsEmpty());
}

TEST_F(ExportBatch, AnAppendStringWithASlashCannotLeadOutOfTheFolder) {
  AddEntry("a.smp", kSmpHead);
  settings.Common.Naming = 1;
  settings.Common.AppendString = "../";
  Batch().RunExportBatch(ExportTarget(&test::TestExport));
  EXPECT_THAT(log.lines, ElementsAre("The append string \"../\" must not contain \"/\"; "
                                     "nothing converted"));
  EXPECT_THAT(test::ConverterCalls(), IsEmpty());
}

TEST_F(ExportBatch, AnOutputThatIsTheInputIsRefusedAndTheBatchGoesOn) {
  const std::string a = AddEntry("a.smp", kSmpHead);
  AddEntry("b.dat", kSmpHead);
  ConversionTarget target = ExportTarget(&test::TestExport);
  target.OutputExtension = [](const ConversionSettings&) { return std::string(".smp"); };
  settings.Common.OverWrite = true;
  Batch().RunExportBatch(target);
  EXPECT_THAT(log.lines, ElementsAre("TEST: header",
                                     a + " - not converted, the output would overwrite the input",
                                     "b.dat -> b.smp", "Done"));
  EXPECT_EQ(test::ReadFile(a), kSmpHead);
}

TEST_F(ExportBatch, AConverterErrorEndsTheBatchAndReachesTheErrorLog) {
  const std::string a = AddEntry("a.smp", kSmpHead);
  AddEntry("b.smp", kSmpHead);
  Batch().RunExportBatch(ExportTarget(&test::ThrowingConverter));
  EXPECT_THAT(log.lines, ElementsAre("TEST: header"));
  EXPECT_EQ(test::ConverterCalls().size(), 1u);
  ASSERT_EQ(errors.messages.size(), 1u);
  EXPECT_THAT(errors.messages[0], ::testing::HasSubstr("Cannot write " + a));
  // No new-file notice, but the busy indication does not outlive the batch.
  EXPECT_EQ(link.announcements, 0);
  EXPECT_FALSE(link.heavyLoad);
  EXPECT_FALSE(view.image1);
  EXPECT_FALSE(view.image2);
  EXPECT_EQ(batch->BusyPhase(), 0);
}

TEST_F(ExportBatch, AStopRequestEndsTheBatchAfterTheFileBeingConverted) {
  AddEntry("a.smp", kSmpHead);
  AddEntry("b.smp", kSmpHead);
  AddEntry("c.smp", kSmpHead);
  view.stopRequested = [] { return !test::ConverterCalls().empty(); };
  Batch().RunExportBatch(ExportTarget(&test::TestExport));

  EXPECT_THAT(log.lines,
              ElementsAre("TEST: header", "a.smp -> a.out",
                          "Stopped: 2 files were not converted, starting with b.smp", "Done"));
  EXPECT_EQ(test::ReadFile(dir / "a.out"), "export of " + std::string(kSmpHead));
  EXPECT_FALSE(std::filesystem::exists(dir / "b.out"));
  EXPECT_FALSE(view.image1 || view.image2);
}

// What the converter of the next test finds in the info label while it runs.
const test::TestView* viewWhileConverting = nullptr;
std::string infoWhileConverting;
int descriptions = 0;
std::string CountingDescription(const std::string& path, const ConversionSettings&) {
  return "description " + std::to_string(++descriptions) + " of " + path;
}
void RecordInfoLabel(ConversionContext& context, const ConversionSettings& settings,
                     const std::string& inputPath, const std::string& outputPath) {
  infoWhileConverting = viewWhileConverting->infolabel;
  test::TestExport(context, settings, inputPath, outputPath);
}

TEST_F(ExportBatch, TheFileIsDescribedAgainOnceTheOverwriteQuestionIsAnswered) {
  // The question may stay open for long, and the file may change meanwhile.
  const std::string a = AddEntry("a.smp", kSmpHead);
  test::WriteFile(dir / "a.out", "old");
  boxes.answers = {idYes};
  descriptions = 0;
  describe = &CountingDescription;
  viewWhileConverting = &view;
  Batch().RunExportBatch(ExportTarget(&RecordInfoLabel));
  viewWhileConverting = nullptr;
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(infoWhileConverting, "description 2 of " + a);
}

TEST_F(ExportBatch, RunPicksTheBatchByDirection) {
  AddEntry("a.wav", kRiff);
  ConversionTarget importTarget = ExportTarget(nullptr);
  importTarget.direction = Direction::Import;
  Batch().Run(importTarget);
  EXPECT_THAT(log.lines, ElementsAre("a.wav -> a.smp", "Done"));
}

TEST_F(ImportBatch, AnEmptyListGetsOneLineAndNothingElse) {
  Batch().RunImportBatch();
  EXPECT_THAT(log.lines, ElementsAre("You must select some files to convert!"));
}

TEST_F(ImportBatch, EntriesWithoutSelectionGiveOnlyDone) {
  AddEntry("a.wav", kRiff, false);
  Batch().RunImportBatch();
  EXPECT_THAT(log.lines, ElementsAre("Done"));
}

TEST_F(ImportBatch, DispatchesEachFileByItsType) {
  AddEntry("a.wav", kRiff);
  AddEntry("b.aifc", kAifc);
  AddEntry("c.dat", kSmpHead);
  AddEntry("d.raw", "\x01\x02\x03\x04\x05"sv);
  AddEntry("e.txt", "0.5\n-0.25\n");
  AddEntry("f.nsp", "FORMDS16"sv);
  Batch().RunImportBatch();

  EXPECT_THAT(log.lines,
              ElementsAre("a.wav -> a.smp", "b.aifc -> b.smp", "Assuming:16-bit Signed, Intel",
                          "d.raw -> d.smp", "e.txt -> e.smp", "Done"));
  ASSERT_EQ(test::ConverterCalls().size(), 4u);
  EXPECT_EQ(test::ConverterCalls()[0].converter, "importA");
  EXPECT_EQ(test::ConverterCalls()[1].converter, "importB");  // AIFC goes to the AIFF importer
  EXPECT_EQ(test::ConverterCalls()[2].converter, "importA");
  EXPECT_EQ(test::ConverterCalls()[3].converter, "importB");
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "Only .au, .wav, .aif, .nsp and .raw files can be imported!");
  EXPECT_EQ(boxes.shown[0].caption, "Cannot IMPORT smp");
  EXPECT_EQ(boxes.shown[0].flags, mbOk | mbIconExclamation);
}

TEST_F(ImportBatch, TheAssumptionLineNamesTheRawSettings) {
  AddEntry("d.raw", "\x01\x02\x03\x04\x05"sv);
  settings.ImportRAW.StripBytes = 512;
  settings.ImportRAW.Encoding = 2;
  settings.ImportRAW.Signed = false;
  settings.ImportRAW.ByteOrder = 1;
  Batch().RunImportBatch();
  EXPECT_EQ(log.lines.at(0), "Assuming:512 hdbytes 8-bit Unsigned, Motorola");
}

TEST_F(ImportBatch, TheExtensionDecidesWhenAskedTo) {
  AddEntry("noise.AIF", kRiff);
  settings.Common.UseExtensionAsId = true;
  Batch().RunImportBatch();
  ASSERT_EQ(test::ConverterCalls().size(), 1u);
  EXPECT_EQ(test::ConverterCalls()[0].converter, "importB");
}

TEST_F(ImportBatch, AStopRequestBeforeTheLastFileNamesIt) {
  AddEntry("a.wav", kRiff);
  AddEntry("b.wav", kRiff);
  view.stopRequested = [] { return !test::ConverterCalls().empty(); };
  Batch().RunImportBatch();

  ASSERT_EQ(test::ConverterCalls().size(), 1u);
  EXPECT_EQ(log.lines.at(log.lines.size() - 2),
            "Stopped: 1 file was not converted, starting with b.wav");
}

TEST_F(ImportBatch, AnSMPFileIsRefusedAndTheNextEntryStillConverted) {
  AddEntry("c.dat", kSmpHead);
  AddEntry("z.wav", kRiff);
  Batch().RunImportBatch();
  EXPECT_EQ(boxes.shown.size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(dir / "c.smp"));
  EXPECT_THAT(log.lines, ElementsAre("z.wav -> z.smp", "Done"));
}

TEST_F(ImportBatch, TheOverwriteQuestionComesBeforeTheTypeIsKnown) {
  AddEntry("a.wav", kRiff);
  test::WriteFile(dir / "a.smp", "old");
  Batch().RunImportBatch();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].caption, "Confirm overwrite");
  EXPECT_THAT(log.lines, ElementsAre("Done"));
  EXPECT_EQ(test::ReadFile(dir / "a.smp"), "old");
}

TEST_F(ImportBatch, AFileNamedLikeItsOutputIsNotOverwritten) {
  // A WAV file called .smp would be converted onto itself with the same-name rule.
  const std::string x = AddEntry("x.smp", kRiff);
  AddEntry("y.wav", kRiff);
  settings.Common.OverWrite = true;
  Batch().RunImportBatch();
  EXPECT_THAT(log.lines, ElementsAre(x + " - not converted, the output would overwrite the input",
                                     "y.wav -> y.smp", "Done"));
  EXPECT_EQ(test::ReadFile(x), kRiff);
}

TEST_F(ImportBatch, AnUnreadableInputEndsTheBatchThroughTheErrorLog) {
  AddEntry("a.wav", kRiff);
  view.entries.push_back({"gone.wav", true});
  AddEntry("z.wav", kRiff);
  Batch().RunImportBatch();
  EXPECT_THAT(log.lines, ElementsAre("a.wav -> a.smp"));
  ASSERT_EQ(errors.messages.size(), 1u);
  EXPECT_THAT(errors.messages[0], ::testing::HasSubstr("gone.wav"));
}

TEST_F(ImportBatch, ACancelledDialogReachesTheImporter) {
  const std::string a = AddEntry("a.wav", kRiff);
  settings.Common.Naming = 3;
  Batch().RunImportBatch();
  EXPECT_THAT(log.lines, ElementsAre(a + " - cancelled by user", "Done"));
  ASSERT_EQ(saveDialog.requests.size(), 1u);
  EXPECT_EQ(saveDialog.requests[0].DefaultExt, ".smp");
}

TEST_F(BusyIndication, TicksAlternateTheIconsAndKeepTheViewAlive) {
  ConversionBatch& b = Batch();
  std::vector<std::pair<bool, bool>> shown;
  for (int i = 0; i < 6; ++i) {
    b.BusyTick();
    shown.emplace_back(view.image1, view.image2);
  }
  using P = std::pair<bool, bool>;
  EXPECT_THAT(shown, ElementsAre(P{false, true}, P{true, false}, P{true, false}, P{false, true},
                                 P{true, false}, P{true, false}));
  EXPECT_EQ(view.repaints, 6);
  EXPECT_EQ(view.messageRounds, 6);
  EXPECT_TRUE(link.heavyLoad);
}

TEST_F(BusyIndication, TicksArePacedTo300Milliseconds) {
  clockStep = 100;
  ConversionBatch& b = Batch();
  for (int i = 0; i < 5; ++i) {
    b.BusyTick();  // at 1100 (fires), 1200, 1300, 1400 (exactly 300: not yet), 1500 (fires)
  }
  EXPECT_EQ(view.repaints, 2);
  EXPECT_EQ(b.BusyPhase(), 2);
  EXPECT_EQ(view.messageRounds, 2);
}

TEST_F(BusyIndication, ConvertersTickThroughTheirContext) {
  AddEntry("a.wav", kRiff);
  Batch().RunImportBatch();
  // One tick per entry from the batch, one from the converter.
  EXPECT_EQ(view.repaints, 2);
}

TEST_F(BusyIndication, EndBatchRestoresTheRestingState) {
  ConversionBatch& b = Batch();
  b.BusyTick();
  view.filenamelabel = "/snd/a.wav";
  view.infolabel = "WAV 44 bytes";
  b.EndBatch();
  EXPECT_FALSE(view.image1);
  EXPECT_FALSE(view.image2);
  EXPECT_EQ(b.BusyPhase(), 0);
  EXPECT_EQ(view.infolabel, "");
  EXPECT_EQ(view.filenamelabel, "/snd/a.wav");
  EXPECT_FALSE(link.heavyLoad);
  EXPECT_EQ(link.announcements, 1);
}

TEST_F(BusyIndication, FileInfoShowsThePathAndTheDescription) {
  const std::string a = AddEntry("a.wav", kRiff);
  ConversionBatch& b = Batch();
  b.ShowFileInfo(a);
  EXPECT_EQ(view.filenamelabel, a);
  EXPECT_EQ(view.infolabel, "");  // no description maker

  b.ShowFileInfo(dir / "missing.wav");
  EXPECT_EQ(view.filenamelabel, "");
  EXPECT_EQ(view.infolabel, "");

  ConversionBatch described(
      BatchParts{.settings = settings,
                 .context = context,
                 .view = view,
                 .fileDialogs = saveDialog,
                 .pacer = pacer,
                 .link = link,
                 .errors = errors,
                 .describe = [](const std::string& path, const ConversionSettings&) {
                   return "described " + path;
                 }});
  described.ShowFileInfo(a);
  EXPECT_EQ(view.infolabel, "described " + a);
  described.ShowFileInfo("");
  EXPECT_EQ(view.filenamelabel, "");
  EXPECT_EQ(view.infolabel, "");
}

TEST(TickDue, ComparesAgainstOneSharedTimestamp) {
  uint32_t now = 0;
  TickPacer pacer([&now] { return now; });
  now = 300;
  EXPECT_FALSE(pacer.TickDue(300));
  now = 301;
  EXPECT_TRUE(pacer.TickDue(300));
  now = 400;
  EXPECT_FALSE(pacer.TickDue(300));
  // Another caller with a shorter period shares the timestamp.
  EXPECT_FALSE(pacer.TickDue(100));
  now = 402;
  EXPECT_TRUE(pacer.TickDue(100));
  EXPECT_FALSE(pacer.TickDue(300));
}

TEST(TickDue, KeepsPacingAcrossTheWrapOfTheTickCount) {
  uint32_t now = 0xFFFFFF00u;
  TickPacer pacer([&now] { return now; });
  EXPECT_TRUE(pacer.TickDue(300));
  now = 0x10;  // 272 ms later, after the wrap
  EXPECT_FALSE(pacer.TickDue(300));
  now = 0x40;  // 320 ms later
  EXPECT_TRUE(pacer.TickDue(300));
}

}  // namespace
}  // namespace vorsel
