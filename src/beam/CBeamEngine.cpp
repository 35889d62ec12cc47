#include "beam/CBeamEngine.h"

#include <chrono>
#include <new>
#include <thread>

#include "common/ByteStream.h"
#include "common/CDBPatient.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "platform/Clock.h"

namespace {

// Paces the per-record status texts of every transfer run on this thread (the program runs its
// transfers one after the other on its user-interface thread).
thread_local uint64_t t_recordStatusStamp = 0;

constexpr uint32_t kSearchRange = 100;
constexpr uint32_t kNoProgressMs = 5000;
constexpr uint32_t kProgressMs = 100;

}  // namespace

CBeamEngine::CBeamEngine(IBeamProgress& progress, platform::IBeamTransport& transport)
    : CBeamEngine(progress, transport, Timing{}) {}

CBeamEngine::CBeamEngine(IBeamProgress& progress, platform::IBeamTransport& transport,
                         Timing timing)
    : m_progress(progress),
      m_transport(transport),
      m_timing(std::move(timing)),
      m_transferStart(filetime::ToTicks(clock_source::Now())) {}

bool CBeamEngine::TimeElapsed(uint64_t& stamp, uint32_t milliseconds) {
  const uint64_t now = filetime::ToTicks(clock_source::Now());
  if (stamp == 0 || now < stamp) {
    stamp = now;
    return false;
  }
  if (now - stamp > milliseconds * filetime::kTicksPerMillisecond) {
    stamp = now;
    return true;
  }
  return false;
}

void CBeamEngine::StartTransfer() {
  m_finished = false;
  m_timedOut = false;
  m_refused = 0;
  m_merged = 0;
  m_filedPatients.clear();
  m_transferStart = filetime::ToTicks(clock_source::Now());
  CDBPatient::ResetLastPatientWritten();
}

bool CBeamEngine::TransferTimeUp() {
  if (m_timing.transferLimitMs == 0) {
    return false;
  }
  const uint64_t now = filetime::ToTicks(clock_source::Now());
  if (now >= m_transferStart &&
      now - m_transferStart > m_timing.transferLimitMs * filetime::kTicksPerMillisecond) {
    m_timedOut = true;
  }
  return m_timedOut;
}

void CBeamEngine::Pause(int milliseconds) {
  if (milliseconds <= 0) {
    return;
  }
  if (m_timing.sleep) {
    m_timing.sleep(milliseconds);
  } else {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
}

// SendAll and ReceiveAll give up after 5000 ms in which nothing moved (every byte that moves starts
// that wait again), once the field's own allowance has passed (see kFieldAllowanceMs), or once the
// transfer's time limit has. A failed move (the connection closed or broke) is retried like a move
// that found nothing to do, after a short pause instead of at once.
bool CBeamEngine::SendAll(platform::IBeamSocket& socket, const uint8_t* bytes, size_t length) {
  return MoveAll(length, [&](size_t done) {
    return socket.Send(bytes + done, length - done, m_timing.ioWaitMs);
  });
}

bool CBeamEngine::ReceiveAll(platform::IBeamSocket& socket, uint8_t* bytes, size_t length) {
  return MoveAll(length, [&](size_t done) {
    return socket.Receive(bytes + done, length - done, m_timing.ioWaitMs);
  });
}

bool CBeamEngine::MoveAll(size_t length, const std::function<ptrdiff_t(size_t done)>& move) {
  uint64_t stamp = 0;
  TimeElapsed(stamp, kProgressMs);
  const uint64_t fieldStart = filetime::ToTicks(clock_source::Now());
  const uint64_t allowanceTicks =
      (beam::kFieldAllowanceMs + length * 1000 / beam::kFieldBytesPerSecond) *
      filetime::kTicksPerMillisecond;
  for (size_t done = 0; done < length;) {
    // A peer that trickles is cut off when the field's allowance is spent, however often a byte
    // arrives; a clock set back does not end the field early.
    const uint64_t now = filetime::ToTicks(clock_source::Now());
    if (TransferTimeUp() || (now >= fieldStart && now - fieldStart > allowanceTicks)) {
      return false;
    }
    const ptrdiff_t moved = move(done);
    if (moved > 0) {
      stamp = 0;
      TimeElapsed(stamp, kProgressMs);
      done += static_cast<size_t>(moved);
      continue;
    }
    if (TimeElapsed(stamp, kNoProgressMs)) {
      return false;
    }
    if (moved < 0) {
      Pause(m_timing.ioWaitMs);
    }
  }
  return true;
}

bool CBeamEngine::SendU8(platform::IBeamSocket& socket, uint8_t value) {
  return SendAll(socket, &value, 1);
}

bool CBeamEngine::SendU32(platform::IBeamSocket& socket, uint32_t value) {
  std::vector<uint8_t> bytes;
  bytes::Writer(bytes).WriteU32(value);
  return SendAll(socket, bytes.data(), bytes.size());
}

bool CBeamEngine::ReceiveU8(platform::IBeamSocket& socket, uint8_t& value) {
  return ReceiveAll(socket, &value, 1);
}

bool CBeamEngine::ReceiveU32(platform::IBeamSocket& socket, uint32_t& value) {
  uint8_t bytes[4] = {};
  if (!ReceiveAll(socket, bytes, sizeof bytes)) {
    return false;
  }
  return bytes::Reader(bytes, sizeof bytes).ReadU32(value);
}

beam::FrameResult CBeamEngine::SendFrame(platform::IBeamSocket& socket, CBeamRecord& record) {
  std::vector<uint8_t> bytes;
  if (!record.SerializeRecord(bytes) || bytes.size() > beam::kMaxFrameLength) {
    return beam::FrameResult::kBroken;
  }
  uint32_t acknowledgement = 0;
  if (!SendU32(socket, static_cast<uint32_t>(bytes.size())) ||
      !SendAll(socket, bytes.data(), bytes.size()) || !ReceiveU32(socket, acknowledgement)) {
    return beam::FrameResult::kBroken;
  }
  if (acknowledgement == beam::kFrameRefused) {
    ++m_refused;
    return beam::FrameResult::kRefused;
  }
  if (acknowledgement == beam::kFrameMerged) {
    ++m_merged;
  }
  return beam::FrameResult::kFiled;
}

beam::FrameResult CBeamEngine::ReceiveFrame(platform::IBeamSocket& socket, CBeamRecord& record) {
  uint32_t length = 0;
  // A length beyond any record fails at once: nothing is allocated for it and no time is spent
  // waiting for bytes that a sound sender would never send.
  if (!ReceiveU32(socket, length) || length > beam::kMaxFrameLength) {
    return beam::FrameResult::kBroken;
  }
  std::vector<uint8_t> bytes;
  try {
    bytes.resize(length);
  } catch (const std::bad_alloc&) {
    return beam::FrameResult::kBroken;
  }
  if (!ReceiveAll(socket, bytes.data(), bytes.size())) {
    return beam::FrameResult::kBroken;
  }
  // The record is stored (durably) before it is acknowledged; one that cannot be decoded or
  // stored is acknowledged as refused, and the transfer goes on with the next.
  const bool filed = record.WriteRecord(bytes.data(), bytes.size());
  uint32_t acknowledgement = filed ? beam::kFrameFiled : beam::kFrameRefused;
  // A patient filed under the name of one filed before in this transfer joined that one: the
  // counts on both sides say so instead of counting two patients where one is on file.
  if (filed && record.Type() == beam::kPatientRecord &&
      !m_filedPatients.insert(CDBPatient::LastPatientWritten().toCaseFolded()).second) {
    ++m_merged;
    acknowledgement = beam::kFrameMerged;
  }
  if (!SendU32(socket, acknowledgement)) {
    return beam::FrameResult::kBroken;
  }
  return filed ? beam::FrameResult::kFiled : beam::FrameResult::kRefused;
}

CBeamEngine::Socket CBeamEngine::ConnectBeam() {
  m_progress.SetStatusId(ids::kBeamSearchingForReceiver, false);
  m_progress.SetItemProgress(0, kSearchRange);
  std::unique_ptr<platform::IBeamConnector> connector = m_transport.CreateConnector();
  if (!connector) {
    m_progress.SetStatusId(ids::kBeamConnectError, true);
    return nullptr;
  }
  for (uint32_t c = 0;;) {
    const platform::IBeamConnector::Probe probe = connector->Discover();
    if (probe == platform::IBeamConnector::Probe::kFailed) {
      break;
    }
    if (probe == platform::IBeamConnector::Probe::kFound) {
      m_progress.SetStatusId(ids::kBeamReceiverContacted, false);
      Socket socket = connector->Connect();
      if (!socket) {
        break;
      }
      return OpenConnection(*socket) ? std::move(socket) : nullptr;
    }
    m_progress.SetItemProgress(c, 0);
    c = (c + 1) % kSearchRange;
    if (m_progress.IsCancelled()) {
      break;
    }
    Pause(m_timing.pollPauseMs);
  }
  m_progress.SetStatusId(ids::kBeamConnectError, true);
  return nullptr;
}

bool CBeamEngine::OpenConnection(platform::IBeamSocket& socket) {
  for (;;) {
    switch (socket.Open(m_timing.ioWaitMs)) {
      case platform::IBeamSocket::Opening::kReady:
        if (const QString peer = socket.PeerName(); !peer.isEmpty()) {
          m_progress.SetPeer(peer);
        }
        return true;
      case platform::IBeamSocket::Opening::kRefused:
        m_progress.SetStatus(QLatin1Char('\n') + socket.Refusal(), true);
        return false;
      case platform::IBeamSocket::Opening::kPending:
        if (m_progress.IsCancelled()) {
          m_progress.SetStatusId(ids::kBeamConnectError, true);
          return false;
        }
        break;
    }
  }
}

CBeamEngine::Socket CBeamEngine::OpenBeam(uint8_t kind, uint32_t count, bool showOverall,
                                          std::optional<uint32_t> shownCount) {
  StartTransfer();
  m_progress.Show();
  if (showOverall) {
    const uint32_t shown = shownCount.value_or(count);
    m_progress.SetOverallText(strings::FormatId(ids::kBeamSendingPatients, QString(), 0, shown));
    m_progress.SetOverallProgress(0, shown);
  }
  Socket socket = ConnectBeam();
  if (!socket) {
    FinishBeam();
    return nullptr;
  }
  bool sent = SendU8(*socket, kind);
  if (count != 0) {
    m_progress.SetItemProgress(0, showOverall ? 100 : count);
  }
  // The kinds that carry a count always send it, also 0: the receiver always reads one.
  if (sent &&
      (count != 0 || kind == beam::kCategoriesTransfer || kind == beam::kPatientsTransfer)) {
    sent = SendU32(*socket, count);
  }
  if (!sent) {
    m_progress.SetStatusId(ids::kBeamSendError, true);
    socket.reset();
    FinishBeam();
    return nullptr;
  }
  return socket;
}

void CBeamEngine::FinishBeam() {
  if (m_finished) {
    return;
  }
  m_finished = true;
  m_progress.WaitForDone();
}

bool CBeamEngine::RecordProgress(int stringId, const QString& name, uint32_t index, uint32_t total,
                                 uint32_t sectionIndex, uint32_t sectionCount,
                                 const QString& label) {
  m_progress.SetItemProgress(index, 0);
  if (!TimeElapsed(t_recordStatusStamp, kProgressMs)) {
    return false;
  }
  const QString text =
      strings::FormatId(stringId, index, total, name, sectionIndex, sectionCount, label);
  return m_progress.SetStatus(text, false);
}
