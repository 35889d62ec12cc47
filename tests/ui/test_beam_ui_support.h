#pragma once

// What the beam widget tests share: patients with records of every kind, a snapshot of a
// patient's records to compare two devices by, and the other device of a transfer, run by the
// engine on a thread of its own over an in-memory link that the program's commands also use.

#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "beam/CBeamEngine.h"
#include "beam/CBeamRecord.h"
#include "beam/ui/BeamTransportChoice.h"
#include "common/CDBPatient.h"
#include "platform/BeamTransportMemory.h"
#include "platform/Device.h"
#include "platform/Registry.h"
#include "store/CDBLabValues.h"
#include "store/CDBMeds.h"
#include "store/CDBNotes.h"
#include "store/CDBTest.h"
#include "store/CDBToDo.h"
#include "store/CDBVitals.h"
#include "support/TestTime.h"

namespace beam_ui_test {

// A patient "Last, First" of type "Clinic"; a nonzero desktopId makes it one that the desktop
// has synchronised (read/write).
inline QString AddPatient(const QString& first, const QString& last, int32_t desktopId = 0) {
  CDBPatient patient;
  patient.firstName = first;
  patient.lastName = last;
  patient.patientType = QStringLiteral("Clinic");
  patient.mrNumber = QStringLiteral("MR-") + last;
  patient.room = QStringLiteral("12");
  patient.desktopId = desktopId;
  patient.accessState = desktopId != 0 ? 2 : 0;
  EXPECT_TRUE(patient.CreateRecord(desktopId != 0));
  return patient.name;
}

// One record of each chart kind for the patient, its texts marked with tag.
inline void AddRecordsOfEveryKind(const QString& patient, const QString& tag) {
  const FILETIME at = test_time::At(2024, 3, 14, 8, 30);
  CDBLabValues labs;
  labs.patient = patient;
  labs.date = labs.time = at;
  labs.group = QStringLiteral("Chem7 ") + tag;
  labs.values = QStringLiteral("Na\n140\nK\n4.1\n");
  EXPECT_TRUE(labs.AddNew(false));
  CDBMeds meds;
  meds.patient = patient;
  meds.drug = QStringLiteral("Drug ") + tag;
  meds.dose = QStringLiteral("10 mg");
  meds.trackDays = QStringLiteral("No");
  meds.startDate = at;
  EXPECT_TRUE(meds.AddNew(false));
  CDBNotes notes;
  notes.patient = patient;
  notes.date = notes.time = at;
  notes.noteText = QStringLiteral("Note ") + tag;
  EXPECT_TRUE(notes.AddNew(false));
  CDBTest tests;
  tests.patient = patient;
  tests.date = tests.time = at;
  tests.test = QStringLiteral("CXR ") + tag;
  EXPECT_TRUE(tests.AddNew(false));
  CDBToDo todos;
  todos.patient = patient;
  todos.flags = 2;
  todos.text = QStringLiteral("Todo ") + tag;
  todos.note = QStringLiteral("note");
  EXPECT_NE(todos.AddNew(false), 0u);
  CDBVitals vitals;
  vitals.patient = patient;
  vitals.date = vitals.time = at;
  vitals.values = QStringLiteral("BP\n120/80\n");
  EXPECT_TRUE(vitals.AddNew(false));
}

// The serialised patient and its records, kind by kind, as the current device holds them.
inline std::vector<std::vector<uint8_t>> Snapshot(const QString& patient) {
  std::vector<std::vector<uint8_t>> records;
  CBeamRecord record;
  if (record.FindPatient(patient)) {
    record.SerializeRecord(records.emplace_back());
  }
  for (uint8_t kind : beam::kSectionOrder) {
    for (bool found = record.FirstOf(kind, patient); found; found = record.NextOf(kind, patient)) {
      record.SerializeRecord(records.emplace_back());
    }
  }
  return records;
}

// The same for a device folder other than the current one.
inline std::vector<std::vector<uint8_t>> SnapshotOn(const QString& folder, const QString& patient) {
  platform::Device device(folder);
  platform::DeviceScope scope(device);
  return Snapshot(patient);
}

inline void SetRegistryText(platform::Hive hive, const char* key, const char* name,
                            const QString& value) {
  platform::RegistryKey opened;
  ASSERT_TRUE(opened.Create(hive, QString::fromLatin1(key)));
  ASSERT_TRUE(opened.SetString(QString::fromLatin1(name), value));
}

// With the desktop companion installed, records never synchronised are not beamed.
inline void InstallDesktopCompanion() {
  SetRegistryText(platform::Hive::LocalMachine, "Software\\Apps\\Quillfen, Inc. Ovelin",
                  "DCVersion", QStringLiteral("4.0"));
}

// The engine's progress on the other device: the texts it showed.
class TextProgress : public IBeamProgress {
 public:
  bool SetStatus(const QString& text, bool /*error*/) override {
    last = text;
    return false;
  }
  void SetItemProgress(uint32_t, uint32_t) override {}
  void SetOverallProgress(uint32_t, uint32_t) override {}
  void SetOverallText(const QString& text) override { overall = text; }
  bool IsCancelled() override { return stop.load(); }
  void WaitForDone() override {}

  QString last;
  QString overall;
  std::atomic<bool> stop{false};
};

// The in-memory link between the program's beam commands and the other device: while it lives,
// the commands use it instead of TCP. The other device runs on its own thread with its own
// connection to its folder.
class OtherDevice {
 public:
  explicit OtherDevice(const QString& folder) : m_folder(folder) {
    beam_ui::SetTransportFactory([this] { return std::make_unique<Forward>(*this); });
  }
  ~OtherDevice() {
    progress.stop = true;
    Join();
    beam_ui::SetTransportFactory({});
  }

  // The other device waits for the program's transfer.
  void Receive() {
    Run([this](CBeamEngine& engine) { result = engine.ReceiveBeam(); });
  }
  // The other device sends with send, once the program listens.
  void Send(std::function<bool(CBeamEngine&)> send) {
    Run([this, send = std::move(send)](CBeamEngine& engine) { result = send(engine); });
  }
  void Join() {
    if (m_thread.joinable()) {
      m_thread.join();
    }
  }

  platform::MemoryBeamTransport link;
  TextProgress progress;
  std::atomic<bool> result{false};
  // Connections the program tried to make (each sending transfer makes one connector).
  std::atomic<int> connectorsMade{0};

 private:
  // The program's transport for one transfer: the shared link.
  class Forward : public platform::IBeamTransport {
   public:
    explicit Forward(OtherDevice& to) : m_to(to) {}
    std::unique_ptr<platform::IBeamConnector> CreateConnector() override {
      ++m_to.connectorsMade;
      return m_to.link.CreateConnector();
    }
    std::unique_ptr<platform::IBeamListener> Listen() override { return m_to.link.Listen(); }

   private:
    OtherDevice& m_to;
  };

  void Run(std::function<void(CBeamEngine&)> work) {
    m_thread = std::thread([this, work = std::move(work)] {
      platform::Device device(m_folder);
      device.Prepare();
      platform::DeviceScope scope(device);
      CBeamEngine::Timing timing;
      timing.pollPauseMs = 2;
      timing.ioWaitMs = 2;
      CBeamEngine engine(progress, link, timing);
      work(engine);
    });
  }

  QString m_folder;
  std::thread m_thread;
};

}  // namespace beam_ui_test
