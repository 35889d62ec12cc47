#pragma once

#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <vector>

#include "beam/CBeamEngine.h"
#include "platform/BeamTransportMemory.h"
#include "platform/BeamTransportTcp.h"
#include "platform/Device.h"

// Failed expectations show texts as text.
inline void PrintTo(const QString& text, std::ostream* os) {
  *os << '"' << text.toStdString() << '"';
}

// What the beam tests share: a progress that records what the engine showed, devices driven from
// their own threads, transports for both sides, seeded patients and a snapshot of a patient's
// records to compare two devices by.
namespace beam_test {

struct Status {
  QString text;
  bool error = false;
};

class RecordingProgress : public IBeamProgress {
 public:
  bool SetStatus(const QString& text, bool error) override;
  void SetItemProgress(uint32_t position, uint32_t range) override;
  void SetOverallProgress(uint32_t position, uint32_t range) override;
  void SetOverallText(const QString& text) override;
  void SetPeer(const QString& name) override { peer = name; }
  bool IsCancelled() override;
  void WaitForDone() override { ++doneWaits; }
  bool Done() const { return doneWaits.load() > 0; }

  QString LastStatus() const { return statuses.empty() ? QString() : statuses.back().text; }
  bool LastStatusIsError() const { return !statuses.empty() && statuses.back().error; }
  bool Showed(const QString& text) const;

  std::vector<Status> statuses;
  std::vector<QString> overallTexts;
  QString peer;
  uint32_t lastItemPosition = 0;
  std::atomic<int> doneWaits{0};
  // Asked by IsCancelled; no cancel when empty.
  std::function<bool()> cancel;
  // Called on every item progress step, after it is recorded.
  std::function<void(uint32_t position)> onItem;
};

// Short real waits, so that polls and retries cost little.
CBeamEngine::Timing FastTiming();

// Runs f on its own thread with its own connection to the device folder made current there.
class DeviceThread {
 public:
  DeviceThread(const QString& folder, std::function<void()> work);
  ~DeviceThread();
  void Join();

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
};

// Runs f with the device folder current on the calling thread.
void OnDevice(const QString& folder, const std::function<void()>& f);

// The two sides' transports: the same in-memory link, or TCP on loopback with an ephemeral port.
class TransportPair {
 public:
  virtual ~TransportPair() = default;
  virtual platform::IBeamTransport& Receiver() = 0;
  // May wait until the receiver listens (to learn its port).
  virtual platform::IBeamTransport& Sender() = 0;
};

class MemoryPair : public TransportPair {
 public:
  platform::IBeamTransport& Receiver() override { return link; }
  platform::IBeamTransport& Sender() override { return link; }
  platform::MemoryBeamTransport link;
};

class TcpPair : public TransportPair {
 public:
  TcpPair();
  platform::IBeamTransport& Receiver() override { return *m_receiver; }
  platform::IBeamTransport& Sender() override;

 private:
  std::unique_ptr<platform::TcpBeamTransport> m_receiver;
  std::unique_ptr<platform::TcpBeamTransport> m_sender;
};

std::unique_ptr<TransportPair> MakePair(bool tcp);

// Both sides of one transfer: the receiver on one device, the sender (send) on the other.
struct TransferResult {
  RecordingProgress sender;
  RecordingProgress receiver;
  bool sent = false;
  bool received = false;
};
// while the two run, the calling thread runs during (when given).
void RunTransfer(TransportPair& pair, const QString& senderFolder, const QString& receiverFolder,
                 const std::function<bool(CBeamEngine&)>& send, TransferResult& result,
                 const std::function<void()>& during = {});

// A patient "Last, First" of type "Hospital"; desktopId and accessState when received is set.
void AddPatient(const QString& first, const QString& last, int32_t desktopId = 0,
                int32_t accessState = 0);
// One record of each chart kind for the patient, all made on this device, each kind's texts
// marked with tag; count times over (each at its own minute).
void AddRecordsOfEveryKind(const QString& patient, const QString& tag, int count = 1);
// One record of a kind (2-7) marked as received from the desktop with that desktopId.
void AddSyncedRecord(const QString& patient, uint8_t kind, int32_t desktopId, int minute);

// The serialised form of the patient and of each of its records, kind by kind in store order.
struct Snapshot {
  std::vector<uint8_t> patient;
  std::vector<std::vector<std::vector<uint8_t>>> sections;  // by section, in wire order
  size_t RecordCount() const;
  friend bool operator==(const Snapshot&, const Snapshot&) = default;
};
Snapshot TakeSnapshot(const QString& patient);

// The record id of the patient's first record of a kind (0 when none).
platform::RecordId FirstRecordId(const QString& patient, uint8_t kind);

// A test-side peer that speaks raw bytes.
std::unique_ptr<platform::IBeamSocket> ConnectRaw(platform::IBeamTransport& transport);
// The receiving side's raw end: listens and accepts one connection.
std::unique_ptr<platform::IBeamSocket> AcceptRaw(platform::IBeamTransport& transport);
bool WriteRaw(platform::IBeamSocket& socket, const std::vector<uint8_t>& bytes);
bool ReadRaw(platform::IBeamSocket& socket, size_t count, std::vector<uint8_t>& out);
// A record frame: the length, then the bytes.
std::vector<uint8_t> Frame(const std::vector<uint8_t>& record);
std::vector<uint8_t> U32(uint32_t value);
// A serialised patient, made without any store.
std::vector<uint8_t> SerializedPatient(const QString& first, const QString& last);

// Waits, in real time but boundedly, until done answers true.
bool WaitUntil(const std::function<bool()>& done, int maxMs = 20000);

}  // namespace beam_test
