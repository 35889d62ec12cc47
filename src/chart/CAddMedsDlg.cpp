#include "chart/CAddMedsDlg.h"

#include <QDateEdit>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "chart/CRemoveMedFavoritesDlg.h"
#include "chart/MedsControls.h"
#include "common/MessageService.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CPictureButton.h"
#include "common/ui/InputPanel.h"
#include "common/ui/QtControls.h"
#include "common/ui/UiSeams.h"
#include "common/ui/WindowRoom.h"
#include "store/CDBMeds.h"
#include "store/CDBMedsFavorites.h"

using namespace meds_fields;

namespace {

constexpr int kMargin = 4;

// The short-date picker of the start date.
QDateEdit* MakeDatePicker(QWidget* parent) {
  QDateEdit* picker = qt_controls::MakeShortDatePicker(parent);
  picker->setObjectName(QStringLiteral("startDatePicker"));
  picker->setAccessibleName(strings::Load(ids::kStartDateName));
  return picker;
}

}  // namespace

CAddMedsDlg::CAddMedsDlg(uint32_t medicationId, int accessState, QWidget* parent)
    : QDialog(parent),
      recordId(medicationId),
      readOnly(accessState),
      m_datePicker(MakeDatePicker(this)),
      m_fav(meds_controls::MakeButton(ids::kPictureFav, ids::kFavName, this)),
      m_cancel(meds_controls::MakeButton(ids::kPictureCancel, ids::kButtonCancel, this)),
      m_save(meds_controls::MakeButton(ids::kPictureSave, ids::kSaveName, this)),
      m_noSave(meds_controls::MakeButton(ids::kPictureNoSave, ids::kNoSaveName, this)),
      m_list(new CBaseListCtrl(this)),
      m_layout(new QVBoxLayout(this)) {
  setWindowTitle(strings::Load(ids::kAddMedsTitle));
  GetCurrentTime(startDate);

  auto* dateLabel = new QLabel(strings::Load(ids::kDateLabel), this);
  dateLabel->setBuddy(m_datePicker);
  m_datePicker->setMinimumWidth(110);
  m_list->setObjectName(QStringLiteral("itemList"));
  m_list->setAccessibleName(strings::Load(ids::kMedValuesName));
  m_list->SetExtendedStyle(CBaseListCtrl::kFullRowSelect);
  m_list->InsertColumn(CBaseListCtrl::kLabelColumn, strings::Load(ids::kColumnItem), 0);
  m_list->InsertColumn(CBaseListCtrl::kValueColumn, strings::Load(ids::kColumnValue), 0);
  m_list->AddCompanion(m_datePicker);
  m_list->installEventFilter(this);

  auto* top = new QHBoxLayout;
  top->setSpacing(4);
  top->addWidget(dateLabel);
  top->addWidget(m_datePicker);
  top->addStretch(1);
  for (QWidget* button : {m_fav, m_cancel, m_save, m_noSave}) {
    top->addWidget(button, 0, Qt::AlignVCenter);
  }
  m_layout->setSpacing(4);
  m_layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
  m_layout->addLayout(top);
  m_layout->addWidget(m_list, 1);

  items = NewRows();
  FillFavorites(items[kDrugRow]);
  if (recordId != 0 && !Load()) {
    m_loadFailed = true;
  }
  ShowReadOnly();
  UpdateData(false);
  // Full screen at the hand-held size; over the main window at its content's size above it.
  window_room::PlaceEntryDialog(*this);
  FitToInputPanel();

  connect(m_fav, &QAbstractButton::clicked, this, &CAddMedsDlg::OnFav);
  connect(m_cancel, &QAbstractButton::clicked, this, &CAddMedsDlg::OnCancel);
  connect(m_save, &QAbstractButton::clicked, this, &CAddMedsDlg::OnSave);
  connect(m_list, &CBaseListCtrl::choicePicked, this, &CAddMedsDlg::OnChoicePicked);
  connect(m_list, &CBaseListCtrl::editEnded, this, &CAddMedsDlg::OnEditEnded);
  connect(m_list, &CBaseListCtrl::valueChanged, this, &CAddMedsDlg::OnValueChanged);
  connect(m_list, &CBaseListCtrl::focusLost, this, &CAddMedsDlg::OnFocusLost);
  connect(m_datePicker, &QDateEdit::dateChanged, this, &CAddMedsDlg::OnDateChanged);

  UpdateButtons();
  // Nothing is changed yet.
  m_save->setEnabled(false);
}

bool CAddMedsDlg::Load() {
  CDBMeds meds;
  if (!meds.LoadByCEOID(recordId)) {
    return false;
  }
  field_table::Exchange(Rows(), items, meds, false);
  // A medication stored without a start date keeps today's rather than the calendar's first day.
  if (!filetime::IsZero(meds.startDate)) {
    startDate = meds.startDate;
  }
  return true;
}

void CAddMedsDlg::ShowReadOnly() {
  const bool locked = IsReadOnly();
  m_list->SetReadOnly(locked);
  // What cannot be saved is not offered for change either.
  m_datePicker->setEnabled(!locked);
  m_save->setVisible(!locked);
  m_noSave->setVisible(locked);
}

int CAddMedsDlg::DoModal() {
  if (m_loadFailed) {
    ShowError(ids::kMedicationNotRead);
    setResult(QDialog::Rejected);
    return QDialog::Rejected;
  }
  return ui_seams::RunModal(*this);
}

void CAddMedsDlg::UpdateData(bool save) {
  if (save) {
    m_list->CloseEdit();
    m_list->PackList(items);
    qt_controls::DDX_DateTimeCtrl(true, *m_datePicker, startDate);
    return;
  }
  m_list->CancelEdit();
  m_list->UnpackList(items);
  const QSignalBlocker quiet(m_datePicker);
  qt_controls::DDX_DateTimeCtrl(false, *m_datePicker, startDate);
}

void CAddMedsDlg::SaveTo(CDBMeds& meds) const {
  std::vector<CListItem> values = items;
  field_table::Exchange(Rows(), values, meds, true);
  meds.startDate = startDate;
}

// ---------------------------------------------------------------------------------------------
// Buttons

void CAddMedsDlg::UpdateButtons() {
  if (m_updatingButtons) {
    return;
  }
  m_updatingButtons = true;
  // While a value is being typed the Drug row may be about to get its name.
  const bool named = m_list->IsEditing() || !m_list->GetValue(kDrugRow).isEmpty();
  m_fav->setEnabled(named);
  m_save->setEnabled(named);
  m_updatingButtons = false;
}

void CAddMedsDlg::OnFav() {
  UpdateData(true);
  const CListItem& drug = items[kDrugRow];
  if (drug.value.isEmpty()) {
    UpdateButtons();
    return;
  }
  CDBMedsFavorites favorite;
  favorite.drug = drug.value;
  favorite.dose = items[kDoseRow].value;
  favorite.route = items[kRouteRow].value;
  favorite.frequency = items[kFrequencyRow].value;
  if (!favorite.AddNew()) {
    ShowError(ids::kFavoriteNotSaved);
    return;
  }
  RefreshFavorites();
}

void CAddMedsDlg::OnSave() {
  if (IsReadOnly()) {
    return;  // "NOSAVE" stands in for the button
  }
  UpdateData(true);
  if (items[kDrugRow].value.isEmpty()) {
    UpdateButtons();
    ShowError(ids::kDrugRequired);
    return;
  }
  const bool tracked = items[kTrackDaysRow].value == strings::Load(ids::kChoiceYes);
  if (tracked && CDBMeds::LeadingNumber(items[kDaysRow].value) <= 0) {
    ShowError(ids::kDayNumberRequired);
    return;
  }
  accept();
}

void CAddMedsDlg::OnCancel() {
  m_list->CancelEdit();
  reject();
}

void CAddMedsDlg::ShowError(int textId) {
  messages::Show(strings::Load(textId), strings::Load(ids::kAppName), messages::Buttons::Ok,
                 messages::Icon::Exclamation);
}

// ---------------------------------------------------------------------------------------------
// Favourites

void CAddMedsDlg::FillFavorites(CListItem& drugRow) {
  CDBMedsFavorites().FillChoices(drugRow);
}

void CAddMedsDlg::RefreshFavorites() {
  if (CListItem* drugRow = m_list->GetRowItem(kDrugRow)) {
    FillFavorites(*drugRow);
  }
  FillFavorites(items[kDrugRow]);
}

bool CAddMedsDlg::ApplyFavorite(uint32_t favoriteId) {
  CDBMedsFavorites favorite;
  if (!favorite.LoadByCEOID(favoriteId)) {
    return false;
  }
  m_list->SetValue(kDrugRow, favorite.drug);
  m_list->SetValue(kDoseRow, favorite.dose);
  m_list->SetValue(kRouteRow, favorite.route);
  m_list->SetValue(kFrequencyRow, favorite.frequency);
  UpdateButtons();
  return true;
}

void CAddMedsDlg::RemoveFavorites() {
  CRemoveMedFavoritesDlg remove(this);
  remove.DoModal();
  RefreshFavorites();
}

// ---------------------------------------------------------------------------------------------
// Notifications

void CAddMedsDlg::OnChoicePicked(CBaseListCtrl::ChoicePick& pick) {
  // Other rows' edit entries are completed by the list itself: it runs the category editor on
  // the row's list (row + 9) and reloads the row's choices.
  if (pick.row == kDrugRow && pick.choiceId != 0) {
    if (pick.choiceId == CDBMedsFavorites::kEditChoiceId) {
      RemoveFavorites();
      pick.handled = true;
    } else if (ApplyFavorite(static_cast<uint32_t>(pick.choiceId))) {
      pick.handled = true;
    }
  }
  UpdateButtons();
}

void CAddMedsDlg::OnEditEnded(const CBaseListCtrl::EditEnd& /*end*/) {
  UpdateButtons();
}

void CAddMedsDlg::OnValueChanged(int /*row*/, int /*column*/) {
  UpdateButtons();
}

void CAddMedsDlg::OnFocusLost(int /*row*/) {
  UpdateButtons();
}

void CAddMedsDlg::OnDateChanged() {
  UpdateButtons();
}

// ---------------------------------------------------------------------------------------------
// Layout

bool CAddMedsDlg::event(QEvent* event) {
  if (event->type() == input_panel::SettingChangeEvent::EventType()) {
    FitToInputPanel();
    return true;
  }
  return QDialog::event(event);
}

bool CAddMedsDlg::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_list && event->type() == QEvent::Resize) {
    SizeColumns();
  }
  return QDialog::eventFilter(watched, event);
}

void CAddMedsDlg::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  FitToInputPanel();
}

void CAddMedsDlg::SizeColumns() {
  // "Item" and "Value" share the list's width w: (2 w) / 5 - 10 and (3 w) / 5 - 15 at the
  // hand-held size; above it "Item" is as wide as its longest label.
  const QSize widths = window_room::ItemValueWidths(*m_list, m_list->width(), 10, 15);
  m_list->SetColumnWidth(CBaseListCtrl::kLabelColumn, qMax(20, widths.width()));
  m_list->SetColumnWidth(CBaseListCtrl::kValueColumn, qMax(20, widths.height()));
}

void CAddMedsDlg::FitToInputPanel() {
  const std::optional<int> bottom = meds_controls::ListBottomMargin(*this);
  if (!bottom) {
    return;
  }
  m_layout->setContentsMargins(kMargin, kMargin, kMargin, *bottom);
  // Laid out at once, not at the next show: the panel may move while the dialog is up.
  m_layout->setGeometry(rect());
  SizeColumns();
}
