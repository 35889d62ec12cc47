#include "chart/CAddLabResultsDlg.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QVBoxLayout>

#include "chart/LabFields.h"
#include "chart/VsTestsWidgets.h"
#include "common/MessageService.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CBaseListCtrl.h"
#include "common/ui/CPictureButton.h"
#include "store/CDBToDo.h"

namespace {

// Priority 1, not checked.
constexpr uint32_t kDeferredLabFlags = 1;
constexpr int kBoxWidth = 64;

// The lines of the fishbone between the four boxes: ">-<", with WBC at its left, Plt at its
// right, Hb above and Hct below the middle line.
class FishboneCross : public QWidget {
 public:
  explicit FishboneCross(QWidget* parent) : QWidget(parent) { setFixedSize(60, 28); }

 protected:
  void paintEvent(QPaintEvent* /*event*/) override {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(palette().color(QPalette::WindowText), 1.5));
    const qreal right = width() - 1;
    const qreal bottom = height() - 1;
    const qreal middle = bottom / 2;
    const qreal leftJoint = right / 4;
    const qreal rightJoint = right - leftJoint;
    painter.drawLine(QPointF(1, 1), QPointF(leftJoint, middle));
    painter.drawLine(QPointF(1, bottom), QPointF(leftJoint, middle));
    painter.drawLine(QPointF(leftJoint, middle), QPointF(rightJoint, middle));
    painter.drawLine(QPointF(rightJoint, middle), QPointF(right, 1));
    painter.drawLine(QPointF(rightJoint, middle), QPointF(right, bottom));
  }
};

QLineEdit* MakeBox(int nameId, QWidget* parent) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(strings::Load(nameId));
  box->setAccessibleName(strings::Load(nameId));
  box->setPlaceholderText(strings::Load(nameId));
  box->setFixedWidth(kBoxWidth);
  box->setAlignment(Qt::AlignCenter);
  return box;
}

}  // namespace

CAddLabResultsDlg::CAddLabResultsDlg(QWidget* parent)
    : CVsTestsEntryDlg(ids::kAddLabResultsTitle, parent),
      m_save(vs_tests_widgets::MakeButton(ids::kPictureSave, ids::kSaveName, this)),
      m_cancel(vs_tests_widgets::MakeButton(ids::kPictureCancel, ids::kButtonCancel, this)),
      m_labType(new QComboBox(this)),
      m_wbc(MakeBox(ids::kFishboneWbc, this)),
      m_hb(MakeBox(ids::kFishboneHb, this)),
      m_hct(MakeBox(ids::kFishboneHct, this)),
      m_plt(MakeBox(ids::kFishbonePlt, this)),
      m_fishbone(MakeFishbone()),
      m_list(new CBaseListCtrl(this)) {
  GetCurrentTime(date);
  time = date;
  AddDateRow({m_save, m_cancel});
  m_labType->setObjectName(QStringLiteral("labType"));
  m_labType->setEditable(true);
  m_labType->setInsertPolicy(QComboBox::NoInsert);
  m_labType->addItems(lab_fields::GroupNames());
  m_labType->setMinimumWidth(140);
  AddRow({vs_tests_widgets::MakeCaption(ids::kLabLabel, m_labType, this), m_labType});
  MainLayout()->addWidget(m_fishbone);

  m_list->setObjectName(QStringLiteral("itemList"));
  m_list->setAccessibleName(strings::Load(ids::kLabValuesListName));
  m_list->SetExtendedStyle(CBaseListCtrl::kFullRowSelect);
  m_list->InsertColumn(CBaseListCtrl::kLabelColumn, strings::Load(ids::kColumnItem), 0);
  m_list->InsertColumn(CBaseListCtrl::kValueColumn, strings::Load(ids::kColumnValue), 0);
  vs_tests_widgets::ColumnShares::Install(m_list, vs_tests_widgets::ColumnShares::kFifths, 10, 15);
  MainLayout()->addWidget(m_list, 1);
  setTabOrder(m_labType, m_wbc);
  setTabOrder(m_wbc, m_hb);
  setTabOrder(m_hb, m_hct);
  setTabOrder(m_hct, m_plt);
  setTabOrder(m_plt, m_list);

  connect(m_labType, &QComboBox::editTextChanged, this, &CAddLabResultsDlg::OnLabTypeChanged);
  connect(m_save, &QAbstractButton::clicked, this, &CAddLabResultsDlg::OnSave);
  connect(m_cancel, &QAbstractButton::clicked, this, &CAddLabResultsDlg::OnCancel);
  labType = lab_fields::GroupNames().at(lab_fields::kCbcIndex);
  UpdateData(false);
  OnLabTypeChanged(m_labType->currentText());
}

QWidget* CAddLabResultsDlg::MakeFishbone() {
  auto* fishbone = new QWidget(this);
  fishbone->setObjectName(QStringLiteral("fishbone"));
  auto* grid = new QGridLayout(fishbone);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setSpacing(2);
  grid->addWidget(new QLabel(strings::Load(ids::kCbcCaption), fishbone), 1, 0);
  grid->addWidget(m_hb, 0, 2, Qt::AlignHCenter);
  grid->addWidget(m_wbc, 1, 1);
  grid->addWidget(new FishboneCross(fishbone), 1, 2, Qt::AlignCenter);
  grid->addWidget(m_plt, 1, 3);
  grid->addWidget(m_hct, 2, 2, Qt::AlignHCenter);
  grid->setColumnStretch(4, 1);
  return fishbone;
}

void CAddLabResultsDlg::UpdateData(bool save) {
  ExchangeDateTime(save, date, time);
  if (save) {
    labType = m_labType->currentText();
    wbc = m_wbc->text();
    hb = m_hb->text();
    hct = m_hct->text();
    plt = m_plt->text();
    m_list->CloseEdit();
    packedValues = m_list->PackString();
    return;
  }
  m_labType->setEditText(labType);
  m_wbc->setText(wbc);
  m_hb->setText(hb);
  m_hct->setText(hct);
  m_plt->setText(plt);
}

void CAddLabResultsDlg::OnLabTypeChanged(const QString& text) {
  const int index = m_labType->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (index != m_rowsIndex) {
    ShowRowsOf(index);
  }
}

void CAddLabResultsDlg::ShowRowsOf(int groupIndex) {
  m_rowsIndex = groupIndex;
  // The list keeps its bottom edge: its top moves up when the fishbone goes.
  m_fishbone->setVisible(groupIndex == lab_fields::kCbcIndex);
  rows = field_table::Build(lab_fields::Rows(groupIndex));
  m_list->UnpackList(rows);
}

bool CAddLabResultsDlg::AnyRowValue() const {
  for (int row = 0; row < m_list->GetItemCount(); ++row) {
    if (!m_list->GetValue(row).isEmpty()) {
      return true;
    }
  }
  return false;
}

QString CAddLabResultsDlg::FishbonePairs() const {
  return strings::FormatId(ids::kPackedWbc, wbc) + strings::FormatId(ids::kPackedHb, hb) +
         strings::FormatId(ids::kPackedHct, hct) + strings::FormatId(ids::kPackedPlt, plt);
}

void CAddLabResultsDlg::OnSave() {
  UpdateData(true);
  // A name of blanks only would list as an empty lab type.
  if (labType.trimmed().isEmpty()) {
    messages::Show(strings::Load(ids::kLabTypeRequired), messages::Buttons::Ok);
    return;
  }
  bool anyValue = AnyRowValue();
  if (labType == strings::Load(ids::kLabGroupCbc)) {
    packedValues = FishbonePairs() + packedValues;
    anyValue = anyValue || !wbc.isEmpty() || !hb.isEmpty() || !hct.isEmpty() || !plt.isEmpty();
  }
  if (!anyValue && !AddDeferredTodo()) {
    // The result itself is still stored by the caller.
    vs_tests_widgets::ReportFailure(ids::kDeferredLabFailed);
  }
  accept();
}

bool CAddLabResultsDlg::AddDeferredTodo() const {
  if (patientName.isEmpty()) {
    return false;
  }
  // The day of the date picker with the hour of the time picker, as the result is keyed.
  const FILETIME drawn = CDBBaseDatabase::StringToTime(CDBBaseDatabase::TimeToDayString(date) +
                                                       CDBBaseDatabase::TimeToHourString(time));
  CDBToDo todo;
  todo.patient = patientName;
  todo.text = strings::FormatId(ids::kDeferredLab,
                                CDBBaseDatabase::GetFormattedDateTime(drawn, true), labType);
  todo.flags = kDeferredLabFlags;
  todo.note.clear();
  return todo.AddNew(false) != 0;
}

void CAddLabResultsDlg::OnCancel() {
  m_list->CancelEdit();
  reject();
}
