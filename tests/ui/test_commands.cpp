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

  TestGuard m_guard;
  TempDevice m_device;
  FakePageHost m_host;
  CommandContext m_context{m_host, nullptr};
  CommandRegistry m_commands;
};

TEST_F(CommandRegistryTest, DispatchRunsTheRegisteredHandlerAndRefusesUnknownIds) {
  int runs = 0;
  m_commands.Register(command_ids::kHelp, [&runs](CommandContext&) { ++runs; });
  EXPECT_TRUE(m_commands.Contains(command_ids::kHelp));
  EXPECT_TRUE(m_commands.Dispatch(command_ids::kHelp, m_context));
  EXPECT_EQ(runs, 1);
  EXPECT_FALSE(m_commands.Dispatch(command_ids::kAbout, m_context));

  // A second registration replaces the first.
  m_commands.Register(command_ids::kHelp, [&runs](CommandContext&) { runs += 10; });
  m_commands.Dispatch(command_ids::kHelp, m_context);
  EXPECT_EQ(runs, 11);
  EXPECT_EQ(m_commands.Ids(), std::vector<int>{command_ids::kHelp});
}

TEST_F(CommandRegistryTest, RecordCommandsRunOnlyWhileAPatientIsSelected) {
  QStringList patients;
  for (int id = command_ids::kAddMeds; id <= command_ids::kAddNote; ++id) {
    m_commands.Register(
        id, [&patients](CommandContext& context) { patients << context.host.CurrentPatient(); });
  }
  m_commands.Register(command_ids::kNewPatient,
                      [&patients](CommandContext&) { patients << "new"; });

  for (int id = command_ids::kAddMeds; id <= command_ids::kAddNote; ++id) {
    EXPECT_FALSE(m_commands.Dispatch(id, m_context)) << id;
  }
  EXPECT_TRUE(m_commands.Dispatch(command_ids::kNewPatient, m_context));
  m_host.Select("Doe, Jane");
  EXPECT_TRUE(m_commands.Dispatch(command_ids::kAddVitals, m_context));
  EXPECT_EQ(patients, (QStringList{"new", "Doe, Jane"}));
  EXPECT_FALSE(command_ids::NeedsPatient(command_ids::kNewPatient));
  EXPECT_FALSE(command_ids::NeedsPatient(command_ids::kReader));
}

}  // namespace
