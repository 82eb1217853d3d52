#include "frontend/window_components.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <stdexcept>

#include "kit/sini.h"
#include "tests/frontend/batch_fixture.h"
#include "tests/platform/store_environment.h"
#include "tests/support/fake_message_boxes.h"

namespace vorsel {
namespace {

using ::testing::ElementsAre;

class RecordingComponent : public WindowComponent {
 public:
  RecordingComponent(std::vector<std::string>& steps, std::string name, bool throws = false)
      : steps_(steps), name_(std::move(name)), throws_(throws) {}
  void Loaded() override {
    steps_.push_back(name_ + " loaded");
    if (throws_) {
      throw std::runtime_error(name_ + " cannot load");
    }
  }
  void Destroying() override { steps_.push_back(name_ + " destroyed"); }

 private:
  std::vector<std::string>& steps_;
  std::string name_;
  bool throws_;
};

TEST(WindowComponents, LoadInOrderAndAnErrorNeitherAbortsNorStopsTheRest) {
  std::vector<std::string> steps;
  RecordingComponent link(steps, "Link1");
  RecordingComponent recent(steps, "RecentFiles1", true);
  RecordingComponent help(steps, "HelpMenu1");
  const std::array<WindowComponent*, 3> components = {&link, &recent, &help};
  test::RecordingErrors errors;

  LoadComponents(components, errors);
  DestroyComponents(components, errors);
  EXPECT_THAT(steps,
              ElementsAre("Link1 loaded", "RecentFiles1 loaded", "HelpMenu1 loaded",
                          "Link1 destroyed", "RecentFiles1 destroyed", "HelpMenu1 destroyed"));
  EXPECT_THAT(errors.messages, ElementsAre("RecentFiles1 cannot load"));
}

TEST(WindowComponents, TheErrorLogShowsTheErrorUnderTheProgramsTitle) {
  test::StoreEnvironment env;
  test::FakeMessageBoxes boxes;
  int sender = 0;
  void* seen = nullptr;
  ErrorLogComponent ErrorLog1(boxes, &sender);
  ErrorLog1.Log().SetApplicationTitle("Vorsel");
  TDravelIni().WriteBool("ErrorLog", "LogErrors", true);
  ErrorLog1.Log().SetSendLogFileRequest(false);
  ErrorLog1.Log().SetOnException([&seen](void* from, const std::exception&) { seen = from; });
  ErrorLog1.HandleException(std::runtime_error("Cannot create /x/a.smp"));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "Cannot create /x/a.smp.");
  EXPECT_EQ(boxes.shown[0].caption, "Vorsel");
  EXPECT_EQ(boxes.shown[0].flags, unsigned{mbOk | mbIconError});
  EXPECT_EQ(seen, &sender);
}

}  // namespace
}  // namespace vorsel
