#include <array>

#include "beam/CBeamEngine.h"
#include "common/CDBPatient.h"
#include "common/StringIds.h"
#include "common/StringTable.h"

namespace {

constexpr size_t kSectionCount = std::size(beam::kSectionOrder);
constexpr uint32_t kSearchRange = 100;

QString SectionLabel(size_t section) {
  return strings::Load(ids::kBeamSectionFirst + static_cast<int>(section));
}

// A section's expected count as the error text shows it: the number, or "unknown" when the
// count never arrived.
QString CountText(int64_t count) {
  return count < 0 ? strings::Load(ids::kBeamUnknownCount)
                   : strings::FormatId(ids::kBeamCount, count);
}

}  // namespace

bool CBeamEngine::ReceiveBeam() {
  StartTransfer();
  m_progress.Show();
  m_progress.SetStatusId(ids::kBeamSearchingForSender, false);

  std::unique_ptr<platform::IBeamListener> listener = m_transport.Listen();
  if (!listener || m_progress.IsCancelled()) {
    m_progress.SetStatusId(ids::kBeamConnectError, true);
    listener.reset();
    FinishBeam();
    return false;
  }
  m_progress.SetItemProgress(0, kSearchRange);
  Socket socket;
  for (uint32_t c = 0; !(socket = listener->Accept());) {
    m_progress.SetItemProgress(c, 0);
    c = (c + 1) % kSearchRange;
    if (m_progress.IsCancelled()) {
      m_progress.SetStatusId(ids::kBeamConnectError, true);
      listener.reset();
      FinishBeam();
      return false;
    }
    Pause(m_timing.pollPauseMs);
  }
  listener.reset();  // one sender per transfer
  if (!OpenConnection(*socket)) {
    socket.reset();
    FinishBeam();
    return false;
  }

  bool received = false;
  uint8_t kind = 0;
  if (!ReceiveU8(*socket, kind)) {
    m_progress.SetStatusId(ids::kBeamReceiveError, true);
  } else if (kind == beam::kCategoriesTransfer) {
    received = ReceiveCategories(*socket);
  } else if (kind == beam::kRecordTransfer) {
    received = ReceiveRecord(*socket);
  } else if (kind == beam::kPatientTransfer) {
    received = ReceivePatient(*socket);
  } else if (kind == beam::kPatientsTransfer) {
    received = ReceivePatients(*socket);
  } else {
    m_progress.SetStatus(strings::FormatId(ids::kBeamUnknownKind, kind), true);
  }
  socket.reset();
  FinishBeam();
  return received;
}

bool CBeamEngine::ReceiveRecord(platform::IBeamSocket& socket) {
  m_progress.SetItemProgress(0, 2);
  m_progress.SetStatusId(ids::kBeamReceivingPatientInfo, false);
  CBeamRecord record;
  const beam::FrameResult patient = ReceiveFrame(socket, record);
  beam::FrameResult filed = patient;
  if (patient != beam::FrameResult::kBroken) {
    m_progress.SetItemProgress(1, 0);
    filed = ReceiveFrame(socket, record);
  }
  // A record of a patient that could not be stored is refused as well: its patient is unknown.
  if (patient == beam::FrameResult::kRefused && filed != beam::FrameResult::kBroken) {
    filed = beam::FrameResult::kRefused;
  }
  const int status = filed == beam::FrameResult::kFiled     ? ids::kBeamRecordReceived
                     : filed == beam::FrameResult::kRefused ? ids::kBeamRecordNotStored
                                                            : ids::kBeamReceiveError;
  m_progress.SetStatusId(status, filed != beam::FrameResult::kFiled);
  m_progress.SetItemProgress(2, 0);
  return filed == beam::FrameResult::kFiled;
}

bool CBeamEngine::ReceivePatient(platform::IBeamSocket& socket, bool* intact) {
  std::array<int64_t, kSectionCount> expected;
  expected.fill(-1);
  std::array<uint32_t, kSectionCount> received{};
  uint32_t index = 0;
  uint32_t refused = 0;
  QString name;
  if (intact) {
    *intact = false;
  }

  const auto failEarly = [&] {
    m_progress.SetStatusId(ids::kBeamReceiveError, true);
    return false;
  };
  const auto failLate = [&] {
    m_progress.SetStatus(
        strings::FormatId(ids::kBeamPatientReceiveError, name, received[0], CountText(expected[0]),
                          received[1], CountText(expected[1]), received[2], CountText(expected[2]),
                          received[3], CountText(expected[3]), received[4], CountText(expected[4]),
                          received[5], CountText(expected[5])),
        true);
    return false;
  };

  if (m_progress.SetStatusId(ids::kBeamReceivingPatientInfo, false)) {
    return failEarly();
  }
  m_progress.SetItemProgress(0, 100);
  // The records of this block belong to the patient of this block only: should the patient not be
  // filed, its records are refused instead of landing with the patient received before it.
  CDBPatient::ResetLastPatientWritten();
  CBeamRecord record;
  const beam::FrameResult patient = ReceiveFrame(socket, record);
  if (patient == beam::FrameResult::kBroken) {
    return failEarly();
  }
  name = record.GetPatientName();
  uint32_t total = 0;
  if (!ReceiveU32(socket, total)) {
    return failEarly();
  }
  m_progress.SetItemProgress(0, total);

  for (size_t s = 0; s < kSectionCount; ++s) {
    uint32_t count = 0;
    if (!ReceiveU32(socket, count)) {
      return failLate();
    }
    expected[s] = count;
    const QString label = SectionLabel(s);
    uint8_t marker = 0;
    if (!ReceiveU8(socket, marker)) {
      return failLate();
    }
    while (marker != 0) {
      const beam::FrameResult frame = ReceiveFrame(socket, record);
      if (frame == beam::FrameResult::kBroken) {
        return failLate();
      }
      // Counted as soon as it is filed, so that a failure on the next marker still counts it; a
      // refused record is not received.
      ++index;
      if (frame == beam::FrameResult::kFiled) {
        ++received[s];
      } else {
        ++refused;
      }
      if (!ReceiveU8(socket, marker)) {
        return failLate();
      }
      if (RecordProgress(ids::kBeamReceivingRecordsProgress, name, index, total, received[s], count,
                         label)) {
        return failLate();
      }
    }
  }
  if (intact) {
    *intact = true;
  }
  if (patient == beam::FrameResult::kRefused) {
    m_progress.SetStatus(strings::FormatId(ids::kBeamPatientNotStored, name), true);
    return false;
  }
  if (refused != 0) {
    return failLate();  // the counts say how many of each kind were stored
  }
  m_progress.SetStatus(strings::FormatId(ids::kBeamPatientReceived, name), false);
  return true;
}

bool CBeamEngine::ReceivePatients(platform::IBeamSocket& socket) {
  uint32_t count = 0;
  if (!ReceiveU32(socket, count)) {
    m_progress.SetStatusId(ids::kBeamReceiveError, true);
    return false;
  }
  m_progress.SetOverallText(strings::FormatId(ids::kBeamReceivingPatients, 1, count));
  m_progress.SetOverallProgress(0, count);
  uint64_t whole = 0;
  for (uint64_t p = 1; p <= count; ++p) {
    m_progress.SetOverallText(strings::FormatId(ids::kBeamReceivingPatients, p, count));
    m_progress.SetOverallProgress(static_cast<uint32_t>(p), 0);
    bool intact = false;
    if (ReceivePatient(socket, &intact)) {
      ++whole;
    } else if (!intact) {
      m_progress.SetOverallText(strings::FormatId(ids::kBeamReceiveFailedAfter, p - 1, count));
      return false;
    }
    // A patient with refused records arrived all the same: the transfer goes on with the next.
  }
  if (whole != count) {
    m_progress.SetOverallText(strings::FormatId(ids::kBeamPatientsIncomplete, whole, count));
    m_progress.SetStatusId(ids::kBeamRecordsNotStored, true);
    return false;
  }
  m_progress.SetOverallText(
      m_merged == 0 ? strings::FormatId(ids::kBeamReceivedPatients, count, count)
                    : strings::FormatId(ids::kBeamReceivedPatientsMerged, count, count, m_merged));
  m_progress.SetStatusId(ids::kBeamSuccess, false);
  return true;
}
