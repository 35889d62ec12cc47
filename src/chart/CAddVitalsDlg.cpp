#include "chart/CAddVitalsDlg.h"

#include <QVBoxLayout>

#include "chart/VitalsFields.h"
#include "chart/VsTestsWidgets.h"
#include "common/CDBBaseDatabase.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CBaseListCtrl.h"
#include "common/ui/CPictureButton.h"

CAddVitalsDlg::CAddVitalsDlg(QWidget* parent)
    : CVsTestsEntryDlg(ids::kAddVitalsTitle, parent),
      m_save(vs_tests_widgets::MakeButton(ids::kPictureSave, ids::kSaveName, this)),
      m_cancel(vs_tests_widgets::MakeButton(ids::kPictureCancel, ids::kButtonCancel, this)),
      m_list(new CBaseListCtrl(this)),
      items(field_table::Build(vitals_fields::Rows())) {
  GetCurrentTime(date);
  time = date;
  AddDateRow({m_save, m_cancel});
  m_list->setObjectName(QStringLiteral("itemList"));
  m_list->setAccessibleName(strings::Load(ids::kVitalsListName));
  m_list->SetExtendedStyle(CBaseListCtrl::kFullRowSelect);
  m_list->InsertColumn(CBaseListCtrl::kLabelColumn, strings::Load(ids::kColumnItem), 0);
  m_list->InsertColumn(CBaseListCtrl::kValueColumn, strings::Load(ids::kColumnValue), 0);
  vs_tests_widgets::ColumnShares::Install(m_list, vs_tests_widgets::ColumnShares::kFifths, 10, 15);
  MainLayout()->addWidget(m_list, 1);
  m_list->UnpackList(items);
  UpdateData(false);

  connect(m_save, &QAbstractButton::clicked, this, &CAddVitalsDlg::OnSave);
  connect(m_cancel, &QAbstractButton::clicked, this, &CAddVitalsDlg::OnCancel);
}

void CAddVitalsDlg::UpdateData(bool save) {
  ExchangeDateTime(save, date, time);
  if (save) {
    m_list->CloseEdit();
    packedValues = m_list->PackString();
  }
}

void CAddVitalsDlg::OnSave() {
  UpdateData(true);
  accept();
}

void CAddVitalsDlg::OnCancel() {
  m_list->CancelEdit();
  reject();
}
