#include "frontend/targets.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "frontend/format_probes.h"
#include "probing/filetype.h"

namespace vorsel {
namespace {

TEST(ConversionTargets, ListTheSixButtonsInOrder) {
  std::vector<std::string> rows;
  ConversionSettings settings;
  for (const ConversionTarget& target : ConversionTargets()) {
    rows.push_back(std::string(target.Name) + " " + std::string(target.Caption) + " " +
                   target.OutputExtension(settings) + " " + std::string(target.CliAction));
    EXPECT_EQ(target.direction == Direction::Import, target.Name == "smpbutton");
    EXPECT_EQ(target.HeaderLine == nullptr, target.direction == Direction::Import);
    EXPECT_EQ(target.BatchLogsCancel, target.Name == "wavbutton");
  }
  EXPECT_THAT(rows,
              ::testing::ElementsAre("smpbutton SMP ! .smp to-smp", "wavbutton WAV ! .wav to-wav",
                                     "aubutton AU ! .au to-au", "aifbutton AIFF ! .aif to-aiff",
                                     "nspbutton NSP ! .nsp to-nsp", "rawbutton RAW ! .raw to-raw"));
}

TEST(ConversionTargets, TheRawExtensionFollowsTheSettings) {
  ConversionSettings settings;
  settings.ExportRAW.Extension = ".pcm";
  EXPECT_EQ(FindTargetByName("rawbutton")->OutputExtension(settings), ".pcm");
  EXPECT_EQ(FindTargetByCliAction("to-raw"), FindTargetByName("rawbutton"));
  EXPECT_EQ(FindTargetByCliAction("describe"), nullptr);
}

TEST(ImportRoutes, EveryDetectedTypeHasOneRoute) {
  for (int32_t type = ftRAW; type <= ftTXT; ++type) {
    int routes = 0;
    for (const ImportRoute& route : ImportRoutes()) {
      routes += (route.FileTypes & FileTypeBit(type)) != 0 ? 1 : 0;
    }
    EXPECT_EQ(routes, 1) << FileTypeCodeName(type, ForeignFormatProbes());
  }
  EXPECT_EQ(FindImportRoute(ImportRoutes(), ftAIFC), FindImportRoute(ImportRoutes(), ftAIFF));
  EXPECT_EQ(FindImportRoute(ImportRoutes(), ftSMP)->Step, ImportStep::RefuseSMP);
  EXPECT_TRUE(FindImportRoute(ImportRoutes(), ftRAW)->AssumptionLine);
  EXPECT_FALSE(FindImportRoute(ImportRoutes(), ftWAV)->AssumptionLine);
  EXPECT_EQ(FindImportRoute(ImportRoutes(), 8), nullptr);
  EXPECT_EQ(FindImportRoute(ImportRoutes(), -1), nullptr);
  EXPECT_EQ(FindImportRoute(ImportRoutes(), 40), nullptr);
}

}  // namespace
}  // namespace vorsel
