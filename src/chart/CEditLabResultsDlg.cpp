#include "chart/CEditLabResultsDlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "chart/VsTestsWidgets.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CBaseListCtrl.h"
#include "common/ui/CPictureButton.h"

namespace {

QLineEdit* MakeReadOnlyBox(const char* name, QWidget* parent) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(QLatin1String(name));
  box->setReadOnly(true);
  // Wide enough for a date and time in full.
  box->setMinimumWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("00/00/0000 00:00 PM")) +
                       16);
  return box;
}

}  // namespace

CEditLabResultsDlg::CEditLabResultsDlg(QWidget* parent)
    : CVsTestsEntryDlg(ids::kEditLabResultsTitle, parent),
      m_dateBox(MakeReadOnlyBox("dateBox", this)),
      m_labBox(MakeReadOnlyBox("labBox", this)),
      m_save(vs_tests_widgets::MakeButton(ids::kPictureSave, ids::kSaveName, this)),
      m_noSave(vs_tests_widgets::MakeButton(ids::kPictureNoSave, ids::kNoSaveName, this)),
      m_cancel(vs_tests_widgets::MakeButton(ids::kPictureCancel, ids::kButtonCancel, this)),
      m_list(new CBaseListCtrl(this)) {
  AddRow({vs_tests_widgets::MakeCaption(ids::kDateLabel, m_dateBox, this), m_dateBox},
         {m_save, m_noSave, m_cancel});
  AddRow({vs_tests_widgets::MakeCaption(ids::kLabLabel, m_labBox, this), m_labBox});
  m_list->setObjectName(QStringLiteral("itemList"));
  m_list->setAccessibleName(strings::Load(ids::kLabValuesListName));
  m_list->SetExtendedStyle(CBaseListCtrl::kFullRowSelect);
  m_list->InsertColumn(CBaseListCtrl::kLabelColumn, strings::Load(ids::kColumnItem), 0);
  m_list->InsertColumn(CBaseListCtrl::kValueColumn, strings::Load(ids::kColumnValue), 0);
  vs_tests_widgets::ColumnShares::Install(m_list, vs_tests_widgets::ColumnShares::kFifths, 5, 10);
  MainLayout()->addWidget(m_list, 1);
  UpdateData(false);

  connect(m_save, &QAbstractButton::clicked, this, &CEditLabResultsDlg::OnSave);
  connect(m_cancel, &QAbstractButton::clicked, this, &CEditLabResultsDlg::OnCancel);
  connect(m_list, &CBaseListCtrl::valueChanged, this, &CEditLabResultsDlg::OnValueChanged);
}

void CEditLabResultsDlg::UpdateData(bool save) {
  if (save) {
    m_list->CloseEdit();
    packedValues = m_list->PackString();
    return;
  }
  m_dateBox->setText(dateText);
  m_labBox->setText(labName);
  m_list->UnpackStringList(packedValues);
  const bool locked = readOnly != 0;
  m_save->setVisible(!locked);
  m_save->setEnabled(!locked);
  m_noSave->setVisible(locked);
  m_list->SetReadOnly(locked);
}

void CEditLabResultsDlg::OnValueChanged(int /*row*/, int /*column*/) {
  if (readOnly == 0) {
    m_save->setEnabled(true);
  }
}

void CEditLabResultsDlg::OnSave() {
  if (readOnly != 0) {
    return;
  }
  UpdateData(true);
  accept();
}

void CEditLabResultsDlg::OnCancel() {
  m_list->CancelEdit();
  reject();
}
