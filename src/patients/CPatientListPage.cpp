#include "patients/CPatientListPage.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QResizeEvent>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>

#include "common/CDBCategories.h"
#include "common/CDBPatient.h"
#include "common/MessageService.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/Accessibility.h"
#include "common/ui/CPictureButton.h"
#include "common/ui/CPopupList.h"
#include "common/ui/QtControls.h"
#include "platform/Device.h"
#include "platform/Registry.h"
#include "platform/StoreChangeMark.h"
#include "platform/StoreError.h"
#include "shell/IPageHost.h"
#include "shell/IShell.h"
#include "store/PatientDeletion.h"

namespace {

constexpr const char* kLastPatientType = "LastPatientType";
constexpr const char* kLastLocation = "LastLocation";
constexpr const char* kCurPatient = "CurPatient";
constexpr const char* kLinesPerPage = "LinesPerPage";
constexpr const char* kPageWidth = "PageWidth";
constexpr const char* kLeftMargin = "LeftMargin";
constexpr const char* kTopMargin = "TopMargin";
constexpr const char* kBottomMargin = "BottomMargin";
// The remembered patient is read into a buffer of this many bytes.
constexpr qsizetype kCurPatientBytes = 256;

QString Name(const char* name) {
  return QString::fromLatin1(name);
}

// Case-sensitive order of UTF-16 code units.
int CompareUnits(const QString& a, const QString& b) {
  const auto* pa = a.utf16();
  const auto* pb = b.utf16();
  const auto na = static_cast<size_t>(a.size());
  const auto nb = static_cast<size_t>(b.size());
  for (size_t i = 0; i < std::min(na, nb); ++i) {
    if (pa[i] != pb[i]) {
      return pa[i] < pb[i] ? -1 : 1;
    }
  }
  return na == nb ? 0 : (na < nb ? -1 : 1);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// CPatientListCtrl

CPatientListCtrl::CPatientListCtrl(QWidget* parent) : QTreeWidget(parent) {
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  header()->setSectionsClickable(true);
  header()->setSectionsMovable(false);
  header()->setStretchLastSection(false);
}

void CPatientListCtrl::DeleteAllItems() {
  clear();
}

int CPatientListCtrl::InsertItem(int row, const QString& text) {
  const int at = std::clamp(row, 0, topLevelItemCount());
  auto* item = new QTreeWidgetItem;
  item->setText(0, text);
  insertTopLevelItem(at, item);
  return at;
}

void CPatientListCtrl::SetItemText(int row, int column, const QString& text) {
  if (QTreeWidgetItem* item = topLevelItem(row)) {
    item->setText(column, text);
  }
}

QString CPatientListCtrl::GetItemText(int row, int column) const {
  const QTreeWidgetItem* item = topLevelItem(row);
  return item != nullptr ? item->text(column) : QString();
}

void CPatientListCtrl::SetItemData(int row, uint32_t value) {
  if (QTreeWidgetItem* item = topLevelItem(row)) {
    item->setData(0, Qt::UserRole, QVariant::fromValue(value));
  }
}

uint32_t CPatientListCtrl::GetItemData(int row) const {
  const QTreeWidgetItem* item = topLevelItem(row);
  return item != nullptr ? item->data(0, Qt::UserRole).toUInt() : 0;
}

void CPatientListCtrl::SelectRow(int row) {
  if (QTreeWidgetItem* item = topLevelItem(row)) {
    setCurrentItem(item);
    item->setSelected(true);
  }
}

int CPatientListCtrl::GetSelectedRow() const {
  const QList<QTreeWidgetItem*> selected = selectedItems();
  return selected.isEmpty() ? -1 : indexOfTopLevelItem(selected.first());
}

void CPatientListCtrl::ShowRows(const std::vector<CDBPatient::PatientRow>& rows) {
  clear();
  QList<QTreeWidgetItem*> items;
  items.reserve(static_cast<qsizetype>(rows.size()));
  for (size_t index = 0; index < rows.size(); ++index) {
    const CDBPatient::PatientRow& row = rows[index];
    auto* item = new QTreeWidgetItem(QStringList{row.name, row.mrNumber, row.room});
    item->setData(0, Qt::UserRole, QVariant::fromValue(static_cast<uint32_t>(index)));
    items.append(item);
  }
  addTopLevelItems(items);
}

void CPatientListCtrl::resizeEvent(QResizeEvent* event) {
  QTreeWidget::resizeEvent(event);
  emit resized();
}

void CTypeCombo::showPopup() {
  emit aboutToPopup();
  QComboBox::showPopup();
}

// ---------------------------------------------------------------------------------------------
// CPatientListPage

CPatientListPage::CPatientListPage(QWidget* parent)
    : CPatientTabPage(kDialogId, parent),
      m_list(new CPatientListCtrl(this)),
      m_type(new CTypeCombo(this)),
      m_lookup(new QLineEdit(this)),
      m_access(new QLabel(this)),
      m_delete(new CPictureButton(QStringLiteral("DELETE"), this)),
      m_noDelete(new CPictureButton(QStringLiteral("NODELETE"), this)),
      m_move(new CPictureButton(QStringLiteral("MOVE"), this)),
      m_noMove(new CPictureButton(QStringLiteral("NOMOVE"), this)),
      m_typePopup(new CPopupListCtrl(this)) {
  m_recordType = CDBPatient::kRecordType;
  m_list->setObjectName(QStringLiteral("patientList"));
  m_type->setObjectName(QStringLiteral("typeCombo"));
  m_lookup->setObjectName(QStringLiteral("lookupEdit"));
  m_access->setObjectName(QStringLiteral("accessLabel"));
  m_access->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  m_noDelete->hide();
  m_noMove->hide();

  auto* typeLabel = new QLabel(strings::Load(ids::kTypeLabel), this);
  auto* lookupLabel = new QLabel(strings::Load(ids::kLookupLabel), this);
  typeLabel->setBuddy(m_type);
  lookupLabel->setBuddy(m_lookup);
  m_list->setAccessibleName(strings::Load(ids::kCheckoutPatientsName));
  m_access->setAccessibleDescription(strings::Load(ids::kPatientStateName));
  accessibility::SetTabOrder({m_type, m_move, m_delete, m_lookup, m_list});
  auto* controls = new QGridLayout;
  controls->setHorizontalSpacing(6);
  controls->setVerticalSpacing(4);
  controls->addWidget(typeLabel, 0, 0);
  controls->addWidget(m_type, 0, 1);
  auto* buttons = new QHBoxLayout;
  buttons->setSpacing(4);
  buttons->addWidget(m_move);
  buttons->addWidget(m_noMove);
  buttons->addWidget(m_delete);
  buttons->addWidget(m_noDelete);
  controls->addLayout(buttons, 0, 2, Qt::AlignRight);
  controls->addWidget(lookupLabel, 1, 0);
  controls->addWidget(m_lookup, 1, 1);
  controls->addWidget(m_access, 1, 2);
  controls->setColumnStretch(1, 1);

  auto* layout = new QVBoxLayout(this);
  // The list reaches 7 pixels above the bottom of the page.
  layout->setContentsMargins(2, 4, 2, 7);
  layout->setSpacing(6);
  layout->addLayout(controls);
  layout->addWidget(m_list, 1);

  connect(m_type, &QComboBox::currentIndexChanged, this, &CPatientListPage::OnTypeSelected);
  connect(m_type, &CTypeCombo::aboutToPopup, this, &CPatientListPage::OnTypeDropDown);
  connect(m_lookup, &QLineEdit::textChanged, this, &CPatientListPage::OnLookupChanged);
  connect(m_list, &QTreeWidget::itemSelectionChanged, this, &CPatientListPage::OnItemChanged);
  connect(m_list, &QTreeWidget::itemClicked, this, &CPatientListPage::OnRowTapped);
  connect(m_list->header(), &QHeaderView::sectionClicked, this, &CPatientListPage::OnColumnClick);
  connect(m_list, &CPatientListCtrl::resized, this, &CPatientListPage::ResizeColumns);
  connect(m_delete, &QAbstractButton::clicked, this, &CPatientListPage::OnDelete);
  connect(m_move, &QAbstractButton::clicked, this, &CPatientListPage::OnMove);
}

void CPatientListPage::OnInitDialog() {
  m_list->setColumnCount(3);
  m_list->setHeaderLabels({strings::Load(ids::kColumnPatient), strings::Load(ids::kColumnMrNumber),
                           strings::Load(ids::kColumnRoom)});
  ResizeColumns();
  FillTypeList();
  LoadOptions();
  m_initialized = true;
  RefillPatientList(false, false);
}

app_options::PrintSettings* CPatientListPage::Settings() const {
  return Host() != nullptr ? &Host()->Shell().PrintSettings() : nullptr;
}

// ---------------------------------------------------------------------------------------------
// Registry options

void CPatientListPage::LoadOptions() {
  // The page settings start from their defaults; a page without a host has none to fill.
  app_options::PrintSettings unused;
  app_options::PrintSettings& settings = Settings() != nullptr ? *Settings() : unused;
  settings = app_options::PrintSettings{};
  m_rememberedPatient.clear();

  platform::RegistryKey key;
  QString type = strings::Load(ids::kPatientTypeClinic);
  if (!key.Open(platform::Hive::CurrentUser, Name(app_options::kOptionsKey))) {
    SelectTypeStartingWith(type);
    return;
  }
  platform::ValueType valueType{};
  QByteArray bytes;
  if (!key.Query(Name(kLastPatientType), valueType, bytes)) {
    // Releases before the patient types kept only whether the hospital list was shown.
    uint32_t hospital = 0;
    type = key.QueryDword(Name(kLastLocation), hospital) && hospital != 0
               ? strings::Load(ids::kPatientTypeHospital)
               : strings::Load(ids::kPatientTypeClinic);
  } else if (!key.QueryString(Name(kLastPatientType), type)) {
    type = strings::Load(ids::kPatientTypeHospital);
  }
  SelectTypeStartingWith(type);

  QString remembered;
  if (key.Query(Name(kCurPatient), valueType, bytes) && bytes.size() <= kCurPatientBytes &&
      key.QueryString(Name(kCurPatient), remembered)) {
    m_rememberedPatient = remembered;
  }

  const std::pair<const char*, int32_t*> numbers[] = {{kLinesPerPage, &settings.linesPerPage},
                                                      {kPageWidth, &settings.pageWidth},
                                                      {kLeftMargin, &settings.leftMargin},
                                                      {kTopMargin, &settings.topMargin},
                                                      {kBottomMargin, &settings.bottomMargin}};
  for (const auto& [name, field] : numbers) {
    uint32_t value = 0;
    if (key.QueryDword(Name(name), value)) {
      *field = static_cast<int32_t>(value);
    }
  }
}

bool CPatientListPage::SaveOptions() {
  platform::RegistryKey key;
  if (!key.Create(platform::Hive::CurrentUser, Name(app_options::kOptionsKey))) {
    return false;
  }
  bool stored = key.SetString(Name(kLastPatientType), m_type->currentText());
  stored = key.SetString(Name(kCurPatient), m_currentName) && stored;
  const app_options::PrintSettings* settings = Settings();
  if (settings == nullptr) {
    return stored;
  }
  const std::pair<const char*, int32_t> numbers[] = {{kLinesPerPage, settings->linesPerPage},
                                                     {kPageWidth, settings->pageWidth},
                                                     {kLeftMargin, settings->leftMargin},
                                                     {kTopMargin, settings->topMargin},
                                                     {kBottomMargin, settings->bottomMargin}};
  for (const auto& [name, value] : numbers) {
    stored = key.SetDword(Name(name), static_cast<uint32_t>(value)) && stored;
  }
  return stored;
}

void CPatientListPage::OnClose() {
  // A device opened read-only is left as it is, without a word.
  const platform::Device* device = platform::Device::Current();
  if (!m_initialized || (device != nullptr && device->ReadOnly())) {
    return;
  }
  if (!SaveOptions()) {
    messages::Show(strings::Load(ids::kListOptionsNotSaved), messages::Buttons::Ok,
                   messages::Icon::Exclamation);
  }
}

// ---------------------------------------------------------------------------------------------
// Type list

void CPatientListPage::FillTypeList() {
  const QSignalBlocker blocker(m_type);
  qt_controls::ComboBox combo(*m_type);
  CDBCategories categories;
  categories.PopulateComboBox(CDBCategories::kPatientTypeList, combo, false);
  m_type->insertItem(0, strings::Load(ids::kAllPatientTypes));
}

void CPatientListPage::SelectTypeStartingWith(const QString& text) {
  int index = 0;
  for (int i = 0; i < m_type->count(); ++i) {
    if (m_type->itemText(i).startsWith(text, Qt::CaseInsensitive)) {
      index = i;
      break;
    }
  }
  const QSignalBlocker blocker(m_type);
  m_type->setCurrentIndex(index);
}

QString CPatientListPage::CurrentType() const {
  return m_type->currentIndex() > 0 ? m_type->currentText() : QString();
}

void CPatientListPage::OnTypeSelected() {
  // Flipping through the types reads the store once: the patients read last are listed again
  // unless a change of the store may have been committed since they were read.
  if (!m_patientsMark.has_value() || m_patientsMark != platform::CurrentStoreChangeMark()) {
    ReadPatients();
  }
  ShowPatients(false);
}

void CPatientListPage::OnTypeDropDown() {
  // Categories added since the list was filled appear; the shown type stays selected.
  const QString shown = m_type->currentText();
  FillTypeList();
  const int index = m_type->findText(shown, Qt::MatchExactly);
  const QSignalBlocker blocker(m_type);
  m_type->setCurrentIndex(index >= 0 ? index : 0);
}

// ---------------------------------------------------------------------------------------------
// The list

void CPatientListPage::RefillPatientList(bool keepSelection, bool refreshTypes) {
  const QString previousType = m_type->currentText();
  ReadPatients();
  ShowPatients(keepSelection);
  if (refreshTypes) {
    FillTypeList();
    const int index = m_type->findText(previousType, Qt::MatchExactly);
    const QSignalBlocker blocker(m_type);
    m_type->setCurrentIndex(index >= 0 ? index : 0);
  }
}

void CPatientListPage::ReadPatients() {
  // The mark is taken before the read: a change committed during the read then shows as a
  // different mark later, and the patients are read again.
  m_patientsMark = platform::CurrentStoreChangeMark();
  const platform::StoreErrorScope failures;
  m_patients = CDBPatient().ReadPatientRows(QString());
  if (failures.Failed()) {
    // The walk stopped at the failure; the next type change tries the store again.
    m_patientsMark.reset();
  }
}

void CPatientListPage::ShowPatients(bool keepSelection) {
  const QString type = CurrentType();
  {
    const QScopedValueRollback filling(m_filling, true);
    m_rows.clear();
    for (const CDBPatient::PatientRow& patient : m_patients) {
      if (patient.OfType(type)) {
        m_rows.push_back(patient);
      }
    }
    m_list->ShowRows(m_rows);
  }

  bool selected = false;
  if (keepSelection) {
    for (int row = 0; row < m_list->GetItemCount(); ++row) {
      if (m_list->GetItemText(row, kNameColumn).compare(m_currentName, Qt::CaseInsensitive) == 0) {
        m_list->SelectRow(row);
        m_list->SetFocus();
        m_list->scrollToItem(m_list->topLevelItem(row));
        EnableButtons(true);
        selected = true;
        break;
      }
    }
  }
  if (!selected) {
    if (m_list->GetItemCount() == 0) {
      if (Host() != nullptr) {
        Host()->ClearCurrentPatient();
      }
      m_currentName.clear();
      ShowAccessState(0);
      EnableButtons(false);
    } else {
      m_list->SelectRow(0);
      m_list->SetFocus();
      m_list->scrollToItem(m_list->topLevelItem(0));
      EnableButtons(true);
    }
  }
}

void CPatientListPage::OnItemChanged() {
  if (m_filling) {
    return;
  }
  const int row = m_list->GetSelectedRow();
  if (row < 0) {
    return;
  }
  if (m_lookupFlag) {
    m_lookup->clear();
  }
  m_currentName = m_list->GetItemText(row, kNameColumn);
  if (Host() != nullptr) {
    Host()->SetCurrentPatient(m_currentName, m_list->GetItemText(row, kMrColumn),
                              m_list->GetItemText(row, kRoomColumn));
  }
  const uint32_t index = m_list->GetItemData(row);
  ShowAccessState(index < m_rows.size() ? m_rows[index].accessState : 0);
  // A row picked after none was selected makes the patient's commands available again.
  EnableButtons(true);
  if (Host() != nullptr) {
    Host()->Shell().NotifyPatientSelected(m_currentName);
  }
}

void CPatientListPage::OnRowTapped() {
  // A tap empties the Lookup box also on the row that is already selected, where the selection
  // does not change.
  if (m_lookupFlag) {
    m_lookup->clear();
  }
}

void CPatientListPage::SetSelectedRowCells(const QString& mrNumber, const QString& room) {
  const int row = m_list->GetSelectedRow();
  if (row >= 0) {
    m_list->SetItemText(row, kMrColumn, mrNumber);
    m_list->SetItemText(row, kRoomColumn, room);
  }
}

int CPatientListPage::FindRowStartingWith(const QString& text) const {
  for (int row = 0; row < m_list->GetItemCount(); ++row) {
    if (m_list->GetItemText(row, kNameColumn).startsWith(text, Qt::CaseInsensitive)) {
      return row;
    }
  }
  return -1;
}

void CPatientListPage::OnLookupChanged(const QString& text) {
  if (text.isEmpty()) {
    return;
  }
  const int row = FindRowStartingWith(text);
  if (row < 0) {
    return;
  }
  m_lookupFlag = false;
  m_list->SelectRow(row);
  m_list->scrollToItem(m_list->topLevelItem(row));
  m_lookupFlag = true;
}

void CPatientListPage::SelectRemembered() {
  const int row = FindRowStartingWith(m_rememberedPatient);
  if (row < 0) {
    if (Host() != nullptr) {
      Host()->ClearCurrentPatient();
    }
    // No row stays highlighted while no patient is selected; a tap on any row selects it.
    m_list->clearSelection();
    m_currentName.clear();
    EnableButtons(false);
    ShowAccessState(0);
    return;
  }
  // Deselecting first makes the selection change run even when the row was selected already.
  m_list->clearSelection();
  m_list->SelectRow(row);
  m_list->SetFocus();
  m_list->scrollToItem(m_list->topLevelItem(row));
  EnableButtons(true);
}

bool CPatientListPage::GetSelectedRecord(int& type, uint32_t& recordId) {
  type = 0;
  recordId = 0;
  const int row = m_list->GetSelectedRow();
  if (m_list->GetItemCount() == 0 || row < 0) {
    return false;
  }
  CDBPatient patient;
  if (!patient.FindByName(m_list->GetItemText(row, kNameColumn))) {
    return false;
  }
  type = CDBPatient::kRecordType;
  recordId = patient.recordId;
  return true;
}

void CPatientListPage::UpdateSize() {
  ResizeColumns();
}

void CPatientListPage::ResizeColumns() {
  const int w = m_list->viewport()->width() > 0 ? m_list->viewport()->width() : m_list->width();
  m_list->setColumnWidth(kNameColumn, 3 * w / 5 - 5);
  m_list->setColumnWidth(kMrColumn, w / 5);
  m_list->setColumnWidth(kRoomColumn, w / 5);
}

void CPatientListPage::EnableButtons(bool enabled) {
  m_delete->setEnabled(enabled);
  m_move->setEnabled(enabled);
}

void CPatientListPage::ShowAccessState(int accessState) {
  const int state = accessState >= 0 && accessState <= 2 ? accessState : 0;
  m_access->setText(strings::Load(ids::kAccessStateFirst + state));
  // A patient that came read-only from the desktop cannot be moved to another type.
  const bool readOnly = state == 1;
  m_move->setVisible(!readOnly);
  m_noMove->setVisible(readOnly);
}

// ---------------------------------------------------------------------------------------------
// Sorting

void CPatientListPage::OnColumnClick(int column) {
  if (column == m_sortColumn) {
    m_sortAscending = !m_sortAscending;
  } else {
    m_sortColumn = column;
    m_sortAscending = true;
  }
  QString CDBPatient::PatientRow::*const text =
      column == kNameColumn ? &CDBPatient::PatientRow::name
      : column == kMrColumn ? &CDBPatient::PatientRow::mrNumber
                            : &CDBPatient::PatientRow::room;
  const auto textOf = [this, text](const QTreeWidgetItem* item) {
    const uint32_t index = item->data(0, Qt::UserRole).toUInt();
    return index < m_rows.size() ? m_rows[index].*text : QString();
  };

  const QScopedValueRollback filling(m_filling, true);
  QTreeWidgetItem* selected = m_list->currentItem();
  std::vector<QTreeWidgetItem*> items;
  while (m_list->topLevelItemCount() > 0) {
    items.push_back(m_list->takeTopLevelItem(0));
  }
  const bool ascending = m_sortAscending;
  std::stable_sort(items.begin(), items.end(), [&](QTreeWidgetItem* a, QTreeWidgetItem* b) {
    const int order = CompareUnits(textOf(a), textOf(b));
    return ascending ? order < 0 : order > 0;
  });
  for (QTreeWidgetItem* item : items) {
    m_list->addTopLevelItem(item);
  }
  if (selected != nullptr) {
    m_list->setCurrentItem(selected);
    selected->setSelected(true);
    m_list->scrollToItem(selected);
  }
}

// ---------------------------------------------------------------------------------------------
// Commands

void CPatientListPage::OnDelete() {
  const int row = m_list->GetSelectedRow();
  if (m_list->GetItemCount() == 0 || row < 0) {
    return;
  }
  if (messages::Show(strings::Load(ids::kAskDeletePatient), messages::Buttons::OkCancel,
                     messages::Icon::Question) != messages::Answer::Ok) {
    return;
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const QString name = m_list->GetItemText(row, kNameColumn);
  // False as well for a patient already gone; only a failure keeps the row.
  const platform::StoreErrorScope failures;
  if (!patient_records::DeletePatient(name) && failures.Failed()) {
    QApplication::restoreOverrideCursor();
    messages::Show(strings::Load(ids::kPatientNotDeleted), messages::Buttons::Ok,
                   messages::Icon::Exclamation);
    return;
  }
  if (Host() != nullptr) {
    Host()->Shell().NotifyPatientDeleted(name);
  }

  {
    const QScopedValueRollback filling(m_filling, true);
    delete m_list->takeTopLevelItem(row);
    // The row that takes the deleted one's place is selected below, with its selection change.
    m_list->clearSelection();
  }
  const int count = m_list->GetItemCount();
  if (count > 0) {
    m_list->SelectRow(std::min(row, count - 1));
    m_list->SetFocus();
    EnableButtons(true);
  } else {
    if (Host() != nullptr) {
      Host()->ClearCurrentPatient();
    }
    m_currentName.clear();
    ShowAccessState(0);
    EnableButtons(false);
  }
  QApplication::restoreOverrideCursor();
}

void CPatientListPage::OnMove() {
  const int row = m_list->GetSelectedRow();
  if (m_list->GetItemCount() == 0 || row < 0) {
    return;
  }
  const QString type =
      m_typePopup->DoPopup(0, 0, CDBCategories::kPatientTypeList, m_move, QPoint());
  if (type.isEmpty()) {
    return;
  }
  CDBPatient patient;
  if (!patient.MovePatient(m_list->GetItemText(row, kNameColumn), type)) {
    messages::Show(strings::Load(ids::kPatientNotMoved), messages::Buttons::Ok,
                   messages::Icon::Exclamation);
  }
  RefillPatientList(false, false);
}
