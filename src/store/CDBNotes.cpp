#include "store/CDBNotes.h"

#include "common/Controls.h"

using platform::Record;

CDBNotes::CDBNotes() : CDBDatedStore(QString::fromLatin1(kVolumeName), kTimeStampProp) {}

namespace {

constexpr CDBDatedStore::TextField kTextFields[] = {
    {CDBNotes::kNoteTextProp, CDBDatedStore::Member(&CDBNotes::noteText), true, false, true},
    {CDBNotes::kSubjectiveProp, CDBDatedStore::Member(&CDBNotes::subjective), false, false, false},
    {CDBNotes::kObjectiveProp, CDBDatedStore::Member(&CDBNotes::objective), false, false, false},
    {CDBNotes::kAssessmentPlanProp, CDBDatedStore::Member(&CDBNotes::assessmentPlan), false, false,
     false},
};

}  // namespace

std::span<const CDBDatedStore::TextField> CDBNotes::TextFields() const {
  return kTextFields;
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
