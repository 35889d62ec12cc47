#include "beam/BeamTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "beam/CBeamRecord.h"
#include "common/ByteStream.h"
#include "common/CDBPatient.h"
#include "store/CDBLabValues.h"
#include "store/CDBMeds.h"
#include "store/CDBNotes.h"
#include "store/CDBTest.h"
#include "store/CDBToDo.h"
#include "store/CDBVitals.h"

namespace beam_test {

bool RecordingProgress::SetStatus(const QString& text, bool error) {
  statuses.push_back({text, error});
  return IsCancelled();
}

void RecordingProgress::SetItemProgress(uint32_t position, uint32_t range) {
  static_cast<void>(range);
  lastItemPosition = position;
  if (onItem) {
    onItem(position);
  }
}

void RecordingProgress::SetOverallProgress(uint32_t, uint32_t) {}

void RecordingProgress::SetOverallText(const QString& text) {
  overallTexts.push_back(text);
}

bool RecordingProgress::IsCancelled() {
  return cancel && cancel();
}

bool RecordingProgress::Showed(const QString& text) const {
  for (const Status& status : statuses) {
    if (status.text == text) {
      return true;
    }
  }
  return false;
}

CBeamEngine::Timing FastTiming() {
  CBeamEngine::Timing timing;
  timing.pollPauseMs = 1;
  timing.ioWaitMs = 2;
  return timing;
}

struct DeviceThread::Impl {
  std::thread thread;
};

DeviceThread::DeviceThread(const QString& folder, std::function<void()> work)
    : m_impl(std::make_unique<Impl>()) {
  m_impl->thread = std::thread([folder, work = std::move(work)] { OnDevice(folder, work); });
}

DeviceThread::~DeviceThread() {
  Join();
}

void DeviceThread::Join() {
  if (m_impl->thread.joinable()) {
    m_impl->thread.join();
  }
}

void OnDevice(const QString& folder, const std::function<void()>& f) {
  platform::Device device(folder);
  device.Prepare();
  platform::DeviceScope scope(device);
  f();
}

TcpPair::TcpPair() {
  platform::TcpBeamSettings settings;
  settings.listen = {QStringLiteral("127.0.0.1"), 0};
  m_receiver = std::make_unique<platform::TcpBeamTransport>(settings);
}

platform::IBeamTransport& TcpPair::Sender() {
  if (!m_sender) {
    WaitUntil([&] { return m_receiver->ListeningPort() != 0; });
    platform::TcpBeamSettings settings;
    settings.peers = {{QStringLiteral("127.0.0.1"), m_receiver->ListeningPort()}};
    m_sender = std::make_unique<platform::TcpBeamTransport>(settings);
  }
  return *m_sender;
}

std::unique_ptr<TransportPair> MakePair(bool tcp) {
  if (tcp) {
    return std::make_unique<TcpPair>();
  }
  return std::make_unique<MemoryPair>();
}

void RunTransfer(TransportPair& pair, const QString& senderFolder, const QString& receiverFolder,
                 const std::function<bool(CBeamEngine&)>& send, TransferResult& result,
                 const std::function<void()>& during) {
  platform::IBeamTransport& receiving = pair.Receiver();
  DeviceThread receiver(receiverFolder, [&] {
    CBeamEngine engine(result.receiver, receiving, FastTiming());
    result.received = engine.ReceiveBeam();
  });
  platform::IBeamTransport& sending = pair.Sender();
  DeviceThread sender(senderFolder, [&] {
    CBeamEngine engine(result.sender, sending, FastTiming());
    result.sent = send(engine);
  });
  if (during) {
    during();
  }
  sender.Join();
  receiver.Join();
}

namespace {

FILETIME At(int minute) {
  SYSTEMTIME parts;
  parts.wYear = 2024;
  parts.wMonth = 3;
  parts.wDay = 14;
  parts.wHour = static_cast<uint16_t>(8 + minute / 60);
  parts.wMinute = static_cast<uint16_t>(minute % 60);
  FILETIME time;
  filetime::FromSystemTime(parts, time);
  return time;
}

template <typename Store>
void FillDated(Store& store, const QString& patient, int minute) {
  store.patient = patient;
  store.date = At(minute);
  store.time = At(minute);
}

bool AddRecord(const QString& patient, uint8_t kind, const QString& tag, int minute,
               int32_t desktopId) {
  const bool received = desktopId != 0;
  const QString text = QStringLiteral("%1 %2").arg(tag).arg(minute);
  const auto sync = [&](CDBChartStore& store) {
    store.desktopId = desktopId;
    store.accessState = received ? 2 : 0;
  };
  switch (kind) {
    case beam::kLabRecord: {
      CDBLabValues labs;
      FillDated(labs, patient, minute);
      labs.group = QStringLiteral("Chem7 ") + text;
      labs.values = QStringLiteral("Na\n140\nK\n4.1\n");
      labs.timeStamp = At(minute + 1);
      sync(labs);
      return labs.AddNew(received);
    }
    case beam::kMedRecord: {
      CDBMeds meds;
      meds.patient = patient;
      meds.drug = QStringLiteral("Drug ") + text;
      meds.dose = QStringLiteral("10 mg");
      meds.route = QStringLiteral("PO");
      meds.frequency = QStringLiteral("QD");
      meds.trackDays = QStringLiteral("No");
      meds.days = QStringLiteral("7");
      meds.startDate = At(minute);
      meds.timeStamp = At(minute + 1);
      sync(meds);
      return meds.AddNew(received);
    }
    case beam::kNoteRecord: {
      CDBNotes notes;
      FillDated(notes, patient, minute);
      notes.noteText = QStringLiteral("Note ") + text;
      notes.subjective = QStringLiteral("S ") + text;
      notes.objective = QStringLiteral("O");
      notes.assessmentPlan = QStringLiteral("A/P");
      notes.timeStamp = At(minute + 1);
      sync(notes);
      return notes.AddNew(received);
    }
    case beam::kTestRecord: {
      CDBTest tests;
      FillDated(tests, patient, minute);
      tests.test = QStringLiteral("CXR ") + text;
      tests.result = QStringLiteral("clear");
      tests.timeStamp = At(minute + 1);
      sync(tests);
      return tests.AddNew(received);
    }
    case beam::kTodoRecord: {
      CDBToDo todos;
      todos.patient = patient;
      todos.flags = 2;
      todos.text = QStringLiteral("Todo ") + text;
      todos.note = QStringLiteral("note");
      todos.timeStamp = CDBBaseDatabase::TimeToDayHourString(At(minute + 1));
      sync(todos);
      return todos.AddNew(received) != 0;
    }
    case beam::kVitalsRecord: {
      CDBVitals vitals;
      FillDated(vitals, patient, minute);
      vitals.values = QStringLiteral("BP\n120/80\nHR\n%1\n").arg(60 + minute);
      vitals.timeStamp = At(minute + 1);
      sync(vitals);
      return vitals.AddNew(received);
    }
    default:
      return false;
  }
}

}  // namespace

void AddPatient(const QString& first, const QString& last, int32_t desktopId, int32_t accessState) {
  CDBPatient patient;
  patient.firstName = first;
  patient.lastName = last;
  patient.patientType = QStringLiteral("Hospital");
  patient.mrNumber = QStringLiteral("MR-") + last;
  patient.room = QStringLiteral("12B");
  patient.allergies = QStringLiteral("NKDA");
  patient.admitDate = At(0);
  patient.desktopId = desktopId;
  patient.accessState = accessState;
  ASSERT_TRUE(patient.CreateRecord(desktopId != 0));
}

void AddRecordsOfEveryKind(const QString& patient, const QString& tag, int count) {
  for (int i = 0; i < count; ++i) {
    for (uint8_t kind : beam::kSectionOrder) {
      AddRecord(patient, kind, tag, i, 0);
    }
  }
}

void AddSyncedRecord(const QString& patient, uint8_t kind, int32_t desktopId, int minute) {
  AddRecord(patient, kind, QStringLiteral("synced"), minute, desktopId);
}

size_t Snapshot::RecordCount() const {
  size_t count = 0;
  for (const auto& section : sections) {
    count += section.size();
  }
  return count;
}

Snapshot TakeSnapshot(const QString& patient) {
  Snapshot snapshot;
  CBeamRecord record;
  if (record.FindPatient(patient)) {
    record.SerializeRecord(snapshot.patient);
  }
  for (uint8_t kind : beam::kSectionOrder) {
    auto& section = snapshot.sections.emplace_back();
    for (bool found = record.FirstOf(kind, patient); found; found = record.NextOf(kind, patient)) {
      record.SerializeRecord(section.emplace_back());
    }
  }
  return snapshot;
}

platform::RecordId FirstRecordId(const QString& patient, uint8_t kind) {
  static const char* const kVolumes[] = {CDBLabValues::kVolumeName, CDBMeds::kVolumeName,
                                         CDBNotes::kVolumeName,     CDBTest::kVolumeName,
                                         CDBToDo::kVolumeName,      CDBVitals::kVolumeName};
  if (kind < beam::kLabRecord || kind > beam::kVitalsRecord) {
    return 0;
  }
  // Every store keys its records on the patient's name first.
  platform::PropertyDatabase db;
  if (!db.Open(QString::fromLatin1(kVolumes[kind - beam::kLabRecord]))) {
    return 0;
  }
  return db.SeekGreaterOrEqual(patient);
}

std::unique_ptr<platform::IBeamSocket> ConnectRaw(platform::IBeamTransport& transport) {
  std::unique_ptr<platform::IBeamConnector> connector = transport.CreateConnector();
  if (!connector) {
    return nullptr;
  }
  std::unique_ptr<platform::IBeamSocket> socket;
  WaitUntil([&] {
    if (connector->Discover() == platform::IBeamConnector::Probe::kFound) {
      socket = connector->Connect();
    }
    return socket != nullptr;
  });
  return socket;
}

std::unique_ptr<platform::IBeamSocket> AcceptRaw(platform::IBeamTransport& transport) {
  std::unique_ptr<platform::IBeamListener> listener = transport.Listen();
  std::unique_ptr<platform::IBeamSocket> socket;
  if (listener) {
    WaitUntil([&] { return (socket = listener->Accept()) != nullptr; });
  }
  return socket;
}

bool WriteRaw(platform::IBeamSocket& socket, const std::vector<uint8_t>& bytes) {
  size_t done = 0;
  WaitUntil([&] {
    const ptrdiff_t moved = socket.Send(bytes.data() + done, bytes.size() - done, 5);
    if (moved < 0) {
      return true;
    }
    done += static_cast<size_t>(moved);
    return done == bytes.size();
  });
  return done == bytes.size();
}

bool ReadRaw(platform::IBeamSocket& socket, size_t count, std::vector<uint8_t>& out) {
  out.assign(count, 0);
  size_t done = 0;
  bool broken = false;
  WaitUntil([&] {
    const ptrdiff_t moved = socket.Receive(out.data() + done, count - done, 5);
    broken = moved < 0;
    done += moved > 0 ? static_cast<size_t>(moved) : 0;
    return broken || done == count;
  });
  return done == count;
}

std::vector<uint8_t> U32(uint32_t value) {
  std::vector<uint8_t> bytes;
  bytes::Writer(bytes).WriteU32(value);
  return bytes;
}

std::vector<uint8_t> Frame(const std::vector<uint8_t>& record) {
  std::vector<uint8_t> bytes = U32(static_cast<uint32_t>(record.size()));
  bytes.insert(bytes.end(), record.begin(), record.end());
  return bytes;
}

std::vector<uint8_t> SerializedPatient(const QString& first, const QString& last) {
  CDBPatient patient;
  patient.firstName = first;
  patient.lastName = last;
  patient.name = CDBPatient::MakeFullName(first, last);
  patient.patientType = QStringLiteral("Clinic");
  std::vector<uint8_t> bytes;
  patient.Serialize(bytes);
  return bytes;
}

bool WaitUntil(const std::function<bool()>& done, int maxMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(maxMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) {
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace beam_test
