// The tests sub-page of "VS/Tests" and the "Add Test" dialog.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QRegularExpression>

#include "chart/CAddTestDlg.h"
#include "chart/CTestsPage.h"
#include "common/CDBCategories.h"
#include "common/ui/CBaseListCtrl.h"
#include "common/ui/CEditCategoriesDlg.h"
#include "common/ui/CPictureButton.h"
#include "common/ui/CPopupList.h"
#include "common/ui/QtControls.h"
#include "common/ui/UiSeams.h"
#include "store/CDBLists.h"
#include "test_vitals_support.h"

namespace {

using test_time::At;
using vs_tests_test::AddTest;
using vs_tests_test::Shown;

QString StoredResult(uint32_t id) {
  CDBTest test;
  EXPECT_TRUE(test.LoadByCEOID(id));
  return test.result;
}

class TestsPageTest : public vs_tests_test::VsTestsTest {
 protected:
  void ShowTests() {
    MakePage();
    m_page->OnShowTests();
    m_tests = m_page->TestsPage();
  }

  CBaseListCtrl& List() const { return *m_tests->List(); }
  QStringList Names() const {
    QStringList names;
    for (int row = 0; row < List().GetItemCount(); ++row) {
      names << List().GetItemText(row, 1);
    }
    return names;
  }
  QString Result() const { return m_tests->ResultBox()->toPlainText(); }
  uint32_t SelectedId() const {
    int type = 0;
    uint32_t id = 0;
    return m_tests->GetSelectedRecord(type, id) ? id : 0;
  }
  bool Shows(const QWidget* widget) const { return widget->isVisibleTo(m_page.get()); }
  void ClickHeading(int column) { emit List().header()->sectionClicked(column); }

  CTestsPage* m_tests = nullptr;
};

TEST_F(TestsPageTest, TheFirstTestIsShownAndSaveWaitsForAnEditOfItsResult) {
  AddTest(At(2024, 3, 2, 8, 0), QStringLiteral("EKG"), QStringLiteral("sinus"));
  AddTest(At(2024, 3, 1, 8, 0), QStringLiteral("CXR"), QStringLiteral("no infiltrate"));
  ShowTests();
  EXPECT_EQ(Names(), (QStringList{"CXR", "EKG"}));
  EXPECT_EQ(List().GetItemText(0, 0), QStringLiteral("03/01/2024 08:00 AM"));
  EXPECT_EQ(List().GetSelectedRow(), 0);
  EXPECT_EQ(Result(), QStringLiteral("no infiltrate"));
  EXPECT_FALSE(m_tests->SaveButton()->isEnabled());
  EXPECT_TRUE(m_tests->DeleteButton()->isEnabled());
  int type = 0;
  uint32_t id = 0;
  ASSERT_TRUE(m_tests->GetSelectedRecord(type, id));
  EXPECT_EQ(type, 5);

  m_tests->ResultBox()->setPlainText(QStringLiteral("small left effusion"));
  EXPECT_TRUE(m_tests->SaveButton()->isEnabled());
  m_tests->OnSave();
  EXPECT_FALSE(m_tests->SaveButton()->isEnabled());
  EXPECT_EQ(StoredResult(id), QStringLiteral("small left effusion"));

  // Another row shows its own result; an unsaved edit is dropped.
  m_tests->ResultBox()->setPlainText(QStringLiteral("unsaved"));
  List().SelectRow(1);
  EXPECT_EQ(Result(), QStringLiteral("sinus"));
  EXPECT_FALSE(m_tests->SaveButton()->isEnabled());
  List().SelectRow(0);
  EXPECT_EQ(Result(), QStringLiteral("small left effusion"));

  // A reload keeps the selected test.
  List().SelectRow(1);
  m_tests->OnSetActive();
  EXPECT_EQ(List().GetSelectedRow(), 1);
  EXPECT_EQ(Result(), QStringLiteral("sinus"));
}

TEST_F(TestsPageTest, AReadOnlyTestCannotBeEditedSavedOrDeleted) {
  AddTest(At(2024, 3, 1, 8, 0), QStringLiteral("CT"), QStringLiteral("from the desktop"), 1);
  AddTest(At(2024, 3, 2, 8, 0), QStringLiteral("US"), QStringLiteral("normal"));
  ShowTests();
  EXPECT_TRUE(Shows(m_tests->NoSaveButton()));
  EXPECT_TRUE(Shows(m_tests->NoDeleteButton()));
  EXPECT_FALSE(Shows(m_tests->SaveButton()));
  EXPECT_TRUE(m_tests->ResultBox()->isReadOnly());
  EXPECT_TRUE(Shows(m_page->ReadOnlyLabel()));
  const uint32_t id = SelectedId();
  m_tests->ResultBox()->setPlainText(QStringLiteral("changed"));
  EXPECT_FALSE(m_tests->SaveButton()->isEnabled());
  m_tests->OnSave();
  messages::DefaultRecorder().SetNextAnswer(messages::Answer::Ok);
  m_tests->OnDelete();
  EXPECT_TRUE(Shown().empty());
  EXPECT_EQ(StoredResult(id), QStringLiteral("from the desktop"));

  List().SelectRow(1);
  EXPECT_FALSE(Shows(m_page->ReadOnlyLabel()));
  EXPECT_TRUE(Shows(m_tests->SaveButton()));
  EXPECT_FALSE(m_tests->ResultBox()->isReadOnly());
}

TEST_F(TestsPageTest, AReloadShowsTheStoresOrderAndTheNextClickTurnsTheRememberedDirection) {
  AddTest(At(2024, 3, 1, 8, 0), QStringLiteral("EKG"), {});
  AddTest(At(2024, 3, 2, 8, 0), QStringLiteral("CXR"), {});
  AddTest(At(2024, 3, 3, 8, 0), QStringLiteral("MRI"), {});
  ShowTests();
  ClickHeading(1);
  EXPECT_EQ(Names(), (QStringList{"CXR", "EKG", "MRI"}));
  ClickHeading(0);
  ClickHeading(0);
  EXPECT_EQ(Names(), (QStringList{"MRI", "CXR", "EKG"}));

  m_page->OnShowVitals();
  m_page->OnShowTests();
  EXPECT_EQ(Names(), (QStringList{"EKG", "CXR", "MRI"}));
  // Descending was the last direction: the same column again sorts ascending.
  ClickHeading(0);
  EXPECT_EQ(Names(), (QStringList{"EKG", "CXR", "MRI"}));
  EXPECT_TRUE(m_tests->Sort().ascending);
  ClickHeading(0);
  EXPECT_EQ(Names(), (QStringList{"MRI", "CXR", "EKG"}));
}

TEST_F(TestsPageTest, DeletingSelectsTheRowInItsPlaceOrTheNewLastOne) {
  AddTest(At(2024, 3, 1, 8, 0), QStringLiteral("CT"), QStringLiteral("one"));
  AddTest(At(2024, 3, 2, 8, 0), QStringLiteral("US"), QStringLiteral("two"));
  AddTest(At(2024, 3, 3, 8, 0), QStringLiteral("MRI"), QStringLiteral("three"));
  ShowTests();

  messages::DefaultRecorder().SetNextAnswer(messages::Answer::Cancel);
  m_tests->OnDelete();
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_EQ(Shown()[0].text, QStringLiteral("Are you sure you want to delete this test?"));
  EXPECT_EQ(Names().size(), 3);

  const uint32_t first = SelectedId();
  messages::DefaultRecorder().SetNextAnswer(messages::Answer::Ok);
  m_tests->OnDelete();
  EXPECT_FALSE(CDBTest().LoadByCEOID(first));
  EXPECT_EQ(Names(), (QStringList{"US", "MRI"}));
  EXPECT_EQ(List().GetSelectedRow(), 0);
  EXPECT_EQ(Result(), QStringLiteral("two"));

  List().SelectRow(1);
  messages::DefaultRecorder().SetNextAnswer(messages::Answer::Ok);
  m_tests->OnDelete();
  EXPECT_EQ(List().GetSelectedRow(), 0);
  EXPECT_EQ(Result(), QStringLiteral("two"));

  messages::DefaultRecorder().SetNextAnswer(messages::Answer::Ok);
  m_tests->OnDelete();
  EXPECT_EQ(List().GetItemCount(), 0);
  EXPECT_TRUE(Result().isEmpty());
  EXPECT_FALSE(m_tests->SaveButton()->isEnabled());
  EXPECT_FALSE(m_tests->DeleteButton()->isEnabled());
  EXPECT_EQ(SelectedId(), 0u);
}

TEST_F(TestsPageTest, AFailedSaveShowsTheDatabaseErrorOnceAndLeavesSaveEnabled) {
  AddTest(At(2024, 3, 1, 8, 0), QStringLiteral("CXR"), QStringLiteral("pending"));
  ShowTests();
  const uint32_t id = SelectedId();
  m_tests->ResultBox()->setPlainText(QStringLiteral("read"));
  vs_tests_test::RefuseWrites(m_device.device(), CDBTest::kVolumeName);
  m_tests->OnSave();
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_TRUE(
      QRegularExpression(QStringLiteral("^dberror -?\\d+$")).match(Shown()[0].text).hasMatch())
      << Shown()[0].text.toStdString();
  EXPECT_TRUE(m_tests->SaveButton()->isEnabled());
  EXPECT_EQ(StoredResult(id), QStringLiteral("pending"));
}

TEST_F(TestsPageTest, SavingATestThatIsGoneIsToldInsteadOfPassedOver) {
  AddTest(At(2024, 3, 1, 8, 0), QStringLiteral("CXR"), QStringLiteral("pending"));
  ShowTests();
  ASSERT_TRUE(CDBTest().DeleteByCEOID(SelectedId()));
  m_tests->ResultBox()->setPlainText(QStringLiteral("read"));
  m_tests->OnSave();
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_EQ(Shown()[0].text, QStringLiteral("The test could not be saved."));
  EXPECT_TRUE(m_tests->SaveButton()->isEnabled());
}

// ---------------------------------------------------------------------------------------------
// "Add Test"

class AddTestDlgTest : public vs_tests_test::VsTestsTest {
 protected:
  static QStringList Offered(const QComboBox& box) {
    QStringList texts;
    for (int i = 0; i < box.count(); ++i) {
      texts << box.itemText(i);
    }
    return texts;
  }
};

TEST_F(AddTestDlgTest, TheNameStartsWithABlankThatSaveRemovesAndTakesAtMost24Characters) {
  CAddTestDlg dialog;
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Add Test"));
  EXPECT_EQ(dialog.TestBox()->currentText(), QStringLiteral(" "));
  dialog.show();
  EXPECT_EQ(dialog.TestBox()->lineEdit()->cursorPosition(), 1);
  QLineEdit& edit = *dialog.TestBox()->lineEdit();
  edit.insert(QStringLiteral("Abdominal Film, lateral view"));
  EXPECT_EQ(edit.text(), QStringLiteral(" Abdominal Film, lateral"));
  dialog.ResultBox()->setPlainText(QStringLiteral("no free air"));
  dialog.OnSave();
  EXPECT_EQ(dialog.QDialog::result(), QDialog::Accepted);
  EXPECT_EQ(dialog.testName, QStringLiteral("Abdominal Film, lateral"));
  EXPECT_EQ(dialog.result, QStringLiteral("no free air"));
  EXPECT_TRUE(Shown().empty());
}

TEST_F(AddTestDlgTest, AnEmptyOrBlankNameIsRefusedAndTheDialogStays) {
  CAddTestDlg dialog;
  for (const char* typed : {" ", "", " \t  "}) {
    messages::DefaultRecorder().Clear();
    dialog.TestBox()->setEditText(QString::fromUtf8(typed));
    dialog.OnSave();
    ASSERT_EQ(Shown().size(), 1u);
    EXPECT_EQ(Shown()[0].text, QStringLiteral("You must enter a test name before saving!"));
    EXPECT_EQ(Shown()[0].caption, QStringLiteral("Ovelin"));
    EXPECT_EQ(Shown()[0].icon, messages::Icon::Exclamation);
    EXPECT_NE(dialog.QDialog::result(), QDialog::Accepted);
  }
  // An empty result is allowed.
  dialog.TestBox()->setEditText(QStringLiteral("US"));
  dialog.OnSave();
  EXPECT_EQ(dialog.QDialog::result(), QDialog::Accepted);
  EXPECT_TRUE(dialog.result.isEmpty());
}

TEST_F(AddTestDlgTest, TheEditEntryRunsTheCategoryEditorAndTheEditedListIsOffered) {
  CAddTestDlg dialog;
  QComboBox& box = *dialog.TestBox();
  const QStringList factory = {
      "AAS", "Abdominal Film", "CT", "CXR", "Echo", "EEG", "EKG", "MRI", "US", "Xray"};
  ASSERT_EQ(box.count(), 11);
  EXPECT_EQ(Offered(box).mid(0, 10), factory);
  EXPECT_EQ(qt_controls::ItemData(box, 10), CDBCategories::kEditEntryData);

  int editedList = -1;
  ui_seams::PushModalHandler([&editedList](QDialog& shown) {
    auto& editor = dynamic_cast<CEditCategoriesDlg&>(shown);
    editedList = editor.ListId();
    CDBCategories entry;
    entry.text = QStringLiteral("PET");
    EXPECT_TRUE(entry.AddNew(CDBCategories::kTestNameList));
    return static_cast<int>(QDialog::Accepted);
  });
  box.lineEdit()->setText(QStringLiteral(" Ech"));
  emit box.lineEdit()->textEdited(box.lineEdit()->text());
  box.setCurrentIndex(10);
  emit box.activated(10);
  EXPECT_EQ(editedList, 20);
  EXPECT_EQ(box.count(), 12);
  EXPECT_EQ(box.itemText(10), QStringLiteral("PET"));
  EXPECT_EQ(box.currentText(), QStringLiteral(" Ech"));

  // A picked entry is the name.
  box.setCurrentIndex(4);
  emit box.activated(4);
  dialog.OnSave();
  EXPECT_EQ(dialog.testName, QStringLiteral("Echo"));
}

TEST_F(AddTestDlgTest, ThePopupAppendsThePickedPhraseAndABlank) {
  CAddTestDlg dialog;
  EXPECT_EQ(dialog.ResultPopup()->GetType(), 21);
  dialog.ResultBox()->setPlainText(QStringLiteral("Impression:"));
  dialog.ResultPopup()->SetEntries({QStringLiteral(" normal"), QStringLiteral(" abnormal")});
  ui_seams::PushModalHandler([](QDialog& shown) {
    shown.findChild<QListWidget*>()->setCurrentRow(1);
    return static_cast<int>(QDialog::Accepted);
  });
  ASSERT_TRUE(dialog.ResultPopup()->DoPopup());
  EXPECT_EQ(dialog.ResultBox()->toPlainText(), QStringLiteral("Impression: abnormal "));
  dialog.OnPopupNotify(2, QStringLiteral("ignored"));
  EXPECT_EQ(dialog.ResultBox()->toPlainText(), QStringLiteral("Impression: abnormal "));

  // A tap on the "Result" caption opens the same pop-up.
  dialog.show();
  ui_seams::PushModalHandler([](QDialog& shown) {
    shown.findChild<QListWidget*>()->setCurrentRow(0);
    return static_cast<int>(QDialog::Accepted);
  });
  QLabel& caption = *dialog.ResultCaption();
  QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), caption.mapToGlobal(QPointF(2, 2)),
                      Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&caption, &release);
  EXPECT_EQ(dialog.ResultBox()->toPlainText(), QStringLiteral("Impression: abnormal  normal "));
}

}  // namespace
