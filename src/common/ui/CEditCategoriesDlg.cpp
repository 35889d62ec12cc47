#include "common/ui/CEditCategoriesDlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/CDBCategories.h"
#include "common/CDBPatient.h"
#include "common/MemoryControls.h"
#include "common/MessageService.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/UiSeams.h"

namespace {

constexpr int kRecordIdRole = Qt::UserRole;

// Asks for a name; empty when cancelled or left blank.
QString AskName(QWidget* parent, int promptId, const QString& text) {
  CNamePromptDlg prompt(strings::Load(promptId), text, parent);
  if (ui_seams::RunModal(prompt) != QDialog::Accepted) {
    return {};
  }
  return prompt.Text().trimmed();
}

}  // namespace

CEditCategoriesDlg::CEditCategoriesDlg(int listId, QWidget* parent)
    : QDialog(parent),
      m_listId(listId),
      m_list(new QListWidget(this)),
      m_ok(new QPushButton(strings::Load(ids::kButtonOk), this)),
      m_new(new QPushButton(strings::Load(ids::kButtonNew), this)),
      m_rename(new QPushButton(strings::Load(ids::kButtonRename), this)),
      m_delete(new QPushButton(strings::Load(ids::kButtonDelete), this)) {
  setWindowTitle(strings::Load(ids::kEditCategoriesTitle));
  m_list->setObjectName(QStringLiteral("entries"));
  m_list->setAccessibleName(strings::Load(ids::kCategoryEntriesName));
  m_ok->setObjectName(QStringLiteral("ok"));
  m_new->setObjectName(QStringLiteral("new"));
  m_rename->setObjectName(QStringLiteral("rename"));
  m_delete->setObjectName(QStringLiteral("delete"));
  m_ok->setDefault(true);

  auto* buttons = new QHBoxLayout;
  for (QPushButton* button : {m_ok, m_new, m_rename, m_delete}) {
    button->setAutoDefault(false);
    buttons->addWidget(button);
  }
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(buttons);
  layout->addWidget(m_list);

  connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(m_new, &QPushButton::clicked, this, &CEditCategoriesDlg::OnNew);
  connect(m_rename, &QPushButton::clicked, this, &CEditCategoriesDlg::OnRename);
  connect(m_delete, &QPushButton::clicked, this, &CEditCategoriesDlg::OnDelete);
  connect(m_list, &QListWidget::currentRowChanged, this, [this](int row) {
    m_rename->setEnabled(row >= 0);
    m_delete->setEnabled(row >= 0);
  });
  Fill();
}

int CEditCategoriesDlg::DoModal() {
  return ui_seams::RunModal(*this);
}

QStringList CEditCategoriesDlg::Entries() const {
  QStringList entries;
  for (int row = 0; row < m_list->count(); ++row) {
    entries.append(m_list->item(row)->text());
  }
  return entries;
}

void CEditCategoriesDlg::Fill(int selectRow) {
  memory_controls::Combo entries;
  CDBCategories categories;
  categories.PopulateComboBox(m_listId, entries, false);
  m_list->clear();
  for (const auto& entry : entries.Entries()) {
    auto* item = new QListWidgetItem(entry.text, m_list);
    item->setData(kRecordIdRole, QVariant::fromValue(entry.data));
  }
  if (selectRow >= m_list->count()) {
    selectRow = m_list->count() - 1;
  }
  m_list->setCurrentRow(selectRow);
  m_rename->setEnabled(selectRow >= 0);
  m_delete->setEnabled(selectRow >= 0);
}

void CEditCategoriesDlg::OnNew() {
  const QString name = AskName(this, ids::kEnterNewCategory, {});
  if (name.isEmpty()) {
    return;
  }
  CDBCategories categories;
  categories.text = name;
  if (!categories.AddNew(m_listId)) {
    ShowNotSaved();
  }
  Fill();
  const QList<QListWidgetItem*> found = m_list->findItems(name, Qt::MatchFixedString);
  if (!found.isEmpty()) {
    m_list->setCurrentItem(found.constFirst());
  }
}

void CEditCategoriesDlg::OnRename() {
  const int row = m_list->currentRow();
  if (row < 0) {
    return;
  }
  const QString name = AskName(this, ids::kEnterCategoryRename, m_list->item(row)->text());
  if (name.isEmpty()) {
    return;
  }
  CDBCategories categories;
  if (!categories.Rename(m_list->item(row)->data(kRecordIdRole).value<uint32_t>(), name)) {
    ShowNotSaved();
  }
  Fill(row);
}

void CEditCategoriesDlg::ShowNotSaved() {
  messages::Show(strings::Load(ids::kCategoryNotSaved), messages::Buttons::Ok,
                 messages::Icon::Exclamation);
}

int CEditCategoriesDlg::PatientsFiledUnder(const QString& type) {
  memory_controls::List rows;
  CDBPatient().PopulatePatientList(rows, type);
  return rows.GetItemCount();
}

bool CEditCategoriesDlg::ConfirmDeleting(const QString& entry) {
  if (m_listId != CDBCategories::kPatientTypeList) {
    return true;
  }
  // Patients filed under a type that is gone are found only under "All": say so first.
  const int patients = PatientsFiledUnder(entry);
  if (patients == 0) {
    return true;
  }
  const QString question = patients == 1
                               ? strings::FormatId(ids::kDeleteTypeInUseOne, entry)
                               : strings::FormatId(ids::kDeleteTypeInUseMany, patients, entry);
  return messages::Show(question, messages::Buttons::OkCancel, messages::Icon::Question) ==
         messages::Answer::Ok;
}

void CEditCategoriesDlg::OnDelete() {
  const int row = m_list->currentRow();
  if (row < 0 || !ConfirmDeleting(m_list->item(row)->text())) {
    return;
  }
  CDBCategories categories;
  if (!categories.DeleteByCEOID(m_list->item(row)->data(kRecordIdRole).value<uint32_t>())) {
    messages::Show(strings::Load(ids::kCategoryNotDeleted), messages::Buttons::Ok,
                   messages::Icon::Exclamation);
  }
  Fill(row);
}

CNamePromptDlg::CNamePromptDlg(const QString& prompt, const QString& text, QWidget* parent)
    : QDialog(parent), m_edit(new QLineEdit(text, this)) {
  setWindowTitle(strings::Load(ids::kEditCategoriesTitle));
  m_edit->setObjectName(QStringLiteral("name"));
  m_edit->selectAll();
  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(strings::Load(ids::kButtonOk), QDialogButtonBox::AcceptRole);
  buttons->addButton(strings::Load(ids::kButtonCancel), QDialogButtonBox::RejectRole);
  auto* layout = new QVBoxLayout(this);
  auto* label = new QLabel(prompt, this);
  label->setBuddy(m_edit);
  layout->addWidget(label);
  layout->addWidget(m_edit);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QString CNamePromptDlg::Text() const {
  return m_edit->text();
}
