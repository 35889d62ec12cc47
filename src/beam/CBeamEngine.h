#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "beam/CBeamRecord.h"
#include "beam/IBeamProgress.h"
#include "platform/BeamTransport.h"

// Transfer kinds: the first byte that a sender sends on a connection.
namespace beam {

enum TransferKind : uint8_t {
  kCategoriesTransfer = 1,  // every category entry and every favourite medication
  kRecordTransfer = 2,      // one record (not a patient) with its patient
  kPatientTransfer = 3,     // one patient with all of its records
  kPatientsTransfer = 4,    // several patients, each with all of its records
};

// A record frame longer than this is refused before anything is allocated for it; the largest
// record a store makes is far smaller.
constexpr uint32_t kMaxFrameLength = 16u * 1024 * 1024;
// The six sections of a patient block, in wire order, by record type code; the section labels
// are the string ids from kBeamSectionFirst on, in the same order.
constexpr uint8_t kSectionOrder[6] = {kLabRecord,  kMedRecord,  kNoteRecord,
                                      kTestRecord, kTodoRecord, kVitalsRecord};

// The longest text of a category block that a receiver accepts, in UTF-16 units.
constexpr uint32_t kMaxCategoryTextUnits = 1024 * 1024;

// Acknowledgements of a record frame: filed, or refused because the receiving device could not
// decode or store the record. Peers that ignore the value read both as "go on". A patient filed
// into a patient that this transfer filed before (their names differ only in letter case, which
// the patient store does not tell apart) is acknowledged as merged; a peer that knows only the
// first two values reads it as filed.
constexpr uint32_t kFrameFiled = 1;
constexpr uint32_t kFrameRefused = 0;
constexpr uint32_t kFrameMerged = 2;

// The idle limit. Besides the rule that 5000 ms without any byte moving ends a transfer, every
// field of the protocol (a count, a marker, a frame's length, its bytes, an acknowledgement) must
// move whole within kFieldAllowanceMs plus one second for every kFieldBytesPerSecond bytes it
// holds: a peer that trickles a byte now and then cannot keep a transfer alive.
constexpr uint32_t kFieldAllowanceMs = 5000;
constexpr uint32_t kFieldBytesPerSecond = 4096;

// What became of one record frame.
enum class FrameResult {
  kFiled,    // moved, and the receiving device stored it
  kRefused,  // moved, and the receiving device could not decode or store it
  kBroken,   // the connection failed (or the sending side could not serialise it)
};

}  // namespace beam

// The beam engine: runs one transfer, sending or receiving, over a stream transport, and reports
// through a progress object. Everything happens on the calling thread; the transfer waits for the
// other device in short steps and looks for a cancel at every status update, at every discovery or
// accept poll.
//
// On the wire every integer is little-endian; see docs/beam-protocol.md for the whole format.
class CBeamEngine {
 public:
  using Socket = std::unique_ptr<platform::IBeamSocket>;

  // The engine's waits. The defaults are the device's; tests shorten them.
  struct Timing {
    // Pause between two discovery probes and between two accept polls.
    int pollPauseMs = 100;
    // Longest wait of one socket move, and the pause after a move that failed, before the
    // no-progress rule is checked again.
    int ioWaitMs = 20;
    // Sleeps for that many milliseconds; empty = the thread sleeps.
    std::function<void(int)> sleep;
    // The longest a whole transfer may take on the device clock, from ReceiveBeam or OpenBeam on;
    // 0 = no limit. Past it, the next move of bytes fails.
    uint32_t transferLimitMs = 0;
  };

  CBeamEngine(IBeamProgress& progress, platform::IBeamTransport& transport);
  CBeamEngine(IBeamProgress& progress, platform::IBeamTransport& transport, Timing timing);

  // The receiving side, whole: listens, accepts one sender, files what it sends and finishes.
  // True when the transfer completed.
  bool ReceiveBeam();
  // The whole sending side of a category transfer. True when every entry was sent.
  bool BeamCategories();
  // Starts a sending transfer: shows the progress, finds the receiver, connects and sends the
  // header. nullptr when that failed (the transfer is then finished).
  Socket OpenBeam(uint8_t kind, uint32_t count, bool showOverall,
                  std::optional<uint32_t> shownCount = std::nullopt);
  // The body of a record or patient transfer after OpenBeam, then FinishBeam.
  bool BeamRecord(platform::IBeamSocket& socket, CBeamRecord& record);
  // One patient block: the patient held by record, then all six sections of its records. The
  // holder walks the sections, so it no longer holds the patient afterwards. False when the block
  // broke off, or when it went over whole but the receiver refused some of its records (then
  // RefusedCount() has grown and the connection can carry the next block).
  bool BeamPatient(platform::IBeamSocket& socket, CBeamRecord& record, bool finish);
  // Ends the transfer: "Done", then waits for the user to close the progress.
  void FinishBeam();

  bool Finished() const { return m_finished; }
  // Whether the transfer ended because its time limit (Timing::transferLimitMs) passed.
  bool TimedOut() const { return m_timedOut; }
  // Records of this transfer that the receiving device refused (sending side).
  uint32_t RefusedCount() const { return m_refused; }
  // Patients of this transfer merged into a patient the same transfer filed before (both sides).
  uint32_t MergedCount() const { return m_merged; }
  IBeamProgress& Progress() { return m_progress; }

  // Internal steps, public so that the checkout sending loop and tests can drive them.
  Socket ConnectBeam();
  // Waits until the connection may carry a transfer (a secure one has checked the other device)
  // and shows which paired device is on the other end. False, with the reason shown, when the
  // connection was refused or the user cancelled.
  bool OpenConnection(platform::IBeamSocket& socket);
  // Sends a record frame and reads its acknowledgement.
  beam::FrameResult SendFrame(platform::IBeamSocket& socket, CBeamRecord& record);
  // Receives a record frame, files it, and acknowledges it: kFrameFiled when it was stored,
  // kFrameRefused when it could not be decoded or stored.
  beam::FrameResult ReceiveFrame(platform::IBeamSocket& socket, CBeamRecord& record);
  bool SendAll(platform::IBeamSocket& socket, const uint8_t* bytes, size_t length);
  bool ReceiveAll(platform::IBeamSocket& socket, uint8_t* bytes, size_t length);
  bool SendPatientByName(platform::IBeamSocket& socket, const QString& name);
  bool ReceiveCategories(platform::IBeamSocket& socket);
  bool ReceiveRecord(platform::IBeamSocket& socket);
  // One patient block: true when it arrived and every record of it was stored. complete (when
  // given) tells a block that arrived whole with records refused (false, complete false, stream
  // still in step) from a broken one.
  bool ReceivePatient(platform::IBeamSocket& socket, bool* intact = nullptr);
  bool ReceivePatients(platform::IBeamSocket& socket);

  // Whether more than ms milliseconds of the device clock passed since stamp; stamp is then
  // moved to now. A stamp of 0 is armed with now (not elapsed). A clock that went back re-arms the
  // stamp, so a wait neither ends early nor hangs when the clock is set back.
  static bool TimeElapsed(uint64_t& stamp, uint32_t milliseconds);

 private:
  bool SendU8(platform::IBeamSocket& socket, uint8_t value);
  bool SendU32(platform::IBeamSocket& socket, uint32_t value);
  bool ReceiveU8(platform::IBeamSocket& socket, uint8_t& value);
  bool ReceiveU32(platform::IBeamSocket& socket, uint32_t& value);
  bool ReceiveText(platform::IBeamSocket& socket, uint32_t units, QString& text);
  bool ReceiveCountedText(platform::IBeamSocket& socket, QString& text);
  bool SendText(platform::IBeamSocket& socket, const QString& text);
  bool SendCategory(platform::IBeamSocket& socket, uint16_t type, const QString& text);
  // The per-record progress step of a patient block; true when the user cancelled.
  bool RecordProgress(int stringId, const QString& name, uint32_t index, uint32_t total,
                      uint32_t sectionIndex, uint32_t sectionCount, const QString& label);
  // One step of the category walks; true when the user cancelled (the cancel text is shown).
  bool CategoryProgress(bool sending, uint64_t& stamp, uint64_t done, uint64_t total);
  void Pause(int milliseconds);
  // Starts the clock of Timing::transferLimitMs and forgets the previous transfer's counts.
  void StartTransfer();
  bool TransferTimeUp();
  // The loop of SendAll and ReceiveAll: move(done) moves part of the rest and answers the bytes
  // moved, 0 for none yet, or a negative number when the connection failed.
  bool MoveAll(size_t length, const std::function<ptrdiff_t(size_t done)>& move);

  IBeamProgress& m_progress;
  platform::IBeamTransport& m_transport;
  Timing m_timing;
  bool m_finished = false;
  bool m_timedOut = false;
  uint64_t m_transferStart = 0;
  uint32_t m_refused = 0;
  uint32_t m_merged = 0;
  // The patients this transfer filed (receiving side), by their case-folded names.
  std::set<QString> m_filedPatients;
};
