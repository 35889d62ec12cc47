// Command routing: each folder registers its commands, the view dispatches.

#include <gtest/gtest.h>

#include "FakeHost.h"
#include "shell/CommandIds.h"
#include "shell/CommandRegistry.h"
#include "support/TempDevice.h"
#include "support/TestGuard.h"
#include "test_app_support.h"

namespace {

class CommandRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { app_test::EnsureApplication(); }

  TestGuard guard_;
  TempDevice device_;
  FakePageHost host_;
  CommandContext context_{host_, nullptr};
  CommandRegistry commands_;
};

TEST_F(CommandRegistryTest, DispatchRunsTheRegisteredHandlerAndRefusesUnknownIds) {
  int runs = 0;
  commands_.Register(command_ids::kHelp, [&runs](CommandContext&) { ++runs; });
  EXPECT_TRUE(commands_.Contains(command_ids::kHelp));
  EXPECT_TRUE(commands_.Dispatch(command_ids::kHelp, context_));
  EXPECT_EQ(runs, 1);
  EXPECT_FALSE(commands_.Dispatch(command_ids::kAbout, context_));

  // A second registration replaces the first.
  commands_.Register(command_ids::kHelp, [&runs](CommandContext&) { runs += 10; });
  commands_.Dispatch(command_ids::kHelp, context_);
  EXPECT_EQ(runs, 11);
  EXPECT_EQ(commands_.Ids(), std::vector<int>{command_ids::kHelp});
}

TEST_F(CommandRegistryTest, RecordCommandsRunOnlyWhileAPatientIsSelected) {
  QStringList patients;
  for (int id = command_ids::kAddMeds; id <= command_ids::kAddNote; ++id) {
    commands_.Register(
        id, [&patients](CommandContext& context) { patients << context.host.CurrentPatient(); });
  }
  commands_.Register(command_ids::kNewPatient, [&patients](CommandContext&) { patients << "new"; });

  for (int id = command_ids::kAddMeds; id <= command_ids::kAddNote; ++id) {
    EXPECT_FALSE(commands_.Dispatch(id, context_)) << id;
  }
  EXPECT_TRUE(commands_.Dispatch(command_ids::kNewPatient, context_));
  host_.Select("Doe, Jane");
  EXPECT_TRUE(commands_.Dispatch(command_ids::kAddVitals, context_));
  EXPECT_EQ(patients, (QStringList{"new", "Doe, Jane"}));
  EXPECT_FALSE(command_ids::NeedsPatient(command_ids::kNewPatient));
  EXPECT_FALSE(command_ids::NeedsPatient(command_ids::kReader));
}

}  // namespace
