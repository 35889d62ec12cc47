#include "chart/CAddTestDlg.h"

#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "chart/VsTestsWidgets.h"
#include "common/CDBCategories.h"
#include "common/MessageService.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CEditCategoriesDlg.h"
#include "common/ui/CPictureButton.h"
#include "common/ui/CPopupList.h"
#include "common/ui/QtControls.h"

CAddTestDlg::CAddTestDlg(QWidget* parent)
    : CVsTestsEntryDlg(ids::kAddTestTitle, parent),
      m_save(vs_tests_widgets::MakeButton(ids::kPictureSave, ids::kSaveName, this)),
      m_cancel(vs_tests_widgets::MakeButton(ids::kPictureCancel, ids::kButtonCancel, this)),
      m_test(new QComboBox(this)),
      m_resultCaption(new QLabel(strings::Load(ids::kResultCaption), this)),
      m_popup(new CPopupList(this)),
      m_result(new QPlainTextEdit(this)) {
  GetCurrentTime(date);
  time = date;
  // The name starts as one blank, with the caret after it.
  testName = QStringLiteral(" ");
  AddDateRow({m_save, m_cancel});
  m_test->setObjectName(QStringLiteral("testName"));
  m_test->setEditable(true);
  m_test->setInsertPolicy(QComboBox::NoInsert);
  m_test->lineEdit()->setMaxLength(kTestNameLimit);
  m_test->setMinimumWidth(160);
  AddRow({vs_tests_widgets::MakeCaption(ids::kTestLabel, m_test, this), m_test});
  m_popup->setAccessibleName(strings::Load(ids::kResultPopupName));
  m_popup->setFocusPolicy(Qt::TabFocus);
  m_popup->SetType(kResultPopupList);
  m_resultCaption->setBuddy(m_result);
  m_resultCaption->installEventFilter(this);
  AddRow({m_resultCaption, m_popup});
  m_result->setObjectName(QStringLiteral("resultBox"));
  m_result->setAccessibleName(strings::Load(ids::kResultCaption));
  m_result->setTabChangesFocus(true);
  MainLayout()->addWidget(m_result, 1);
  FillTestNames();
  UpdateData(false);

  connect(m_save, &QAbstractButton::clicked, this, &CAddTestDlg::OnSave);
  connect(m_cancel, &QAbstractButton::clicked, this, &CAddTestDlg::OnCancel);
  connect(m_test, &QComboBox::activated, this, &CAddTestDlg::OnTestChosen);
  connect(m_test->lineEdit(), &QLineEdit::textEdited, this, &CAddTestDlg::OnTestTyped);
  connect(m_popup, &CPopupList::notify, this, &CAddTestDlg::OnPopupNotify);
}

void CAddTestDlg::FillTestNames() {
  const QString shown = m_test->currentText();
  qt_controls::ComboBox combo(*m_test);
  CDBCategories().PopulateComboBox(CDBCategories::kTestNameList, combo, true);
  m_test->setEditText(shown);
}

void CAddTestDlg::UpdateData(bool save) {
  ExchangeDateTime(save, date, time);
  if (save) {
    testName = m_test->currentText();
    result = m_result->toPlainText();
    return;
  }
  m_test->setEditText(testName);
  m_typedName = testName;
  m_result->setPlainText(result);
}

void CAddTestDlg::setVisible(bool visible) {
  CVsTestsEntryDlg::setVisible(visible);
  // After the dialog's own focus handling, which selects the whole text of the focused box.
  if (visible) {
    m_test->setFocus();
    m_test->lineEdit()->deselect();
    m_test->lineEdit()->end(false);
  }
}

void CAddTestDlg::OnTestTyped(const QString& text) {
  m_typedName = text;
}

void CAddTestDlg::OnTestChosen(int index) {
  if (qt_controls::ItemData(*m_test, index) != CDBCategories::kEditEntryData) {
    m_typedName = m_test->itemText(index);
    return;
  }
  CEditCategoriesDlg editor(CDBCategories::kTestNameList, this);
  if (editor.DoModal() == QDialog::Accepted) {
    FillTestNames();
  }
  // The edit entry is no test name: "Test:" gets back what it held.
  m_test->setEditText(m_typedName);
}

bool CAddTestDlg::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_resultCaption && event->type() == QEvent::MouseButtonRelease &&
      m_resultCaption->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
    m_popup->DoPopup();
    return true;
  }
  return CVsTestsEntryDlg::eventFilter(watched, event);
}

void CAddTestDlg::OnPopupNotify(int code, const QString& text) {
  if (code != CPopupList::kNotifyPicked) {
    return;
  }
  result = m_result->toPlainText() + text + QLatin1Char(' ');
  m_result->setPlainText(result);
  m_result->moveCursor(QTextCursor::End);
}

void CAddTestDlg::OnSave() {
  UpdateData(true);
  qsizetype blanks = 0;
  while (blanks < testName.size() && testName.at(blanks).isSpace()) {
    ++blanks;
  }
  testName.remove(0, blanks);
  if (testName.isEmpty()) {
    messages::Show(strings::Load(ids::kTestNameRequired), strings::Load(ids::kAppName),
                   messages::Buttons::Ok, messages::Icon::Exclamation);
    return;
  }
  accept();
}

void CAddTestDlg::OnCancel() {
  reject();
}
