// Whole transfers between two device folders, each side on its own thread, over the in-memory link
// and over TCP on loopback.

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "beam/BeamCommands.h"
#include "beam/BeamTestSupport.h"
#include "common/CDBCategories.h"
#include "common/CDBPatient.h"
#include "common/MemoryControls.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "platform/Clock.h"
#include "platform/PropertyDatabase.h"
#include "store/CDBMedsFavorites.h"
#include "support/TestGuard.h"

using namespace beam_test;

namespace {

const QString kAnn = QStringLiteral("Smith, Ann");

class BeamTransfer : public ::testing::TestWithParam<bool> {
 protected:
  void OnSender(const std::function<void()>& f) { OnDevice(senderDir.path(), f); }
  void OnReceiver(const std::function<void()>& f) { OnDevice(receiverDir.path(), f); }
  void Run(const std::function<bool(CBeamEngine&)>& send, TransferResult& result) {
    std::unique_ptr<TransportPair> pair = MakePair(GetParam());
    RunTransfer(*pair, senderDir.path(), receiverDir.path(), send, result);
  }

  TestGuard m_guard;
  QTemporaryDir senderDir;
  QTemporaryDir receiverDir;
};

bool BeamPatientNamed(CBeamEngine& engine, const QString& name) {
  CBeamRecord record;
  if (!record.FindPatient(name)) {
    return false;
  }
  CBeamEngine::Socket socket = engine.OpenBeam(beam::kPatientTransfer, 0, false);
  return socket && engine.BeamRecord(*socket, record);
}

TEST_P(BeamTransfer, PatientWithRecordsOfEveryKindArrivesWhole) {
  Snapshot sent;
  OnSender([&] {
    AddPatient("Ann", "Smith", 4711, 2);
    AddRecordsOfEveryKind(kAnn, "mine", 2);
    for (uint8_t kind : beam::kSectionOrder) {
      AddSyncedRecord(kAnn, kind, 900 + kind, 30);
    }
    // A patient whose name extends Ann's: its records sort among hers and must stay behind.
    AddPatient("Anne", "Smith");
    AddRecordsOfEveryKind(QStringLiteral("Smith, Anne"), "other", 1);
    sent = TakeSnapshot(kAnn);
  });
  ASSERT_EQ(sent.RecordCount(), 18u);

  TransferResult result;
  Run([](CBeamEngine& engine) { return BeamPatientNamed(engine, kAnn); }, result);

  EXPECT_TRUE(result.sent);
  EXPECT_TRUE(result.received);
  EXPECT_EQ(result.sender.LastStatus(), "\nPatient Smith, Ann sent successfully");
  EXPECT_EQ(result.receiver.LastStatus(), "\nPatient Smith, Ann received successfully");
  EXPECT_EQ(result.sender.doneWaits.load(), 1);
  EXPECT_EQ(result.receiver.doneWaits.load(), 1);
  EXPECT_TRUE(result.sender.Showed("\nSearching for receiver"));
  EXPECT_TRUE(result.sender.Showed("\nReceiver contacted"));
  EXPECT_TRUE(result.receiver.Showed("\nSearching for sender"));
  OnReceiver([&] {
    // Same members, desktop identifiers and access flags included.
    EXPECT_EQ(TakeSnapshot(kAnn), sent);
    CDBPatient other;
    EXPECT_FALSE(other.FindByName(QStringLiteral("Smith, Anne")));
  });
}

TEST_P(BeamTransfer, PatientWithoutRecordsIsReceived) {
  OnSender([] { AddPatient("Bo", "Lee"); });
  TransferResult result;
  Run([](CBeamEngine& engine) { return BeamPatientNamed(engine, QStringLiteral("Lee, Bo")); },
      result);
  EXPECT_TRUE(result.sent);
  EXPECT_TRUE(result.received);
  OnReceiver([] {
    CDBPatient patient;
    ASSERT_TRUE(patient.FindByName(QStringLiteral("Lee, Bo")));
    EXPECT_EQ(patient.mrNumber, "MR-Lee");
    EXPECT_EQ(TakeSnapshot(QStringLiteral("Lee, Bo")).RecordCount(), 0u);
  });
}

TEST_P(BeamTransfer, EachRecordKindTravelsWithItsPatient) {
  OnSender([] {
    AddPatient("Ann", "Smith");
    AddRecordsOfEveryKind(kAnn, "one", 2);
  });
  for (uint8_t kind : beam::kSectionOrder) {
    SCOPED_TRACE(kind);
    QTemporaryDir receiver;
    std::vector<uint8_t> expected;
    platform::RecordId id = 0;
    OnSender([&] {
      id = FirstRecordId(kAnn, kind);
      CBeamRecord record;
      ASSERT_TRUE(record.ReadById(kind, id));
      record.SerializeRecord(expected);
    });
    ASSERT_NE(id, 0u);

    TransferResult result;
    std::unique_ptr<TransportPair> pair = MakePair(GetParam());
    RunTransfer(
        *pair, senderDir.path(), receiver.path(),
        [&](CBeamEngine& engine) {
          return beam_commands::BeamSelectedRecord(engine, kind, id, false) ==
                 beam_commands::BeamOutcome::kSent;
        },
        result);

    EXPECT_TRUE(result.sent);
    EXPECT_TRUE(result.received);
    EXPECT_EQ(result.sender.LastStatus(), "\nRecord sent successfully");
    EXPECT_EQ(result.receiver.LastStatus(), "\nRecord received successfully");
    OnDevice(receiver.path(), [&] {
      const Snapshot snapshot = TakeSnapshot(kAnn);
      EXPECT_FALSE(snapshot.patient.empty());
      ASSERT_EQ(snapshot.RecordCount(), 1u);
      const auto& section = snapshot.sections[static_cast<size_t>(kind - beam::kLabRecord)];
      ASSERT_EQ(section.size(), 1u);
      EXPECT_EQ(section[0], expected);
    });
  }
}

TEST_P(BeamTransfer, CheckoutListSendsEveryPatient) {
  const std::vector<QString> names = {kAnn, QStringLiteral("Lee, Bo"), QStringLiteral("Ng, Cy")};
  std::vector<Snapshot> sent;
  OnSender([&] {
    AddPatient("Ann", "Smith");
    AddPatient("Bo", "Lee");
    AddPatient("Cy", "Ng");
    AddRecordsOfEveryKind(kAnn, "a", 2);
    AddRecordsOfEveryKind(QStringLiteral("Ng, Cy"), "c", 1);
    for (const QString& name : names) {
      sent.push_back(TakeSnapshot(name));
    }
  });

  TransferResult result;
  beam_commands::CheckoutResult checkout;
  Run(
      [&](CBeamEngine& engine) {
        checkout = beam_commands::BeamCheckoutList(engine, names, false);
        return checkout.ok;
      },
      result);

  EXPECT_TRUE(result.sent);
  EXPECT_TRUE(result.received);
  EXPECT_EQ(checkout.sent, 3u);
  EXPECT_EQ(result.sender.overallTexts.back(), "\nSuccessfully sent 3 of 3 patients");
  EXPECT_EQ(result.receiver.overallTexts.back(), "\nSuccessfully received 3 of 3 patients");
  EXPECT_EQ(result.sender.LastStatus(), "\nSuccess");
  EXPECT_EQ(result.receiver.LastStatus(), "\nSuccess");
  EXPECT_EQ(result.sender.overallTexts.front(), "\nSending 0 of 3 patients");
  OnReceiver([&] {
    for (size_t i = 0; i < names.size(); ++i) {
      EXPECT_EQ(TakeSnapshot(names[i]), sent[i]) << names[i].toStdString();
    }
  });
}

// The patient store does not tell names apart by letter case: a patient sent again under such a
// name joins the one filed before, and both sides count it as merged instead of as one more.
TEST_P(BeamTransfer, APatientWhoseNameDiffersOnlyInLetterCaseIsCountedAsMergedOnBothSides) {
  OnSender([] {
    AddPatient("Al", "Case");
    AddPatient("Bo", "Lee");
  });
  TransferResult result;
  Run(
      [](CBeamEngine& engine) {
        return beam_commands::BeamCheckoutList(engine, {"Case, Al", "Lee, Bo", "CASE, AL"}, false)
            .ok;
      },
      result);
  EXPECT_TRUE(result.sent);
  EXPECT_TRUE(result.received);
  EXPECT_EQ(result.sender.overallTexts.back(),
            "\nSent 3 of 3 patients, of whom the other handheld merged 1 into a patient whose "
            "name differs only in letter case");
  EXPECT_EQ(result.receiver.overallTexts.back(),
            "\nReceived 3 of 3 patients, of whom 1 merged into a patient received before whose "
            "name differs only in letter case");
  OnReceiver([] {
    memory_controls::List list;
    std::vector<QString> names;
    for (const CDBPatient::PatientRow& row : CDBPatient().PopulatePatientList(list, {})) {
      names.push_back(row.name);
    }
    EXPECT_EQ(names, (std::vector<QString>{"Case, Al", "Lee, Bo"}));
  });
}

TEST_P(BeamTransfer, CategoriesAndFavouritesArrive) {
  OnSender([] {
    CDBCategories categories;
    categories.text = QStringLiteral("Ward 7");
    ASSERT_TRUE(categories.AddNew(CDBCategories::kRoomList));
    CDBMedsFavorites favourites;
    favourites.drug = QStringLiteral("Aspirin");
    favourites.dose = QStringLiteral("81 mg");
    favourites.route = QStringLiteral("PO");
    favourites.frequency = QStringLiteral("QD");
    ASSERT_TRUE(favourites.AddNew());
    favourites.drug = QStringLiteral("Heparin");
    favourites.dose = QStringLiteral("5000 u");
    favourites.route = QStringLiteral("SC");
    favourites.frequency = QStringLiteral("BID");
    ASSERT_TRUE(favourites.AddNew());
  });
  uint32_t sentCategories = 0;
  OnSender([&] { sentCategories = CDBCategories().GetRecordCount(); });

  TransferResult result;
  Run([](CBeamEngine& engine) { return engine.BeamCategories(); }, result);

  EXPECT_TRUE(result.sent);
  EXPECT_TRUE(result.received);
  EXPECT_EQ(result.sender.LastStatus(), "\nCategory send complete");
  EXPECT_EQ(result.receiver.LastStatus(), "\nCategory receive complete");
  OnReceiver([&] {
    CDBCategories categories;
    EXPECT_TRUE(categories.GetListItems(CDBCategories::kRoomList).contains("Ward 7"));
    // The factory entries that both devices have are not doubled.
    EXPECT_EQ(categories.GetRecordCount(), sentCategories);
    CDBMedsFavorites favourites;
    ASSERT_EQ(favourites.RecordCount(), 2u);
    ASSERT_TRUE(favourites.First());
    EXPECT_EQ(favourites.FormatFavorite(), "Aspirin 81 mg PO QD");
    ASSERT_TRUE(favourites.Next());
    EXPECT_EQ(favourites.FormatFavorite(), "Heparin 5000 u SC BID");
    favourites.CloseWalk();
  });
}

TEST_P(BeamTransfer, EmptyCategoryStoresStillCompleteOnBothSides) {
  OnSender([] {
    CDBCategories categories;
    categories.GetRecordCount();  // creates the store with its factory entries
    platform::PropertyDatabase db;
    ASSERT_TRUE(db.Open(QString::fromLatin1(CDBCategories::kVolumeName)));
    for (platform::RecordId id = db.SeekFirst(); id != 0; id = db.SeekFirst()) {
      db.Delete(id);
    }
    EXPECT_EQ(categories.GetRecordCount(), 0u);
  });
  TransferResult result;
  Run([](CBeamEngine& engine) { return engine.BeamCategories(); }, result);
  EXPECT_TRUE(result.sent);
  EXPECT_TRUE(result.received);
  EXPECT_EQ(result.receiver.LastStatus(), "\nCategory receive complete");
}

INSTANTIATE_TEST_SUITE_P(Transports, BeamTransfer, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& param) {
                           return param.param ? "Tcp" : "Memory";
                         });

}  // namespace
