#pragma once

#include <QString>

#include "store/CDBDatedStore.h"

class IListControl;

// The clinical notes of all patients ("OVNotes"): one record per note at one date and time. A
// note keeps its full composed text and, apart, the three sections typed in the note sheets, so
// that a new note can take a section of the patient's latest note back. SOAP and H&P notes share
// the store; an H&P note has empty subjective and objective sections. Beaming carries the full
// text only.
class CDBNotes : public CDBDatedStore {
 public:
  static constexpr uint8_t kRecordType = 4;
  static constexpr const char* kVolumeName = "OVNotes";

  enum Prop : PropId {
    kNoteTextProp = 103,
    kSubjectiveProp = 104,
    kObjectiveProp = 105,
    kAssessmentPlanProp = 106,
    kTimeStampProp = 107,
  };

  CDBNotes();

  uint8_t RecordType() const override { return kRecordType; }

  // Replaces a note's full text and refreshes its time stamp; the sections stay as first entered.
  // False when the id names no note.
  [[nodiscard]] bool UpdateValues(RecordId id, const QString& newNoteText);
  // Fills the notes list with the patient's notes that have a date, oldest first (text = date and
  // time, item data = record id), then focuses the list and selects its first row.
  void FillList(IListControl& list, const QString& patientName);

  // A section of the patient's most recent note; empty when the patient has no note.
  QString LatestSubjective(const QString& name);
  QString LatestObjective(const QString& name);
  QString LatestAssessmentPlan(const QString& name);

  QString noteText;
  QString subjective;
  QString objective;
  QString assessmentPlan;

 protected:
  // Only the full text travels; a received note has empty sections.
  std::span<const TextField> TextFields() const override;
};
