#include <array>

#include "beam/CBeamEngine.h"
#include "common/StringIds.h"
#include "common/StringTable.h"

namespace {

constexpr size_t kSectionCount = std::size(beam::kSectionOrder);

QString SectionLabel(size_t section) {
  return strings::Load(ids::kBeamSectionFirst + static_cast<int>(section));
}

}  // namespace

bool CBeamEngine::SendPatientByName(platform::IBeamSocket& socket, const QString& name) {
  CBeamRecord patient;
  return patient.FindPatient(name) && SendFrame(socket, patient) != beam::FrameResult::kBroken;
}

bool CBeamEngine::BeamRecord(platform::IBeamSocket& socket, CBeamRecord& record) {
  if (record.Type() == beam::kPatientRecord) {
    return BeamPatient(socket, record, true);
  }
  m_progress.SetItemProgress(0, 2);
  m_progress.SetStatusId(ids::kBeamSendingPatientInfo, false);
  bool sent = SendPatientByName(socket, record.GetPatientName());
  if (sent) {
    m_progress.SetItemProgress(1, 0);
    m_progress.SetStatusId(ids::kBeamSendingRecord, false);
    sent = SendFrame(socket, record) != beam::FrameResult::kBroken;
  }
  // The patient or the record refused: the other device did not store the record.
  const bool stored = sent && m_refused == 0;
  const int status = stored ? ids::kBeamRecordSent
                     : sent ? ids::kBeamRecordRefused
                            : ids::kBeamSendError;
  m_progress.SetStatusId(status, !stored);
  m_progress.SetItemProgress(2, 0);
  FinishBeam();
  return stored;
}

bool CBeamEngine::BeamPatient(platform::IBeamSocket& socket, CBeamRecord& record, bool finish) {
  std::array<uint32_t, kSectionCount> counts{};
  std::array<uint32_t, kSectionCount> sent{};
  uint32_t index = 0;
  const QString name = record.GetPatientName();

  // Before any section has started the receiver only knows that sending failed.
  const auto failEarly = [&] {
    m_progress.SetStatusId(ids::kBeamSendError, true);
    if (finish) {
      FinishBeam();
    }
    return false;
  };
  // Later failures say how far each section got.
  const auto failLate = [&] {
    m_progress.SetStatus(strings::FormatId(ids::kBeamPatientSendError, name, sent[0], counts[0],
                                           sent[1], counts[1], sent[2], counts[2], sent[3],
                                           counts[3], sent[4], counts[4], sent[5], counts[5]),
                         true);
    if (finish) {
      FinishBeam();
    }
    return false;
  };

  m_progress.SetStatusId(ids::kBeamSendingPatientInfo, false);
  m_progress.SetItemProgress(0, 100);
  const uint32_t refusedBefore = m_refused;
  if (record.Type() != beam::kPatientRecord ||
      SendFrame(socket, record) == beam::FrameResult::kBroken) {
    return failEarly();
  }
  uint32_t total = 0;
  for (size_t s = 0; s < kSectionCount; ++s) {
    counts[s] = record.CountOf(beam::kSectionOrder[s], name);
    total += counts[s];
  }
  if (!SendU32(socket, total)) {
    return failEarly();
  }
  m_progress.SetItemProgress(0, total);

  for (size_t s = 0; s < kSectionCount; ++s) {
    const uint8_t code = beam::kSectionOrder[s];
    if (!SendU32(socket, counts[s])) {
      return s == 0 ? failEarly() : failLate();
    }
    const QString label = SectionLabel(s);
    for (bool found = record.FirstOf(code, name); found; found = record.NextOf(code, name)) {
      if (!SendU8(socket, code) || SendFrame(socket, record) == beam::FrameResult::kBroken) {
        return failLate();
      }
      ++index;
      ++sent[s];
      if (RecordProgress(ids::kBeamSendingRecordsProgress, name, index, total, sent[s], counts[s],
                         label)) {
        return failLate();
      }
    }
    if (!SendU8(socket, 0)) {
      return failLate();
    }
  }

  // The block went over whole; what the receiver refused, it says by its acknowledgements.
  const uint32_t refused = m_refused - refusedBefore;
  if (refused != 0) {
    m_progress.SetStatus(strings::FormatId(ids::kBeamRecordsRefused, refused, total + 1, name),
                         true);
  } else {
    m_progress.SetStatus(strings::FormatId(ids::kBeamPatientSent, name), false);
  }
  if (finish) {
    FinishBeam();
  }
  return refused == 0;
}
