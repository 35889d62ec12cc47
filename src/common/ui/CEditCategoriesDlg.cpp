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
      listId_(listId),
      list_(new QListWidget(this)),
      ok_(new QPushButton(strings::Load(ids::kButtonOk), this)),
      new_(new QPushButton(strings::Load(ids::kButtonNew), this)),
      rename_(new QPushButton(strings::Load(ids::kButtonRename), this)),
      delete_(new QPushButton(strings::Load(ids::kButtonDelete), this)) {
  setWindowTitle(strings::Load(ids::kEditCategoriesTitle));
  list_->setObjectName(QStringLiteral("entries"));
  list_->setAccessibleName(strings::Load(ids::kCategoryEntriesName));
  ok_->setObjectName(QStringLiteral("ok"));
  new_->setObjectName(QStringLiteral("new"));
  rename_->setObjectName(QStringLiteral("rename"));
  delete_->setObjectName(QStringLiteral("delete"));
  ok_->setDefault(true);

  auto* buttons = new QHBoxLayout;
  for (QPushButton* button : {ok_, new_, rename_, delete_}) {
    button->setAutoDefault(false);
    buttons->addWidget(button);
  }
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(buttons);
  layout->addWidget(list_);

  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  connect(new_, &QPushButton::clicked, this, &CEditCategoriesDlg::OnNew);
  connect(rename_, &QPushButton::clicked, this, &CEditCategoriesDlg::OnRename);
  connect(delete_, &QPushButton::clicked, this, &CEditCategoriesDlg::OnDelete);
  connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
    rename_->setEnabled(row >= 0);
    delete_->setEnabled(row >= 0);
  });
  Fill();
}

int CEditCategoriesDlg::DoModal() {
  return ui_seams::RunModal(*this);
}

QStringList CEditCategoriesDlg::Entries() const {
  QStringList entries;
  for (int row = 0; row < list_->count(); ++row) {
    entries.append(list_->item(row)->text());
  }
  return entries;
}

void CEditCategoriesDlg::Fill(int selectRow) {
  memory_controls::Combo entries;
  CDBCategories categories;
  categories.PopulateComboBox(listId_, entries, false);
  list_->clear();
  for (const auto& entry : entries.Entries()) {
    auto* item = new QListWidgetItem(entry.text, list_);
    item->setData(kRecordIdRole, QVariant::fromValue(entry.data));
  }
  if (selectRow >= list_->count()) {
    selectRow = list_->count() - 1;
  }
  list_->setCurrentRow(selectRow);
  rename_->setEnabled(selectRow >= 0);
  delete_->setEnabled(selectRow >= 0);
}

void CEditCategoriesDlg::OnNew() {
  const QString name = AskName(this, ids::kEnterNewCategory, {});
  if (name.isEmpty()) {
    return;
  }
  CDBCategories categories;
  categories.text = name;
  if (!categories.AddNew(listId_)) {
    ShowNotSaved();
  }
  Fill();
  const QList<QListWidgetItem*> found = list_->findItems(name, Qt::MatchFixedString);
  if (!found.isEmpty()) {
    list_->setCurrentItem(found.constFirst());
  }
}

void CEditCategoriesDlg::OnRename() {
  const int row = list_->currentRow();
  if (row < 0) {
    return;
  }
  const QString name = AskName(this, ids::kEnterCategoryRename, list_->item(row)->text());
  if (name.isEmpty()) {
    return;
  }
  CDBCategories categories;
  if (!categories.Rename(list_->item(row)->data(kRecordIdRole).value<uint32_t>(), name)) {
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
  if (listId_ != CDBCategories::kPatientTypeList) {
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
  const int row = list_->currentRow();
  if (row < 0 || !ConfirmDeleting(list_->item(row)->text())) {
    return;
  }
  CDBCategories categories;
  if (!categories.DeleteByCEOID(list_->item(row)->data(kRecordIdRole).value<uint32_t>())) {
    messages::Show(strings::Load(ids::kCategoryNotDeleted), messages::Buttons::Ok,
                   messages::Icon::Exclamation);
  }
  Fill(row);
}

CNamePromptDlg::CNamePromptDlg(const QString& prompt, const QString& text, QWidget* parent)
    : QDialog(parent), edit_(new QLineEdit(text, this)) {
  setWindowTitle(strings::Load(ids::kEditCategoriesTitle));
  edit_->setObjectName(QStringLiteral("name"));
  edit_->selectAll();
  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(strings::Load(ids::kButtonOk), QDialogButtonBox::AcceptRole);
  buttons->addButton(strings::Load(ids::kButtonCancel), QDialogButtonBox::RejectRole);
  auto* layout = new QVBoxLayout(this);
  auto* label = new QLabel(prompt, this);
  label->setBuddy(edit_);
  layout->addWidget(label);
  layout->addWidget(edit_);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QString CNamePromptDlg::Text() const {
  return edit_->text();
}
