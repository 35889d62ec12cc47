// The synchronisation rule and the checkout list's sending loop, between two device folders.

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "beam/BeamCommands.h"
#include "beam/BeamTestSupport.h"
#include "common/CDBPatient.h"
#include "common/MessageService.h"
#include "platform/Registry.h"
#include "support/TestGuard.h"

using namespace beam_test;
using beam_commands::BeamOutcome;

namespace {

class BeamCommands : public ::testing::Test {
 protected:
  void OnSender(const std::function<void()>& f) { OnDevice(senderDir.path(), f); }
  void OnReceiver(const std::function<void()>& f) { OnDevice(receiverDir.path(), f); }

  void InstallCompanion() {
    OnSender([] {
      platform::RegistryKey key;
      ASSERT_TRUE(
          key.Create(platform::Hive::LocalMachine, "Software\\Apps\\Quillfen, Inc. Ovelin"));
      key.SetDword("DCVersion", 3);
    });
  }

  beam_commands::CheckoutResult Checkout(const std::vector<QString>& names,
                                         TransferResult& result) {
    beam_commands::CheckoutResult checkout;
    RunTransfer(
        pair, senderDir.path(), receiverDir.path(),
        [&](CBeamEngine& engine) {
          checkout = beam_commands::BeamCheckoutList(engine, names,
                                                     beam_commands::DesktopCompanionInstalled());
          return checkout.ok;
        },
        result);
    return checkout;
  }

  TestGuard m_guard;
  QTemporaryDir senderDir;
  QTemporaryDir receiverDir;
  MemoryPair pair;
};

bool HasPatient(const QString& name) {
  CDBPatient patient;
  return patient.FindByName(name);
}

TEST_F(BeamCommands, CompanionFlagFollowsTheRegistryValue) {
  OnSender([] { EXPECT_FALSE(beam_commands::DesktopCompanionInstalled()); });
  InstallCompanion();
  OnSender([] { EXPECT_TRUE(beam_commands::DesktopCompanionInstalled()); });
}

TEST_F(BeamCommands, UnsynchronisedRecordIsRefusedWithoutConnecting) {
  InstallCompanion();
  platform::RecordId patientId = 0;
  OnSender([&] {
    AddPatient("Ann", "Smith");
    CDBPatient patient;
    ASSERT_TRUE(patient.FindByName("Smith, Ann"));
    patientId = patient.recordId;
  });
  RecordingProgress progress;
  OnSender([&] {
    CBeamEngine engine(progress, pair.link, FastTiming());
    EXPECT_EQ(beam_commands::BeamSelectedRecord(engine, beam::kPatientRecord, patientId,
                                                beam_commands::DesktopCompanionInstalled()),
              BeamOutcome::kNotSynced);
    // A record that cannot be read: nothing happens, nothing is said.
    EXPECT_EQ(beam_commands::BeamSelectedRecord(engine, beam::kLabRecord, 12345, true),
              BeamOutcome::kNoRecord);
  });
  EXPECT_TRUE(progress.statuses.empty());  // no transfer was started
  const auto& shown = messages::DefaultRecorder().Messages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text,
            "You must synchronize this record with the desktop before you can beam it.");
  EXPECT_EQ(shown[0].caption, "Ovelin");
  EXPECT_EQ(shown[0].icon, messages::Icon::Stop);
  EXPECT_EQ(shown[0].buttons, messages::Buttons::Ok);
}

TEST_F(BeamCommands, SynchronisedRecordIsBeamedWithTheCompanionInstalled) {
  InstallCompanion();
  platform::RecordId labId = 0;
  OnSender([&] {
    AddPatient("Ann", "Smith");
    AddSyncedRecord("Smith, Ann", beam::kLabRecord, 88, 5);
    labId = FirstRecordId("Smith, Ann", beam::kLabRecord);
  });
  TransferResult result;
  RunTransfer(
      pair, senderDir.path(), receiverDir.path(),
      [&](CBeamEngine& engine) {
        return beam_commands::BeamSelectedRecord(engine, beam::kLabRecord, labId,
                                                 beam_commands::DesktopCompanionInstalled()) ==
               BeamOutcome::kSent;
      },
      result);
  EXPECT_TRUE(result.sent);
  EXPECT_TRUE(result.received);
  EXPECT_TRUE(messages::DefaultRecorder().Messages().empty());
  OnReceiver([] {
    CBeamRecord record;
    ASSERT_TRUE(record.FirstLab("Smith, Ann"));
    EXPECT_EQ(record.GetDesktopId(), 88);
  });
}

TEST_F(BeamCommands, CheckoutSkipsUnsynchronisedPatientsAfterOneWarning) {
  InstallCompanion();
  OnSender([] {
    AddPatient("Ann", "Smith", 1);
    AddPatient("Bo", "Lee");  // never synchronised
    AddPatient("Cy", "Ng", 3);
    AddPatient("Di", "Oz");  // never synchronised
    AddRecordsOfEveryKind("Ng, Cy", "c");
  });
  TransferResult result;
  const auto checkout =
      Checkout({"Smith, Ann", "Lee, Bo", "Missing, Mo", "Ng, Cy", "Oz, Di"}, result);

  EXPECT_EQ(messages::DefaultRecorder().Messages().size(), 1u);  // one warning for both
  EXPECT_EQ(messages::DefaultRecorder().Messages()[0].text,
            "Some patients are not being beamed because they have not yet been synchronized with "
            "the desktop.");
  EXPECT_EQ(messages::DefaultRecorder().Messages()[0].buttons, messages::Buttons::OkCancel);
  EXPECT_EQ(checkout.announced, 2u);
  EXPECT_EQ(checkout.sent, 2u);
  EXPECT_TRUE(result.sent);
  EXPECT_EQ(result.sender.overallTexts.back(), "\nSuccessfully sent 2 of 5 patients");
  EXPECT_EQ(result.sender.LastStatus(), "\nSuccess");
  EXPECT_TRUE(std::find(result.sender.overallTexts.begin(), result.sender.overallTexts.end(),
                        "\nSending Ng, Cy, 4 of 5 patients") != result.sender.overallTexts.end());
  // The receiver was told of the two that came, and ends at once with them.
  EXPECT_TRUE(result.received);
  EXPECT_EQ(result.receiver.overallTexts.back(), "\nSuccessfully received 2 of 2 patients");
  OnReceiver([] {
    EXPECT_TRUE(HasPatient("Smith, Ann"));
    EXPECT_FALSE(HasPatient("Lee, Bo"));
    EXPECT_TRUE(HasPatient("Ng, Cy"));
    EXPECT_EQ(TakeSnapshot("Ng, Cy").RecordCount(), 6u);
  });
}

TEST_F(BeamCommands, CancelAtTheWarningSendsOnlyThePatientsBeforeIt) {
  InstallCompanion();
  OnSender([] {
    AddPatient("Ann", "Smith", 1);
    AddPatient("Bo", "Lee");
    AddPatient("Cy", "Ng", 3);
  });
  messages::DefaultRecorder().SetNextAnswer(messages::Answer::Cancel);
  TransferResult result;
  const auto checkout = Checkout({"Smith, Ann", "Lee, Bo", "Ng, Cy"}, result);
  EXPECT_EQ(checkout.sent, 1u);
  EXPECT_TRUE(result.sent);
  EXPECT_EQ(result.sender.overallTexts.back(), "\nSuccessfully sent 1 of 3 patients");
  EXPECT_EQ(result.sender.LastStatus(), "\nSuccess");
  EXPECT_TRUE(result.received);
  OnReceiver([] {
    EXPECT_TRUE(HasPatient("Smith, Ann"));
    EXPECT_FALSE(HasPatient("Ng, Cy"));
  });
}

TEST_F(BeamCommands, CheckoutWithNothingToSendOpensNothing) {
  InstallCompanion();
  OnSender([] { AddPatient("Bo", "Lee"); });
  RecordingProgress progress;
  OnSender([&] {
    CBeamEngine engine(progress, pair.link, FastTiming());
    const auto checkout = beam_commands::BeamCheckoutList(
        engine, {"Lee, Bo", "Missing, Mo"}, beam_commands::DesktopCompanionInstalled());
    EXPECT_FALSE(checkout.connected);
    EXPECT_EQ(checkout.announced, 0u);
  });
  EXPECT_TRUE(progress.statuses.empty());
  EXPECT_EQ(messages::DefaultRecorder().Messages().size(), 1u);
}

}  // namespace
