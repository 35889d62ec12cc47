// "Edit Auto Text" on its own: opening a stored or a missing list, inserting and removing rows,
// and what SAVE and CANCEL leave in the store.

#include <gtest/gtest.h>

#include <QLineEdit>

#include "chart/CEditAutoTextDlg.h"
#include "common/MessageService.h"
#include "common/StringIds.h"
#include "common/ui/CAutoListCtrl.h"
#include "common/ui/CPictureButton.h"
#include "common/ui/InputPanel.h"
#include "common/ui/UiSeams.h"
#include "store/CDBLists.h"
#include "support/TempDevice.h"
#include "support/TestGuard.h"
#include "test_meds_support.h"

namespace {

// The stored content of a list; empty when it is not stored.
QString StoredContent(const QString& listName) {
  CDBLists lists;
  return lists.FindByName(listName) ? lists.content : QString();
}

bool IsStored(const QString& listName) {
  return CDBLists().FindByName(listName);
}

void Store(const QString& listName, const QString& content) {
  CDBLists lists;
  lists.patient = listName;
  lists.content = content;
  ASSERT_TRUE(lists.AddNew());
}

class EditAutoTextDlgTest : public ::testing::Test {
 protected:
  void Open(const QString& listName) { m_dialog = std::make_unique<CEditAutoTextDlg>(listName); }

  CAutoListCtrl& List() const { return *m_dialog->List(); }
  QStringList Rows() const {
    QStringList rows;
    for (int row = 0; row < List().GetItemCount(); ++row) {
      rows.append(List().GetItemText(row, 0));
    }
    return rows;
  }
  // Types into the open editor and ends the edit.
  void Type(const QString& text) {
    ASSERT_TRUE(List().InsertInEditor(text));
    List().CloseEdit();
  }

  TestGuard m_guard;
  TempDevice m_device;
  std::unique_ptr<CEditAutoTextDlg> m_dialog;
};

TEST_F(EditAutoTextDlgTest, AMissingListStartsEmptyAndSaveCreatesIt) {
  const QString name = QStringLiteral("2101");  // "HPI" has no default list
  ASSERT_FALSE(IsStored(name));
  Open(name);
  EXPECT_EQ(m_dialog->windowTitle(), QStringLiteral("Edit Auto Text"));
  EXPECT_EQ(List().GetItemCount(), 0);
  EXPECT_EQ(m_dialog->ListRecordId(), 0u);
  EXPECT_FALSE(m_dialog->DeleteButton()->isEnabled());

  m_dialog->OnInsert();
  Type(QStringLiteral("Onset sudden"));
  m_dialog->OnInsert();
  Type(QStringLiteral("Worse at night"));
  m_dialog->OnSave();
  EXPECT_EQ(m_dialog->result(), QDialog::Accepted);
  EXPECT_EQ(StoredContent(name), QStringLiteral("Onset sudden\nWorse at night\n"));
  EXPECT_NE(m_dialog->ListRecordId(), 0u);

  // Opened again, the editor shows the saved phrases and SAVE rewrites the same list.
  Open(name);
  EXPECT_EQ(Rows(), (QStringList{"Onset sudden", "Worse at night"}));
  EXPECT_TRUE(m_dialog->DeleteButton()->isEnabled());
  List().SelectRow(0);
  m_dialog->OnDelete();
  m_dialog->OnSave();
  EXPECT_EQ(StoredContent(name), QStringLiteral("Worse at night\n"));
}

TEST_F(EditAutoTextDlgTest, InsertPutsAnOpenRowAfterTheSelectedOneOrAtTheTop) {
  Store(QStringLiteral("9001"), QStringLiteral("One\nTwo\nThree\nFour\nFive\n"));
  Open(QStringLiteral("9001"));
  List().SelectRow(2);
  m_dialog->OnInsert();
  ASSERT_TRUE(List().IsEditing());
  EXPECT_EQ(List().EditingRow(), 3);
  EXPECT_TRUE(qobject_cast<QLineEdit*>(List().Editor()) != nullptr);
  Type(QStringLiteral("Three and a half"));
  EXPECT_EQ(Rows(), (QStringList{"One", "Two", "Three", "Three and a half", "Four", "Five"}));

  List().clearSelection();
  m_dialog->OnInsert();
  EXPECT_EQ(List().EditingRow(), 0);
  Type(QStringLiteral("Zero"));
  EXPECT_EQ(Rows().first(), QStringLiteral("Zero"));
  // A row left empty is not stored.
  List().SelectRow(6);
  m_dialog->OnInsert();
  List().CloseEdit();
  m_dialog->OnSave();
  EXPECT_EQ(StoredContent(QStringLiteral("9001")),
            QStringLiteral("Zero\nOne\nTwo\nThree\nThree and a half\nFour\nFive\n"));
}

TEST_F(EditAutoTextDlgTest, RemoveSelectsTheRowInThePlaceOrTheNewLastOne) {
  Store(QStringLiteral("9002"), QStringLiteral("One\nTwo\nThree\n"));
  Open(QStringLiteral("9002"));
  m_dialog->OnDelete();  // nothing selected: nothing goes
  EXPECT_EQ(List().GetItemCount(), 3);

  List().SelectRow(0);
  m_dialog->OnDelete();
  EXPECT_EQ(Rows(), (QStringList{"Two", "Three"}));
  EXPECT_EQ(List().GetSelectedRow(), 0);
  List().SelectRow(1);
  m_dialog->OnDelete();
  EXPECT_EQ(Rows(), QStringList{QStringLiteral("Two")});
  EXPECT_EQ(List().GetSelectedRow(), 0);
  EXPECT_TRUE(m_dialog->DeleteButton()->isEnabled());
  m_dialog->OnDelete();
  EXPECT_EQ(List().GetItemCount(), 0);
  EXPECT_FALSE(m_dialog->DeleteButton()->isEnabled());
  m_dialog->OnInsert();
  EXPECT_TRUE(m_dialog->DeleteButton()->isEnabled());
}

TEST_F(EditAutoTextDlgTest, CancelKeepsTheStoredList) {
  const QString ros = QString::number(ids::kListSystem);
  const QString before = StoredContent(ros);  // the default review of systems
  ASSERT_FALSE(before.isEmpty());
  Open(ros);
  EXPECT_EQ(List().GetItemCount(), 19);
  List().SelectRow(4);
  m_dialog->OnDelete();
  m_dialog->OnInsert();
  Type(QStringLiteral("Rash"));
  m_dialog->OnCancel();
  EXPECT_EQ(m_dialog->result(), QDialog::Rejected);
  EXPECT_EQ(StoredContent(ros), before);
}

TEST_F(EditAutoTextDlgTest, SaveTakesTheRowBeingTyped) {
  Open(QStringLiteral("9003"));
  m_dialog->OnInsert();
  ASSERT_TRUE(List().InsertInEditor(QStringLiteral("Still typing")));
  m_dialog->OnSave();
  EXPECT_EQ(StoredContent(QStringLiteral("9003")), QStringLiteral("Still typing\n"));
}

TEST_F(EditAutoTextDlgTest, AListThatCannotBeStoredKeepsTheDialogOpen) {
  Store(QStringLiteral("9004"), QStringLiteral("One\n"));
  Open(QStringLiteral("9004"));
  // The list goes while the editor is open.
  ASSERT_TRUE(CDBLists().DeleteByCEOID(m_dialog->ListRecordId()));
  List().SelectRow(0);
  m_dialog->OnInsert();
  Type(QStringLiteral("Two"));
  m_dialog->OnSave();
  EXPECT_NE(m_dialog->result(), QDialog::Accepted);
  const auto& shown = messages::DefaultRecorder().Messages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, QStringLiteral("The list could not be saved."));
  EXPECT_EQ(Rows(), (QStringList{"One", "Two"}));
}

TEST_F(EditAutoTextDlgTest, ControlsAreNamedAndTheListEndsAboveTheInputPanel) {
  Open(QStringLiteral("9005"));
  for (const QWidget* control :
       {static_cast<const QWidget*>(&List()), static_cast<const QWidget*>(m_dialog->SaveButton()),
        static_cast<const QWidget*>(m_dialog->CancelButton()),
        static_cast<const QWidget*>(m_dialog->InsertButton()),
        static_cast<const QWidget*>(m_dialog->DeleteButton())}) {
    EXPECT_FALSE(control->accessibleName().isEmpty()) << control->objectName().toStdString();
  }
  EXPECT_EQ(m_dialog->InsertButton()->accessibleName(), QStringLiteral("Insert"));
  EXPECT_EQ(m_dialog->DeleteButton()->accessibleName(), QStringLiteral("Remove"));

  meds_test::ExpectListEndsAboveInputPanel(*m_dialog, List());
}

}  // namespace
