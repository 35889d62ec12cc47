// The bytes on the wire and the byte-level loops: what a sender puts on the link, read by a raw
// test-side receiver, and the no-progress rule of SendAll and ReceiveAll on the test clock.

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "beam/BeamTestSupport.h"
#include "common/CDBCategories.h"
#include "common/CDBPatient.h"
#include "platform/Clock.h"
#include "platform/PropertyDatabase.h"
#include "store/CDBMedsFavorites.h"
#include "support/TestGuard.h"

using namespace beam_test;
using Direction = platform::MemoryBeamTransport::Direction;

namespace {

constexpr uint64_t kStart = 130'000'000'000'000'000ull;

uint64_t NowTicks() {
  return filetime::ToTicks(clock_source::Now());
}

class BeamWire : public ::testing::Test {
 protected:
  void SetUp() override { clock_source::Fix(filetime::FromTicks(kStart)); }

  // Runs send on the sender's device while the test reads what arrives with a raw receiver;
  // read gets the connection and answers when it has read what it wants.
  void Capture(const std::function<void(CBeamEngine&)>& send,
               const std::function<void(platform::IBeamSocket&)>& read) {
    DeviceThread sender(senderDir.path(), [&] {
      CBeamEngine engine(progress, link, FastTiming());
      send(engine);
    });
    std::unique_ptr<platform::IBeamSocket> socket = AcceptRaw(link);
    ASSERT_TRUE(socket);
    read(*socket);
    socket.reset();
    clock_source::SetStepPerRead(100);  // a sender still waiting gives up
  }

  // Both ends of one connection over the link, made without an engine.
  bool ConnectEnds(std::unique_ptr<platform::IBeamSocket>& out,
                   std::unique_ptr<platform::IBeamSocket>& in) {
    std::unique_ptr<platform::IBeamListener> listener = link.Listen();
    std::unique_ptr<platform::IBeamConnector> connector = link.CreateConnector();
    if (connector->Discover() != platform::IBeamConnector::Probe::kFound) {
      return false;
    }
    out = connector->Connect();
    in = listener->Accept();
    return out && in;
  }

  TestGuard m_guard;
  QTemporaryDir senderDir;
  platform::MemoryBeamTransport link;
  RecordingProgress progress;
};

std::vector<uint8_t> Read(platform::IBeamSocket& socket, size_t count) {
  std::vector<uint8_t> bytes;
  EXPECT_TRUE(ReadRaw(socket, count, bytes));
  return bytes;
}

uint32_t ReadU32(platform::IBeamSocket& socket) {
  const std::vector<uint8_t> bytes = Read(socket, 4);
  return static_cast<uint32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16 | bytes[3] << 24);
}

bool AtEnd(platform::IBeamSocket& socket) {
  std::vector<uint8_t> more;
  return !ReadRaw(socket, 1, more);
}

std::vector<uint8_t> Units(const QString& text) {
  std::vector<uint8_t> bytes;
  for (QChar c : text) {
    bytes.push_back(static_cast<uint8_t>(c.unicode() & 0xFF));
    bytes.push_back(static_cast<uint8_t>(c.unicode() >> 8));
  }
  bytes.insert(bytes.end(), {0, 0});
  return bytes;
}

TEST_F(BeamWire, TimeElapsedCountsStrictlyMoreAndRearms) {
  uint64_t stamp = 0;
  EXPECT_FALSE(CBeamEngine::TimeElapsed(stamp, 100));  // arms
  EXPECT_EQ(stamp, kStart);
  clock_source::Advance(100);
  EXPECT_FALSE(CBeamEngine::TimeElapsed(stamp, 100));  // equal is not more
  clock_source::Advance(1);
  EXPECT_TRUE(CBeamEngine::TimeElapsed(stamp, 100));
  EXPECT_EQ(stamp, kStart + 101 * filetime::kTicksPerMillisecond);
  EXPECT_FALSE(CBeamEngine::TimeElapsed(stamp, 100));  // re-armed
  // A clock set back re-arms rather than ending or stalling the wait.
  clock_source::Fix(filetime::FromTicks(kStart - filetime::kTicksPerDay));
  EXPECT_FALSE(CBeamEngine::TimeElapsed(stamp, 100));
  EXPECT_EQ(stamp, kStart - filetime::kTicksPerDay);
  clock_source::Advance(101);
  EXPECT_TRUE(CBeamEngine::TimeElapsed(stamp, 100));
}

TEST_F(BeamWire, NoProgressRuleCountsFromTheLastByteThatMoved) {
  std::unique_ptr<platform::IBeamSocket> out;
  std::unique_ptr<platform::IBeamSocket> in;
  ASSERT_TRUE(ConnectEnds(out, in));
  CBeamEngine engine(progress, link, FastTiming());

  // One byte per move and 50 ms per clock read: the field moves within its allowance.
  link.SetChunkLimit(1);
  clock_source::SetStepPerRead(50);
  const std::vector<uint8_t> field = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17};
  ASSERT_TRUE(engine.SendAll(*out, field.data(), field.size()));
  std::vector<uint8_t> got(field.size());
  ASSERT_TRUE(engine.ReceiveAll(*in, got.data(), got.size()));
  EXPECT_EQ(got, field);

  // Nothing more comes: the receive gives up once more than 5 s passed without a byte.
  clock_source::SetStepPerRead(100);
  const uint64_t waitStart = NowTicks();
  EXPECT_FALSE(engine.ReceiveAll(*in, got.data(), 1));
  EXPECT_GT(NowTicks() - waitStart, 5 * filetime::kTicksPerSecond);

  // A stalled link fails a send the same way, and so does a closed one (no failure at once).
  link.StallAfter(Direction::kToReceiver, field.size() + 3);
  EXPECT_FALSE(engine.SendAll(*out, field.data(), field.size()));
  in.reset();
  const uint64_t closedAt = NowTicks();
  EXPECT_FALSE(engine.SendAll(*out, field.data(), 1));
  EXPECT_GT(NowTicks() - closedAt, 5 * filetime::kTicksPerSecond);
  EXPECT_TRUE(engine.SendAll(*out, field.data(), 0));
}

TEST_F(BeamWire, ATricklingPeerIsCutOffWhenTheFieldsAllowanceIsSpent) {
  std::unique_ptr<platform::IBeamSocket> out;
  std::unique_ptr<platform::IBeamSocket> in;
  ASSERT_TRUE(ConnectEnds(out, in));
  CBeamEngine engine(progress, link, FastTiming());
  // A byte a second is never 5 s without a byte moving, yet the field's allowance of 5 s runs out.
  link.SetChunkLimit(1);
  clock_source::SetStepPerRead(1000);
  const std::vector<uint8_t> field(17, 7);
  const uint64_t before = NowTicks();
  EXPECT_FALSE(engine.SendAll(*out, field.data(), field.size()));
  EXPECT_GT(NowTicks() - before, 5 * filetime::kTicksPerSecond);
  EXPECT_LT(NowTicks() - before, 15 * filetime::kTicksPerSecond);
  std::vector<uint8_t> got(field.size());
  EXPECT_FALSE(engine.ReceiveAll(*in, got.data(), got.size()));
}

TEST_F(BeamWire, ATransferEndsWhenItsTimeLimitPassesWhateverMoves) {
  std::unique_ptr<platform::IBeamSocket> out;
  std::unique_ptr<platform::IBeamSocket> in;
  ASSERT_TRUE(ConnectEnds(out, in));
  CBeamEngine::Timing timing = FastTiming();
  timing.transferLimitMs = 3000;
  CBeamEngine engine(progress, link, timing);
  // Fields that each move well within their allowance, one after the other, past the limit.
  clock_source::SetStepPerRead(100);
  const std::vector<uint8_t> field(4, 1);
  bool failed = false;
  for (int i = 0; i < 100 && !failed; ++i) {
    failed = !engine.SendAll(*out, field.data(), field.size());
    std::vector<uint8_t> got(field.size());
    engine.ReceiveAll(*in, got.data(), got.size());
  }
  EXPECT_TRUE(failed);
  EXPECT_TRUE(engine.TimedOut());
}

TEST_F(BeamWire, PatientWithoutRecordsSendsSixEmptySections) {
  std::vector<uint8_t> expectedPatient;
  OnDevice(senderDir.path(), [&] {
    AddPatient("Bo", "Lee", 77, 1);
    CBeamRecord record;
    ASSERT_TRUE(record.FindPatient("Lee, Bo"));
    record.SerializeRecord(expectedPatient);
  });
  Capture(
      [](CBeamEngine& engine) {
        CBeamRecord record;
        record.FindPatient("Lee, Bo");
        CBeamEngine::Socket socket = engine.OpenBeam(beam::kPatientTransfer, 0, false);
        if (socket) {
          engine.BeamRecord(*socket, record);
        }
      },
      [&](platform::IBeamSocket& socket) {
        EXPECT_EQ(Read(socket, 1), std::vector<uint8_t>{3});  // kind 3 carries no count
        const uint32_t length = ReadU32(socket);
        ASSERT_EQ(length, expectedPatient.size());
        EXPECT_EQ(Read(socket, length), expectedPatient);
        // Type 1, then the desktop identifier and the access flag.
        EXPECT_EQ(std::vector<uint8_t>(expectedPatient.begin(), expectedPatient.begin() + 9),
                  (std::vector<uint8_t>{1, 77, 0, 0, 0, 1, 0, 0, 0}));
        ASSERT_TRUE(WriteRaw(socket, U32(1)));
        // The total, then six times a count of 0 and the closing byte 0.
        std::vector<uint8_t> rest = Read(socket, 4 + 6 * 5);
        EXPECT_EQ(rest, std::vector<uint8_t>(4 + 6 * 5, 0));
        EXPECT_TRUE(AtEnd(socket));
      });
  EXPECT_EQ(progress.LastStatus(), "\nPatient Lee, Bo sent successfully");
}

TEST_F(BeamWire, RecordTransferSendsThePatientFrameThenTheRecordFrame) {
  std::vector<uint8_t> patient;
  std::vector<uint8_t> lab;
  platform::RecordId id = 0;
  OnDevice(senderDir.path(), [&] {
    AddPatient("Ann", "Smith");
    AddRecordsOfEveryKind("Smith, Ann", "x", 1);
    id = FirstRecordId("Smith, Ann", beam::kLabRecord);
    CBeamRecord record;
    record.FindPatient("Smith, Ann");
    record.SerializeRecord(patient);
    record.ReadById(beam::kLabRecord, id);
    record.SerializeRecord(lab);
  });
  Capture(
      [&](CBeamEngine& engine) {
        CBeamRecord record;
        record.ReadById(beam::kLabRecord, id);
        CBeamEngine::Socket socket = engine.OpenBeam(beam::kRecordTransfer, 0, false);
        if (socket) {
          engine.BeamRecord(*socket, record);
        }
      },
      [&](platform::IBeamSocket& socket) {
        EXPECT_EQ(Read(socket, 1), std::vector<uint8_t>{2});
        EXPECT_EQ(Read(socket, 4 + patient.size()), Frame(patient));
        ASSERT_TRUE(WriteRaw(socket, U32(1)));
        EXPECT_EQ(Read(socket, 4 + lab.size()), Frame(lab));
        EXPECT_EQ(lab[0], beam::kLabRecord);
        // The acknowledgement's value is not looked at.
        ASSERT_TRUE(WriteRaw(socket, U32(0xDEADBEEF)));
        EXPECT_TRUE(AtEnd(socket));
      });
  EXPECT_EQ(progress.LastStatus(), "\nRecord sent successfully");
}

TEST_F(BeamWire, CategoryBlockCarriesTypedEntriesThenCountedFavourites) {
  OnDevice(senderDir.path(), [] {
    CDBCategories categories;
    categories.GetRecordCount();  // creates the store with its factory entries
    platform::PropertyDatabase db;
    ASSERT_TRUE(db.Open(QString::fromLatin1(CDBCategories::kVolumeName)));
    for (platform::RecordId id = db.SeekFirst(); id != 0; id = db.SeekFirst()) {
      db.Delete(id);
    }
    db.Close();
    categories.text = "Ward 7";
    ASSERT_TRUE(categories.AddNew(CDBCategories::kRoomList));
    CDBMedsFavorites favourites;
    favourites.drug = "Aspirin";
    favourites.dose = "81 mg";
    favourites.route = "PO";
    favourites.frequency = "QD";
    ASSERT_TRUE(favourites.AddNew());
  });
  Capture([](CBeamEngine& engine) { engine.BeamCategories(); },
          [&](platform::IBeamSocket& socket) {
            EXPECT_EQ(Read(socket, 1), std::vector<uint8_t>{1});
            EXPECT_EQ(ReadU32(socket), 2u);  // the header's count: entries plus favourites
            EXPECT_EQ(ReadU32(socket), 1u);  // categoryCount
            EXPECT_EQ(ReadU32(socket), 7u);  // "Ward 7" and its zero
            EXPECT_EQ(Read(socket, 2), (std::vector<uint8_t>{CDBCategories::kRoomList, 0}));
            EXPECT_EQ(Read(socket, 14), Units("Ward 7"));
            EXPECT_EQ(ReadU32(socket), 1u);  // favouriteCount
            for (const char* text : {"Aspirin", "81 mg", "PO", "QD"}) {
              const QString field = QString::fromLatin1(text);
              EXPECT_EQ(ReadU32(socket), static_cast<uint32_t>(field.size() + 1));
              EXPECT_EQ(Read(socket, 2 * static_cast<size_t>(field.size() + 1)), Units(field));
            }
            EXPECT_TRUE(AtEnd(socket));
          });
  EXPECT_EQ(progress.LastStatus(), "\nCategory send complete");
}

TEST_F(BeamWire, CheckoutHeaderCarriesThePatientCount) {
  OnDevice(senderDir.path(), [] {
    AddPatient("Ann", "Smith");
    AddPatient("Bo", "Lee");
  });
  Capture(
      [](CBeamEngine& engine) {
        CBeamEngine::Socket socket = engine.OpenBeam(beam::kPatientsTransfer, 2, true);
        engine.FinishBeam();
      },
      [&](platform::IBeamSocket& socket) {
        EXPECT_EQ(Read(socket, 1), std::vector<uint8_t>{4});
        EXPECT_EQ(ReadU32(socket), 2u);
        EXPECT_TRUE(AtEnd(socket));
      });
  EXPECT_EQ(progress.overallTexts.front(), "\nSending 0 of 2 patients");
}

}  // namespace
