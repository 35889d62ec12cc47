// Transfers that break: bad bytes from a peer, a cut or silent connection, cancels. The clock is
// fixed while the transfer runs, so that no wait ends by itself, and made to step on every read
// once the test wants the 5000 ms no-progress rule to fire.

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <thread>

#include "beam/BeamCommands.h"
#include "beam/BeamTestSupport.h"
#include "common/ByteStream.h"
#include "common/CDBPatient.h"
#include "platform/Clock.h"
#include "store/Backup.h"
#include "store/CDBLabValues.h"
#include "support/TestGuard.h"

using namespace beam_test;
using Direction = platform::MemoryBeamTransport::Direction;

namespace {

const QString kAnn = QStringLiteral("Smith, Ann");
const std::vector<uint8_t> kAck = {1, 0, 0, 0};
const std::vector<uint8_t> kRefusedAck = {0, 0, 0, 0};

class BeamFailures : public ::testing::Test {
 protected:
  void SetUp() override { clock_source::Fix(filetime::FromTicks(130'000'000'000'000'000ull)); }
  void OnSender(const std::function<void()>& f) { OnDevice(senderDir.path(), f); }
  void OnReceiver(const std::function<void()>& f) { OnDevice(receiverDir.path(), f); }

  // The receiving engine on its own thread; the test plays the sender with raw bytes.
  void StartReceiver() {
    receiverThread = std::make_unique<DeviceThread>(receiverDir.path(), [this] {
      CBeamEngine engine(receiver, pair.link, FastTiming());
      received = engine.ReceiveBeam();
    });
  }
  // Waits for the receiver to end; should it still wait for bytes, the link is cut and the clock
  // let run so that it ends all the same, and false is answered.
  bool ReceiverEndsByItself() {
    const bool ended = WaitUntil([this] { return receiver.Done(); });
    if (!ended) {
      pair.link.Cut();
      clock_source::SetStepPerRead(100);
    }
    receiverThread->Join();
    return ended;
  }

  TestGuard m_guard;
  QTemporaryDir senderDir;
  QTemporaryDir receiverDir;
  MemoryPair pair;
  RecordingProgress receiver;
  std::unique_ptr<DeviceThread> receiverThread;
  bool received = false;
};

std::vector<uint8_t> Join(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> bytes;
  for (const auto& part : parts) {
    bytes.insert(bytes.end(), part.begin(), part.end());
  }
  return bytes;
}

std::vector<uint8_t> SerializedLab(const QString& group) {
  CDBLabValues lab;
  lab.group = group;
  lab.values = QStringLiteral("Na\n140\n");
  lab.date = lab.time = lab.timeStamp = filetime::FromTicks(130'000'000'000'000'000ull);
  std::vector<uint8_t> bytes;
  lab.Serialize(bytes);
  return bytes;
}

// The six sections after the first, each empty.
std::vector<uint8_t> EmptySections(int count) {
  std::vector<uint8_t> bytes;
  for (int i = 0; i < count; ++i) {
    bytes = Join({bytes, U32(0), {0}});
  }
  return bytes;
}

uint32_t LabCount(const QString& patient) {
  CBeamRecord record;
  return record.CountLabs(patient);
}

TEST_F(BeamFailures, UnknownTransferKindIsReportedAndClosesTheConnection) {
  StartReceiver();
  std::unique_ptr<platform::IBeamSocket> socket = ConnectRaw(pair.link);
  ASSERT_TRUE(socket);
  ASSERT_TRUE(WriteRaw(*socket, {9}));
  ASSERT_TRUE(ReceiverEndsByItself());
  EXPECT_FALSE(received);
  EXPECT_EQ(receiver.LastStatus(), "\nThe other handheld sent a transfer of an unknown kind (9)");
  EXPECT_TRUE(receiver.LastStatusIsError());
  EXPECT_EQ(receiver.doneWaits.load(), 1);
  std::vector<uint8_t> rest;
  EXPECT_FALSE(ReadRaw(*socket, 1, rest));  // closed by the receiver
}

// A record that cannot be decoded or filed is acknowledged with 0, the transfer goes on with the
// next, and the receiver ends in failure with counts of what it stored.
TEST_F(BeamFailures, RecordsThatCannotBeFiledAreRefusedAndCountedAsNotReceived) {
  StartReceiver();
  std::unique_ptr<platform::IBeamSocket> socket = ConnectRaw(pair.link);
  ASSERT_TRUE(socket);
  std::vector<uint8_t> ack;
  ASSERT_TRUE(WriteRaw(*socket, Join({{3}, Frame(SerializedPatient("Ann", "Smith"))})));
  ASSERT_TRUE(ReadRaw(*socket, 4, ack));
  EXPECT_EQ(ack, kAck);
  std::vector<uint8_t> shortLab = SerializedLab("Cut");
  shortLab.resize(shortLab.size() - 3);
  const std::vector<std::vector<uint8_t>> refused = {
      {0, 0, 0, 0, 0, 0, 0, 0, 0}, {8, 1, 2, 3}, {255}, shortLab};
  ASSERT_TRUE(WriteRaw(*socket, Join({U32(5), U32(5)})));
  for (const std::vector<uint8_t>& record : refused) {
    ASSERT_TRUE(WriteRaw(*socket, Join({{2}, Frame(record)})));
    ASSERT_TRUE(ReadRaw(*socket, 4, ack));
    EXPECT_EQ(ack, kRefusedAck);
  }
  ASSERT_TRUE(WriteRaw(*socket, Join({{2}, Frame(SerializedLab("Chem7"))})));
  ASSERT_TRUE(ReadRaw(*socket, 4, ack));
  EXPECT_EQ(ack, kAck);
  ASSERT_TRUE(WriteRaw(*socket, Join({{0}, EmptySections(5)})));
  ASSERT_TRUE(ReceiverEndsByItself());

  EXPECT_FALSE(received);
  EXPECT_EQ(receiver.LastStatus(),
            "Error receiving Smith, Ann.  Received 1 of 5 labs, 0 of 0 meds, 0 of 0 notes, 0 of 0 "
            "tests, 0 of 0 todos, 0 of 0 vitals.");
  EXPECT_TRUE(receiver.LastStatusIsError());
  OnReceiver([] { EXPECT_EQ(LabCount(kAnn), 1u); });
}

// What one door lets in, another must not refuse: a patient or record that a backup could not
// restore (a NUL in a name or text, an access state beyond 2, a year beyond 9999) is refused where
// it enters and counted as not received, and the device's backup can then be restored.
TEST_F(BeamFailures, WhatABackupCouldNotRestoreIsRefusedAndTheReceivedDeviceCanBeRestored) {
  std::vector<uint8_t> nulText = SerializedLab(QStringLiteral("Chem") + QChar(0));
  CDBLabValues lab;
  lab.group = QStringLiteral("ABG");
  lab.values = QStringLiteral("pH\n7.4\n");
  std::vector<uint8_t> badState;
  lab.Serialize(badState);
  badState[5] = 7;  // the access flag, after the type and the desktop identifier
  SYSTEMTIME farFuture;
  farFuture.wYear = 10000;
  farFuture.wMonth = 1;
  farFuture.wDay = 1;
  ASSERT_TRUE(filetime::FromSystemTime(farFuture, lab.date));
  std::vector<uint8_t> badDate;
  lab.Serialize(badDate);

  StartReceiver();
  std::unique_ptr<platform::IBeamSocket> socket = ConnectRaw(pair.link);
  ASSERT_TRUE(socket);
  std::vector<uint8_t> ack;
  const QString nulName = QStringLiteral("Le") + QChar(0) + QStringLiteral("e");
  ASSERT_TRUE(WriteRaw(*socket, Join({{4}, U32(2), Frame(SerializedPatient("Bo", nulName))})));
  ASSERT_TRUE(ReadRaw(*socket, 4, ack));
  EXPECT_EQ(ack, kRefusedAck);
  ASSERT_TRUE(WriteRaw(*socket, Join({U32(0), EmptySections(6)})));
  ASSERT_TRUE(WriteRaw(*socket, Join({Frame(SerializedPatient("Ann", "Smith"))})));
  ASSERT_TRUE(ReadRaw(*socket, 4, ack));
  EXPECT_EQ(ack, kAck);
  ASSERT_TRUE(WriteRaw(*socket, Join({U32(4), U32(4)})));
  for (const auto& [record, stored] :
       {std::pair{SerializedLab("Chem7"), true}, std::pair{nulText, false},
        std::pair{badState, false}, std::pair{badDate, false}}) {
    ASSERT_TRUE(WriteRaw(*socket, Join({{1}, Frame(record)})));
    ASSERT_TRUE(ReadRaw(*socket, 4, ack));
    EXPECT_EQ(ack, stored ? kAck : kRefusedAck);
  }
  ASSERT_TRUE(WriteRaw(*socket, Join({{0}, EmptySections(5)})));
  ASSERT_TRUE(ReceiverEndsByItself());
  EXPECT_FALSE(received);
  EXPECT_TRUE(receiver.Showed("\nThe patient " + CDBPatient::MakeFullName("Bo", nulName) +
                              " could not be stored on this handheld"));
  EXPECT_TRUE(receiver.Showed(
      "Error receiving Smith, Ann.  Received 1 of 4 labs, 0 of 0 meds, 0 of 0 notes, 0 of 0 "
      "tests, 0 of 0 todos, 0 of 0 vitals."));

  QJsonObject document;
  QString error;
  OnReceiver([&] {
    EXPECT_EQ(LabCount(kAnn), 1u);
    ASSERT_TRUE(backup::Export({}, document, error)) << error.toStdString();
  });
  QTemporaryDir restored;
  OnDevice(restored.path(), [&] {
    ASSERT_TRUE(backup::Import(document, error)) << error.toStdString();
    EXPECT_EQ(LabCount(kAnn), 1u);
  });
}

TEST_F(BeamFailures, APatientWhoseLastTextLacksItsZeroIsRefusedAndSoAreItsRecords) {
  StartReceiver();
  std::unique_ptr<platform::IBeamSocket> socket = ConnectRaw(pair.link);
  ASSERT_TRUE(socket);
  std::vector<uint8_t> patient = SerializedPatient("Ann", "Smith");
  patient[patient.size() - 1] = 'x';  // the terminating zero of the last text
  std::vector<uint8_t> ack;
  ASSERT_TRUE(WriteRaw(*socket, Join({{3}, Frame(patient)})));
  ASSERT_TRUE(ReadRaw(*socket, 4, ack));
  EXPECT_EQ(ack, kRefusedAck);
  ASSERT_TRUE(WriteRaw(*socket, Join({U32(1), U32(1), {2}, Frame(SerializedLab("A"))})));
  ASSERT_TRUE(ReadRaw(*socket, 4, ack));
  EXPECT_EQ(ack, kRefusedAck);
  ASSERT_TRUE(WriteRaw(*socket, Join({{0}, EmptySections(5)})));
  ASSERT_TRUE(ReceiverEndsByItself());
  EXPECT_FALSE(received);
  EXPECT_TRUE(receiver.LastStatusIsError());
  EXPECT_TRUE(receiver.LastStatus().startsWith("\nThe patient "))
      << receiver.LastStatus().toStdString();
  OnReceiver([] {
    CDBPatient stored;
    EXPECT_FALSE(stored.FindByName(kAnn));
    EXPECT_EQ(LabCount(kAnn), 0u);
  });
}

// The sending side reads the acknowledgement: a record the other device did not store is not
// reported as sent.
TEST_F(BeamFailures, ASenderToldThatItsRecordWasRefusedSaysSoAndFails) {
  platform::RecordId id = 0;
  OnSender([&] {
    AddPatient("Ann", "Smith");
    AddRecordsOfEveryKind(kAnn, "x", 1);
    id = FirstRecordId(kAnn, beam::kLabRecord);
  });
  bool sent = true;
  RecordingProgress sender;
  DeviceThread thread(senderDir.path(), [&] {
    CBeamEngine engine(sender, pair.link, FastTiming());
    sent = beam_commands::BeamSelectedRecord(engine, beam::kLabRecord, id, false) ==
           beam_commands::BeamOutcome::kSent;
  });
  std::unique_ptr<platform::IBeamSocket> socket = AcceptRaw(pair.link);
  ASSERT_TRUE(socket);
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(ReadRaw(*socket, 1 + 4, bytes));  // the kind, the patient frame's length
  uint32_t patientLength = 0;
  ASSERT_TRUE(bytes::Reader(bytes.data() + 1, 4).ReadU32(patientLength));
  ASSERT_TRUE(ReadRaw(*socket, patientLength, bytes));
  ASSERT_TRUE(WriteRaw(*socket, kAck));
  ASSERT_TRUE(ReadRaw(*socket, 4, bytes));
  uint32_t labLength = 0;
  ASSERT_TRUE(bytes::Reader(bytes).ReadU32(labLength));
  ASSERT_TRUE(ReadRaw(*socket, labLength, bytes));
  ASSERT_TRUE(WriteRaw(*socket, kRefusedAck));
  thread.Join();
  EXPECT_FALSE(sent);
  EXPECT_EQ(sender.LastStatus(), "\nThe other handheld could not store the record");
  EXPECT_TRUE(sender.LastStatusIsError());
}

TEST_F(BeamFailures, RecordsBeforeAnyPatientAreRefused) {
  StartReceiver();
  std::unique_ptr<platform::IBeamSocket> socket = ConnectRaw(pair.link);
  ASSERT_TRUE(socket);
  std::vector<uint8_t> ack;
  ASSERT_TRUE(WriteRaw(*socket, Join({{2}, Frame(SerializedLab("A"))})));
  ASSERT_TRUE(ReadRaw(*socket, 4, ack));
  EXPECT_EQ(ack, kRefusedAck);
  ASSERT_TRUE(WriteRaw(*socket, Frame(SerializedLab("B"))));
  ASSERT_TRUE(ReadRaw(*socket, 4, ack));
  EXPECT_EQ(ack, kRefusedAck);
  ASSERT_TRUE(ReceiverEndsByItself());
  EXPECT_FALSE(received);
  EXPECT_EQ(receiver.LastStatus(), "\nThe record could not be stored on this handheld");
  OnReceiver([] {
    CBeamRecord record;
    EXPECT_FALSE(record.FirstOf(beam::kLabRecord, QString()));
    EXPECT_EQ(LabCount(kAnn), 0u);
  });
}

TEST_F(BeamFailures, RecordsOfAPatientThatCouldNotBeFiledAreNotGivenToThePreviousOne) {
  StartReceiver();
  std::unique_ptr<platform::IBeamSocket> socket = ConnectRaw(pair.link);
  ASSERT_TRUE(socket);
  std::vector<uint8_t> ack;
  ASSERT_TRUE(WriteRaw(*socket, Join({{4}, U32(2), Frame(SerializedPatient("Ann", "Smith"))})));
  ASSERT_TRUE(ReadRaw(*socket, 4, ack));
  ASSERT_TRUE(WriteRaw(*socket, Join({U32(1), U32(1), {2}, Frame(SerializedLab("Ann's"))})));
  ASSERT_TRUE(ReadRaw(*socket, 4, ack));
  ASSERT_TRUE(WriteRaw(*socket, Join({{0}, EmptySections(5)})));
  // The second patient's record is cut short: it cannot be filed, and neither can its lab.
  ASSERT_TRUE(WriteRaw(*socket, Frame({1, 0, 0})));
  ASSERT_TRUE(ReadRaw(*socket, 4, ack));
  EXPECT_EQ(ack, kRefusedAck);
  ASSERT_TRUE(WriteRaw(*socket, Join({U32(1), U32(1), {2}, Frame(SerializedLab("stray"))})));
  ASSERT_TRUE(ReadRaw(*socket, 4, ack));
  EXPECT_EQ(ack, kRefusedAck);
  ASSERT_TRUE(WriteRaw(*socket, Join({{0}, EmptySections(5)})));
  ASSERT_TRUE(ReceiverEndsByItself());

  EXPECT_FALSE(received);
  EXPECT_EQ(receiver.overallTexts.back(), "\n1 of 2 patients were received whole");
  EXPECT_EQ(receiver.LastStatus(),
            "\nSome of the records received could not be stored on this handheld");
  OnReceiver([] { EXPECT_EQ(LabCount(kAnn), 1u); });
}

TEST_F(BeamFailures, HugeFrameLengthFailsAtOnce) {
  for (uint32_t length : {0xFFFFFFFFu, beam::kMaxFrameLength + 1}) {
    SCOPED_TRACE(length);
    receiver.statuses.clear();
    receiver.doneWaits = 0;
    received = true;
    StartReceiver();
    std::unique_ptr<platform::IBeamSocket> socket = ConnectRaw(pair.link);
    ASSERT_TRUE(socket);
    // The connection stays open and silent: only the length itself can end the transfer.
    ASSERT_TRUE(WriteRaw(*socket, Join({{2}, U32(length), {1, 2, 3}})));
    ASSERT_TRUE(ReceiverEndsByItself());
    EXPECT_FALSE(received);
    EXPECT_EQ(receiver.LastStatus(),
              "\nAn error has occurred receiving data from the other handheld");
    EXPECT_TRUE(receiver.LastStatusIsError());
  }
}

TEST_F(BeamFailures, ConnectionCutBetweenTwoRecordsFailsBothSidesAndKeepsWhatArrived) {
  OnSender([] {
    AddPatient("Ann", "Smith");
    AddRecordsOfEveryKind(kAnn, "x", 3);
  });
  // The patient's acknowledgement and two records' get through, then the link is gone.
  pair.link.CutAfter(Direction::kToSender, 3 * 4);
  TransferResult result;
  RunTransfer(
      pair, senderDir.path(), receiverDir.path(),
      [](CBeamEngine& engine) {
        CBeamRecord record;
        CBeamEngine::Socket socket = engine.OpenBeam(beam::kPatientTransfer, 0, false);
        return record.FindPatient(kAnn) && socket && engine.BeamRecord(*socket, record);
      },
      result,
      [&] {
        ASSERT_TRUE(WaitUntil([&] { return pair.link.IsCut(); }));
        clock_source::SetStepPerRead(50);
      });

  EXPECT_FALSE(result.sent);
  EXPECT_FALSE(result.received);
  EXPECT_EQ(result.sender.LastStatus(),
            "Error sending Smith, Ann.  Sent 2 of 3 labs, 0 of 3 meds, 0 of 3 notes, 0 of 3 tests, "
            "0 of 3 todos, 0 of 3 vitals.");
  EXPECT_TRUE(result.sender.LastStatusIsError());
  EXPECT_EQ(result.receiver.LastStatus(),
            "Error receiving Smith, Ann.  Received 2 of 3 labs, 0 of unknown meds, 0 of unknown "
            "notes, 0 of unknown tests, 0 of unknown todos, 0 of unknown vitals.");
  EXPECT_TRUE(result.receiver.LastStatusIsError());
  OnReceiver([] {
    CDBPatient patient;
    EXPECT_TRUE(patient.FindByName(kAnn));
    EXPECT_EQ(LabCount(kAnn), 2u);
  });
}

TEST_F(BeamFailures, SenderCancelInsideAPatientBlockReportsTheCountsSent) {
  OnSender([] {
    AddPatient("Ann", "Smith");
    AddRecordsOfEveryKind(kAnn, "x", 4);
  });
  TransferResult result;
  // The status text is refreshed after the third record (the clock jumps past the 100 ms pace
  // there), and Cancel is down from the first record status on.
  result.sender.onItem = [&](uint32_t position) {
    if (position == 3 && result.sender.LastStatus() == "\nSending patient information") {
      clock_source::Advance(500);
    }
  };
  result.sender.cancel = [&] { return result.sender.LastStatus().startsWith("Sending "); };
  RunTransfer(
      pair, senderDir.path(), receiverDir.path(),
      [](CBeamEngine& engine) {
        CBeamRecord record;
        CBeamEngine::Socket socket = engine.OpenBeam(beam::kPatientTransfer, 0, false);
        return record.FindPatient(kAnn) && socket && engine.BeamRecord(*socket, record);
      },
      result,
      [&] {
        ASSERT_TRUE(WaitUntil([&] { return result.sender.Done(); }));
        clock_source::SetStepPerRead(50);
      });

  EXPECT_FALSE(result.sent);
  EXPECT_TRUE(result.sender.Showed("Sending 3 of 24 records for Smith, Ann.\nSending 3 of 4 Labs"));
  EXPECT_EQ(result.sender.LastStatus(),
            "Error sending Smith, Ann.  Sent 3 of 4 labs, 0 of 4 meds, 0 of 4 notes, 0 of 4 tests, "
            "0 of 4 todos, 0 of 4 vitals.");
  EXPECT_FALSE(result.received);
  EXPECT_EQ(result.receiver.LastStatus(),
            "Error receiving Smith, Ann.  Received 3 of 4 labs, 0 of unknown meds, 0 of unknown "
            "notes, 0 of unknown tests, 0 of unknown todos, 0 of unknown vitals.");
  OnReceiver([] { EXPECT_EQ(LabCount(kAnn), 3u); });
}

TEST_F(BeamFailures, SilenceBeforeTheFirstSectionLeavesEveryCountUnknown) {
  StartReceiver();
  std::unique_ptr<platform::IBeamSocket> socket = ConnectRaw(pair.link);
  ASSERT_TRUE(socket);
  std::vector<uint8_t> ack;
  ASSERT_TRUE(WriteRaw(*socket, Join({{3}, Frame(SerializedPatient("Ann", "Smith"))})));
  ASSERT_TRUE(ReadRaw(*socket, 4, ack));
  // The total arrives, then nothing more.
  ASSERT_TRUE(WriteRaw(*socket, U32(7)));
  clock_source::SetStepPerRead(50);
  ASSERT_TRUE(ReceiverEndsByItself());
  EXPECT_EQ(receiver.LastStatus(),
            "Error receiving Smith, Ann.  Received 0 of unknown labs, 0 of unknown meds, 0 of "
            "unknown notes, 0 of unknown tests, 0 of unknown todos, 0 of unknown vitals.");
  OnReceiver([] {
    CDBPatient patient;
    EXPECT_TRUE(patient.FindByName(kAnn));  // the patient of a partial block stays
  });
}

TEST_F(BeamFailures, CancelWhileListening) {
  int polls = 0;
  receiver.cancel = [&] { return ++polls > 3; };
  StartReceiver();
  ASSERT_TRUE(ReceiverEndsByItself());
  EXPECT_FALSE(received);
  ASSERT_EQ(receiver.statuses.size(), 2u);
  EXPECT_EQ(receiver.statuses[0].text, "\nSearching for sender");
  EXPECT_EQ(receiver.statuses[1].text, "\nAn error has occurred connecting to the other handheld");
  EXPECT_TRUE(receiver.statuses[1].error);
  EXPECT_FALSE(pair.link.IsListening());
}

TEST_F(BeamFailures, CancelWhileSearchingForTheReceiver) {
  RecordingProgress sender;
  int polls = 0;
  sender.cancel = [&] { return ++polls > 3; };
  OnSender([&] {
    CBeamEngine engine(sender, pair.link, FastTiming());
    EXPECT_FALSE(engine.OpenBeam(beam::kPatientTransfer, 0, false));
    EXPECT_TRUE(engine.Finished());
  });
  ASSERT_EQ(sender.statuses.size(), 2u);
  EXPECT_EQ(sender.statuses[0].text, "\nSearching for receiver");
  EXPECT_EQ(sender.statuses[1].text, "\nAn error has occurred connecting to the other handheld");
  EXPECT_EQ(sender.doneWaits.load(), 1);
}

TEST_F(BeamFailures, RecordWhosePatientIsMissingFailsBothSides) {
  platform::RecordId id = 0;
  OnSender([&] {
    AddPatient("Ann", "Smith");
    AddRecordsOfEveryKind(kAnn, "x", 1);
    id = FirstRecordId(kAnn, beam::kLabRecord);
    // The patient goes; the lab stays behind.
    CDBPatient patient;
    ASSERT_TRUE(patient.DeleteByName(kAnn));
  });
  TransferResult result;
  RunTransfer(
      pair, senderDir.path(), receiverDir.path(),
      [&](CBeamEngine& engine) {
        return beam_commands::BeamSelectedRecord(engine, beam::kLabRecord, id, false) ==
               beam_commands::BeamOutcome::kSent;
      },
      result,
      [&] {
        ASSERT_TRUE(WaitUntil([&] { return result.sender.Done(); }));
        clock_source::SetStepPerRead(50);
      });
  EXPECT_EQ(result.sender.LastStatus(),
            "\nAn error has occurred sending data to the other handheld");
  EXPECT_EQ(result.receiver.LastStatus(),
            "\nAn error has occurred receiving data from the other handheld");
  EXPECT_FALSE(result.received);
}

// A checkout transfer that breaks in its second patient says how many patients came whole.
TEST_F(BeamFailures, ABrokenCheckoutReceiveCountsThePatientsReceivedBeforeIt) {
  StartReceiver();
  std::unique_ptr<platform::IBeamSocket> socket = ConnectRaw(pair.link);
  ASSERT_TRUE(socket);
  std::vector<uint8_t> ack;
  ASSERT_TRUE(WriteRaw(*socket, Join({{4}, U32(3), Frame(SerializedPatient("Ann", "Smith"))})));
  ASSERT_TRUE(ReadRaw(*socket, 4, ack));
  ASSERT_TRUE(WriteRaw(*socket, Join({U32(0), EmptySections(6)})));
  ASSERT_TRUE(WriteRaw(*socket, Frame(SerializedPatient("Bo", "Lee"))));
  ASSERT_TRUE(ReadRaw(*socket, 4, ack));
  ASSERT_TRUE(WriteRaw(*socket, Join({U32(1), U32(1)})));  // then the connection is lost
  pair.link.Cut();
  clock_source::SetStepPerRead(100);
  ASSERT_TRUE(ReceiverEndsByItself());
  EXPECT_FALSE(received);
  EXPECT_EQ(receiver.overallTexts.back(), "\nBeaming failed after receiving 1 of 3 patients");
}

// Before the first section has started, the sender knows only that sending failed: it shows the
// plain send error, not the per-section counts.
TEST_F(BeamFailures, ASenderWhoseFirstSectionCountFailsShowsThePlainSendError) {
  size_t patientLength = 0;
  OnSender([&] {
    AddPatient("Ann", "Smith");
    AddRecordsOfEveryKind(kAnn, "x", 1);
    patientLength = TakeSnapshot(kAnn).patient.size();
  });
  // Everything up to the total gets through (kind, patient frame, total); then the link stalls.
  const uint64_t throughTotal = 1 + 4 + patientLength + 4;
  pair.link.StallAfter(Direction::kToReceiver, throughTotal);
  TransferResult result;
  RunTransfer(
      pair, senderDir.path(), receiverDir.path(),
      [](CBeamEngine& engine) {
        CBeamRecord record;
        CBeamEngine::Socket socket = engine.OpenBeam(beam::kPatientTransfer, 0, false);
        return record.FindPatient(kAnn) && socket && engine.BeamRecord(*socket, record);
      },
      result,
      [&] {
        ASSERT_TRUE(
            WaitUntil([&] { return pair.link.Delivered(Direction::kToReceiver) >= throughTotal; }));
        clock_source::SetStepPerRead(100);
      });
  EXPECT_FALSE(result.sent);
  EXPECT_EQ(result.sender.LastStatus(),
            "\nAn error has occurred sending data to the other handheld");
  EXPECT_TRUE(result.sender.LastStatusIsError());
}

}  // namespace
