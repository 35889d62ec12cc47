#include "store/CDBNotes.h"

#include "common/Controls.h"

using platform::Record;

CDBNotes::CDBNotes() : CDBDatedStore(QString::fromLatin1(kVolumeName), kTimeStampProp) {}

void CDBNotes::AddFieldProps(Record& record) const {
  record.Add(kNoteTextProp, noteText);
  record.Add(kSubjectiveProp, subjective);
  record.Add(kObjectiveProp, objective);
  record.Add(kAssessmentPlanProp, assessmentPlan);
}

void CDBNotes::UnpackFields(const Record& record) {
  noteText = TextProp(record, kNoteTextProp);
  subjective = TextProp(record, kSubjectiveProp);
  objective = TextProp(record, kObjectiveProp);
  assessmentPlan = TextProp(record, kAssessmentPlanProp);
}

void CDBNotes::WriteTexts(bytes::Writer& writer) const {
  writer.WriteString(noteText);
}

bool CDBNotes::ReadTexts(bytes::Reader& reader) {
  QString receivedText;
  if (!reader.ReadString(receivedText)) {
    return false;
  }
  // The sections do not travel; whatever the object held before must not be filed with the
  // received note.
  noteText = receivedText;
  subjective.clear();
  objective.clear();
  assessmentPlan.clear();
  return true;
}

void CDBNotes::AddMergedFieldProps(Record& record) const {
  record.Add(kNoteTextProp, noteText);
}

bool CDBNotes::UpdateValues(RecordId id, const QString& newNoteText) {
  return UpdateTwoProps(id, kNoteTextProp, newNoteText, kTimeStampProp);
}

void CDBNotes::FillList(IListControl& list, const QString& patientName) {
  if (OpenByName()) {
    list.DeleteAllItems();
    ForEachOfPatient(patientName, true, [&](RecordId id, const Record& record) {
      if (const platform::Property* dateProp = record.Find(kDateProp)) {
        const int row = list.InsertItem(list.GetItemCount(),
                                        GetFormattedDateTime(StringToTime(dateProp->value), true));
        list.SetItemData(row, id);
      }
      return false;
    });
    m_db.Close();
  }
  list.SetFocus();
  if (list.GetItemCount() > 0) {
    list.SelectRow(0);
  }
}

QString CDBNotes::LatestSubjective(const QString& name) {
  return FindLatestOfPatient(name) ? subjective : QString();
}

QString CDBNotes::LatestObjective(const QString& name) {
  return FindLatestOfPatient(name) ? objective : QString();
}

QString CDBNotes::LatestAssessmentPlan(const QString& name) {
  return FindLatestOfPatient(name) ? assessmentPlan : QString();
}
