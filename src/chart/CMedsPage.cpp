#include "chart/CMedsPage.h"

#include <QDialog>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QVBoxLayout>
#include <algorithm>

#include "chart/CAddMedsDlg.h"
#include "chart/MedsControls.h"
#include "common/CDBCategories.h"
#include "common/CDBPatient.h"
#include "common/MessageService.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CPictureButton.h"
#include "common/ui/CPopupList.h"
#include "common/ui/InputPanel.h"
#include "common/ui/WindowRoom.h"
#include "shell/IPageHost.h"
#include "store/CDBMeds.h"

namespace {

constexpr int kMargin = 2;
// The allergies box reaches this far above the bottom of the page.
constexpr int kBottomGap = 7;
// The medication list's height at the hand-held size; the allergies box takes what the page has
// left. Above it the list takes the extra height and the box what its text needs.
constexpr int kListHeight = 220;
constexpr int kBoxMinimum = 40;
constexpr int kReadOnlyState = 1;

QString AccessStateText(int accessState) {
  return strings::Load(ids::kAccessStateFirst + qBound(0, accessState, 2));
}

QLabel* MakeStateLabel(int nameId, QWidget* parent) {
  auto* label = new QLabel(AccessStateText(0), parent);
  label->setAccessibleName(strings::Load(nameId));
  label->setMinimumWidth(70);
  return label;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// CMedsListCtrl

CMedsListCtrl::CMedsListCtrl(QWidget* parent) : CBaseListCtrl(parent) {
  setColumnCount(1);
  SetExtendedStyle(kFullRowSelect | kNoColumnHeader);
  InsertColumn(0, QString(), 0);
  header()->setStretchLastSection(true);
  setAlternatingRowColors(false);
}

int CMedsListCtrl::InsertItem(int /*row*/, const QString& text) {
  // After every row that does not sort after the text: equal rows keep their arrival order.
  int first = 0;
  int last = GetItemCount();
  while (first < last) {
    const int middle = first + (last - first) / 2;
    if (GetItemText(middle, 0).compare(text, Qt::CaseInsensitive) <= 0) {
      first = middle + 1;
    } else {
      last = middle;
    }
  }
  return CBaseListCtrl::InsertItem(first, text);
}

int CMedsListCtrl::GetFocusedRow() const {
  QTreeWidgetItem* focused = currentItem();
  return focused != nullptr ? indexOfTopLevelItem(focused) : -1;
}

// ---------------------------------------------------------------------------------------------
// CMedsPage

CMedsPage::CMedsPage(QWidget* parent)
    : CPatientTabPage(kDialogId, parent),
      m_patientState(MakeStateLabel(ids::kPatientStateName, this)),
      m_medState(MakeStateLabel(ids::kMedStateName, this)),
      m_open(meds_controls::MakeButton(ids::kPictureOpen, ids::kOpenName, this)),
      m_delete(meds_controls::MakeButton(ids::kPictureDelete, ids::kButtonDelete, this)),
      m_noDelete(meds_controls::MakeButton(ids::kPictureNoDelete, ids::kNoDeleteName, this)),
      m_list(new CMedsListCtrl(this)),
      m_allergiesCaption(new QLabel(strings::Load(ids::kAllergiesCaption), this)),
      m_popup(new CPopupList(this)),
      m_save(meds_controls::MakeButton(ids::kPictureSave, ids::kSaveName, this)),
      m_noSave(meds_controls::MakeButton(ids::kPictureNoSave, ids::kNoSaveName, this)),
      m_allergiesBox(new QPlainTextEdit(this)),
      m_layout(new QVBoxLayout(this)) {
  m_recordType = CDBMeds::kRecordType;
  m_list->setObjectName(QStringLiteral("medsList"));
  m_list->setAccessibleName(strings::Load(ids::kMedsListName));
  m_list->setFixedHeight(kListHeight);
  m_popup->SetType(CDBCategories::kAllergiesList);
  m_popup->setAccessibleName(strings::Load(ids::kAllergyPopupName));
  m_popup->setFocusPolicy(Qt::TabFocus);
  m_allergiesCaption->setBuddy(m_allergiesBox);
  m_allergiesCaption->installEventFilter(this);
  m_allergiesBox->setObjectName(QStringLiteral("allergies"));
  m_allergiesBox->setAccessibleName(strings::Load(ids::kAllergiesCaption));
  m_allergiesBox->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  m_allergiesBox->setTabChangesFocus(true);
  m_allergiesBox->setMinimumHeight(kBoxMinimum);

  auto* top = new QHBoxLayout;
  top->setSpacing(4);
  top->addWidget(m_patientState);
  top->addWidget(m_medState);
  top->addStretch(1);
  for (QWidget* button : {m_open, m_delete, m_noDelete}) {
    top->addWidget(button, 0, Qt::AlignVCenter);
  }
  auto* caption = new QHBoxLayout;
  caption->setSpacing(4);
  caption->addWidget(m_allergiesCaption);
  caption->addWidget(m_popup, 0, Qt::AlignVCenter);
  caption->addStretch(1);
  caption->addWidget(m_save, 0, Qt::AlignVCenter);
  caption->addWidget(m_noSave, 0, Qt::AlignVCenter);
  m_layout->setSpacing(4);
  m_layout->setContentsMargins(kMargin, kMargin, kMargin, kBottomGap);
  m_layout->addLayout(top);
  m_layout->addWidget(m_list, 1);
  m_layout->addLayout(caption);
  m_layout->addWidget(m_allergiesBox, 1);
  setTabOrder(m_open, m_delete);
  setTabOrder(m_delete, m_list);
  setTabOrder(m_list, m_popup);
  setTabOrder(m_popup, m_save);
  setTabOrder(m_save, m_allergiesBox);

  ClearSelection();
  ShowNoPatient();
  m_save->setEnabled(false);

  connect(m_open, &QAbstractButton::clicked, this, &CMedsPage::OnOpen);
  connect(m_delete, &QAbstractButton::clicked, this, &CMedsPage::OnDelete);
  connect(m_save, &QAbstractButton::clicked, this, &CMedsPage::OnSaveAllergies);
  connect(m_list, &CBaseListCtrl::currentRowChanged, this, &CMedsPage::OnCurrentRowChanged);
  connect(m_allergiesBox, &QPlainTextEdit::textChanged, this, &CMedsPage::OnAllergiesChanged);
  connect(m_popup, &CPopupList::notify, this, &CMedsPage::OnPopupNotify);
}

bool CMedsPage::OnSetActive() {
  CPatientTabPage::OnSetActive();
  patientName = CurrentPatient();
  LoadAllergies();
  FitToRoom();
  FillMedications();
  SelectRemembered();
  return true;
}

void CMedsPage::LoadAllergies() {
  CDBPatient patient;
  if (!patientName.isEmpty() && patient.FindByName(patientName)) {
    allergies = patient.allergies;
    ShowPatientReadOnly(patient.accessState);
  } else {
    allergies.clear();
    ShowNoPatient();
  }
  m_allergiesBox->setPlainText(allergies);
  m_save->setEnabled(false);
}

void CMedsPage::ShowNoPatient() {
  // No patient (or none of that name): nothing to show and nothing to type into.
  ShowPatientReadOnly(0);
  m_patientState->setText(QString());
  m_allergiesBox->setReadOnly(true);
  m_popup->setEnabled(false);
}

void CMedsPage::ShowPatientReadOnly(int accessState) {
  const bool locked = accessState == kReadOnlyState;
  m_save->setVisible(!locked);
  m_noSave->setVisible(locked);
  m_allergiesBox->setReadOnly(locked);
  m_popup->setEnabled(!locked);
  m_patientState->setText(AccessStateText(accessState));
}

void CMedsPage::FillMedications() {
  // Emptying the list clears the selection, and with it the remembered record.
  const uint32_t remembered = m_recordId;
  CDBMeds meds;
  meds.FillList(patientName, *m_list);
  m_recordId = remembered;
}

void CMedsPage::SelectRemembered() {
  int found = -1;
  for (int row = 0; m_recordId != 0 && row < m_list->GetItemCount(); ++row) {
    if (m_list->GetItemData(row) == m_recordId) {
      found = row;
      break;
    }
  }
  if (found < 0) {
    ClearSelection();
    return;
  }
  Select(found);
}

void CMedsPage::Select(int row) {
  {
    // The selection's state is set once, below, whether or not the row was current already.
    const QSignalBlocker quiet(m_list);
    m_list->SelectRow(row);
  }
  m_list->EnsureVisible(row);
  SelectionChanged(row);
}

void CMedsPage::UpdateSize() {
  // The box keeps its left, top and width; the layout's bottom margin sets where it ends.
  FitToRoom();
  m_layout->setGeometry(rect());
}

void CMedsPage::FitToRoom() {
  window_room::FitListAndBox(*m_list, kListHeight, *m_allergiesBox, kBoxMinimum, height());
}

bool CMedsPage::GetSelectedRecord(int& type, uint32_t& recordId) {
  const int row = m_list->GetFocusedRow();
  if (m_list->GetItemCount() == 0 || row < 0) {
    return false;
  }
  type = CDBMeds::kRecordType;
  recordId = m_list->GetItemData(row);
  return true;
}

// ---------------------------------------------------------------------------------------------
// Selection

void CMedsPage::OnCurrentRowChanged(int row) {
  if (row >= 0) {
    SelectionChanged(row);
  } else {
    ClearSelection();
  }
}

void CMedsPage::SelectionChanged(int row) {
  CDBMeds meds;
  // A medication that cannot be read counts as made on the device.
  selectedReadOnly = meds.LoadByCEOID(m_list->GetItemData(row)) ? meds.accessState : 0;
  ShowMedReadOnly(selectedReadOnly);
  int type = 0;
  uint32_t id = 0;
  m_recordId = GetSelectedRecord(type, id) ? id : 0;
  m_delete->setEnabled(true);
  m_open->setEnabled(true);
}

void CMedsPage::ClearSelection() {
  selectedReadOnly = 0;
  ShowMedReadOnly(0);
  m_recordId = 0;
  m_delete->setEnabled(false);
  m_open->setEnabled(false);
}

void CMedsPage::ShowMedReadOnly(int accessState) {
  const bool locked = accessState == kReadOnlyState;
  m_medState->setText(AccessStateText(accessState));
  m_delete->setVisible(!locked);
  m_noDelete->setVisible(locked);
}

// ---------------------------------------------------------------------------------------------
// Commands

void CMedsPage::OnOpen() {
  const int row = m_list->GetFocusedRow();
  if (row < 0) {
    ClearSelection();
    return;
  }
  const uint32_t id = m_list->GetItemData(row);
  CAddMedsDlg dialog(id, selectedReadOnly, window());
  bool saved = false;
  {
    input_panel::RaisedScope raised;
    saved = dialog.DoModal() == QDialog::Accepted;
  }
  if (dialog.LoadFailed()) {
    OnSetActive();  // the medication is gone: so goes its row
    return;
  }
  if (!saved) {
    return;
  }
  CDBMeds meds;
  meds.patient = CurrentPatient();
  dialog.SaveTo(meds);
  if (!meds.UpdateByCEOID(id)) {
    ShowError(ids::kMedicationNotSaved);
  }
  OnSetActive();
}

void CMedsPage::OnDelete() {
  const int row = m_list->GetFocusedRow();
  if (m_list->GetItemCount() == 0 || row < 0 || selectedReadOnly == kReadOnlyState) {
    return;
  }
  const uint32_t id = m_list->GetItemData(row);
  if (messages::Show(strings::Load(ids::kAskDeleteMedication), messages::Buttons::OkCancel,
                     messages::Icon::Question) != messages::Answer::Ok) {
    return;
  }
  CDBMeds meds;
  if (!meds.DeleteByCEOID(id)) {
    ShowError(ids::kMedicationNotDeleted);
    return;
  }
  {
    const QSignalBlocker quiet(m_list);
    m_list->DeleteItem(row);
  }
  ClearSelection();
  // The row that took the deleted one's place, or the new last row.
  const int count = m_list->GetItemCount();
  if (count > 0) {
    Select(std::min(row, count - 1));
    m_list->SetFocus();
  }
}

void CMedsPage::OnSaveAllergies() {
  if (m_allergiesBox->isReadOnly()) {
    return;
  }
  allergies = m_allergiesBox->toPlainText();
  CDBPatient patient;
  if (!patient.UpdateAllergies(CurrentPatient(), allergies)) {
    ShowError(ids::kAllergiesNotSaved);
    return;
  }
  m_save->setEnabled(false);
}

void CMedsPage::OnAllergiesChanged() {
  m_save->setEnabled(true);
  FitToRoom();
}

void CMedsPage::OnAllergiesPopup() {
  if (m_popup->isEnabled()) {
    m_popup->DoPopup();
  }
}

void CMedsPage::OnPopupNotify(int code, const QString& text) {
  if (code != CPopupList::kNotifyPicked || m_allergiesBox->isReadOnly()) {
    return;
  }
  // What was typed since the last load stays: the entry goes after the box's text as it is now.
  allergies = m_allergiesBox->toPlainText() + text + u' ';
  m_allergiesBox->setPlainText(allergies);
  m_allergiesBox->moveCursor(QTextCursor::End);
  m_save->setEnabled(true);
}

bool CMedsPage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_allergiesCaption && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    OnAllergiesPopup();
  }
  return CPatientTabPage::eventFilter(watched, event);
}

void CMedsPage::ShowError(int textId) {
  messages::Show(strings::Load(textId), messages::Buttons::Ok, messages::Icon::Exclamation);
}
