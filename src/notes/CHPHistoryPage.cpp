#include "notes/CHPHistoryPage.h"

#include <QVBoxLayout>

#include "chart/MedsCommands.h"
#include "common/CDBCategories.h"
#include "common/CDBPatient.h"
#include "common/MessageService.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CPictureButton.h"
#include "notes/CNoteRowList.h"
#include "notes/NoteWidgets.h"
#include "store/CDBMeds.h"

namespace {

// A history row's pick list is its label id - 2050: CC 2100 offers list 50, HPI 2101 list 51.
constexpr int kPickListOffset = 2050;

CListItem TextRow(int label) {
  CListItem row(label, QString());
  row.kind = CListItem::kPickListMultiline;
  row.listId = label - kPickListOffset;
  return row;
}

CListItem UseMedsRow() {
  CListItem row(ids::kListUseMeds, strings::Load(ids::kChoiceNo));
  row.kind = CListItem::kChoices;
  row.AddChoice(strings::Load(ids::kChoiceNo), ids::kChoiceNo);
  row.AddChoice(strings::Load(ids::kChoiceYes), ids::kChoiceYes);
  row.choiceId = ids::kChoiceNo;
  return row;
}

CListItem AllergiesRow(const QString& allergies) {
  CListItem row(ids::kListAllergies, allergies);
  row.kind = CListItem::kAllergies;
  return row;
}

std::vector<CListItem> HistoryRows(const QString& allergies) {
  std::vector<CListItem> rows;
  for (int label = ids::kHistoryLabelFirst; label <= ids::kHistoryLabelLast; ++label) {
    switch (label) {
      case ids::kListUseMeds:
        rows.push_back(UseMedsRow());
        break;
      case ids::kListAllergies:
        rows.push_back(AllergiesRow(allergies));
        break;
      default:
        rows.push_back(TextRow(label));
    }
  }
  return rows;
}

// "Years" reads "45 Year old": the unit loses a plural's lower-case "s".
QString SingularUnit(QString unit) {
  if (unit.endsWith(QLatin1Char('s'))) {
    unit.chop(1);
  }
  return unit;
}

// A multi-line value with the note's CR LF line ends.
QString WithNoteLineEnds(QString value) {
  value.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  value.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
  return value;
}

}  // namespace

CHPHistoryPage::CHPHistoryPage(IPageHost& host, QWidget* parent)
    : CHPPage(ids::kHpPageHistory, host, parent) {}

void CHPHistoryPage::OnInitPage() {
  m_list = new CNoteRowList(ids::kColumnCategory, this);
  m_list->setObjectName(QStringLiteral("historyList"));
  m_list->setAccessibleName(strings::Load(ids::kNameHistoryRows));
  CDBPatient patient;
  const bool found = patient.FindByName(CurrentPatient());
  OfferHpiSentence(found ? &patient : nullptr);
  rows = HistoryRows(found ? patient.allergies : QString());
  m_list->UnpackList(rows);
  m_insPlus = MakeSignButton(ids::kPictureInsPlus, ids::kNameInsertPlus, ids::kInsertPlus, m_list);
  m_insMinus =
      MakeSignButton(ids::kPictureInsMinus, ids::kNameInsertMinus, ids::kInsertMinus, m_list);
  m_addMed = note_widgets::MakeButton(ids::kPictureAddMed, ids::kNameAddMedication, this);

  auto* layout = new QVBoxLayout(this);
  note_widgets::SetPageMargins(*layout);
  layout->addLayout(note_widgets::ButtonRow({m_insPlus, m_insMinus, m_addMed, CancelButton()}));
  layout->addWidget(m_list, 1);
  SetMainControl(m_list);
  UseBoldTabFont();
  connect(m_addMed, &QAbstractButton::clicked, this, &CHPHistoryPage::OnAddMed);
}

void CHPHistoryPage::OfferHpiSentence(const CDBPatient* patient) {
  CDBCategories categories;
  if (patient == nullptr) {
    // The list holds the sentence of the patient whose H&P was opened last: it must not be
    // offered for this one.
    // DeleteByName answers false when there was no sentence as well; only a failure is told.
    const platform::StoreErrorScope failures;
    static_cast<void>(categories.DeleteByName(CDBCategories::ListKey(CDBCategories::kHpiList)));
    if (failures.Failed()) {
      messages::Show(strings::Load(ids::kHpiSentenceNotStored), messages::Buttons::Ok,
                     messages::Icon::Exclamation);
    }
    return;
  }
  const QString sentence = strings::FormatId(ids::kHpiSentence, patient->name, patient->ageValue,
                                             SingularUnit(patient->ageUnit), patient->sex);
  if (!categories.Update(CDBCategories::kHpiList, sentence)) {
    messages::Show(strings::Load(ids::kHpiSentenceNotStored), messages::Buttons::Ok,
                   messages::Icon::Exclamation);
  }
}

bool CHPHistoryPage::OnKillActive() {
  m_list->CloseEdit();
  m_list->setFocus();
  m_list->PackList(rows);
  historyText = HistoryText();
  return true;
}

QString CHPHistoryPage::HistoryText() const {
  const QString useMeds = strings::Load(ids::kListUseMeds);
  QString text;
  for (int row = 0; row < m_list->GetItemCount(); ++row) {
    if (m_list->GetRowItem(row) == nullptr) {
      continue;
    }
    const QString label = m_list->GetItemText(row, CNoteRowList::kLabelColumn);
    const QString value = m_list->GetValue(row);
    if (label != useMeds) {
      if (!value.isEmpty()) {
        text += strings::FormatId(ids::kHistoryEntry, label, WithNoteLineEnds(value));
      }
    } else if (value == strings::Load(ids::kChoiceYes)) {
      text += CDBMeds().FormatMedsSection(CurrentPatient());
    }
  }
  return text;
}

void CHPHistoryPage::OnAddMed() {
  meds_commands::AddMedication(Host(), window());
}
