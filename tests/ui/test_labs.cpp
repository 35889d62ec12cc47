// The labs sub-page of "VS/Tests" and the "Add Lab Results" and "Edit Lab Results" dialogs.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTimeEdit>

#include "chart/CAddLabResultsDlg.h"
#include "chart/CEditLabResultsDlg.h"
#include "chart/CLabsPage.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CBaseListCtrl.h"
#include "common/ui/CPictureButton.h"
#include "common/ui/InputPanel.h"
#include "common/ui/UiSeams.h"
#include "store/CDBToDo.h"
#include "test_vitals_support.h"

namespace {

using test_time::At;
using vs_tests_test::AddLab;
using vs_tests_test::kPatient;
using vs_tests_test::Shown;

QString StoredValues(uint32_t id) {
  CDBLabValues lab;
  EXPECT_TRUE(lab.LoadByCEOID(id));
  return lab.values;
}

QString Summary(uint32_t id) {
  CDBLabValues lab;
  EXPECT_TRUE(lab.LoadByCEOID(id));
  return lab.FormatResultText();
}

class LabsPageTest : public vs_tests_test::VsTestsTest {
 protected:
  void ShowLabs() {
    MakePage();
    m_labs = m_page->LabsPage();
  }

  CBaseListCtrl& Upper() const { return *m_labs->UpperList(); }
  CBaseListCtrl& Lower() const { return *m_labs->LowerList(); }
  QStringList Column(int column) const {
    QStringList texts;
    for (int row = 0; row < Upper().GetItemCount(); ++row) {
      texts << Upper().GetItemText(row, column);
    }
    return texts;
  }
  QStringList LowerTexts() const {
    QStringList texts;
    for (int row = 0; row < Lower().GetItemCount(); ++row) {
      texts << Lower().GetItemText(row, 0);
    }
    return texts;
  }
  int RowOfGroup(const QString& group) const { return static_cast<int>(Column(1).indexOf(group)); }
  uint32_t IdOfRow(int row) {
    Focus(row);
    int type = 0;
    uint32_t id = 0;
    return m_labs->GetSelectedRecord(type, id) ? id : 0;
  }
  bool Highlighted(int row) const { return Upper().topLevelItem(row)->isSelected(); }
  bool Shows(const QWidget* widget) const { return widget->isVisibleTo(m_page.get()); }
  // A tap on a row focuses it and marks or unmarks it.
  void Tap(int row) {
    Focus(row);
    m_labs->OnRowTapped(row);
  }
  void Focus(int row) { Upper().setCurrentItem(Upper().topLevelItem(row)); }
  void ClickHeading(int column) { emit Upper().header()->sectionClicked(column); }

  CLabsPage* m_labs = nullptr;
};

TEST_F(LabsPageTest, TapsMarkAndUnmarkRowsAndSelectWaitsForAMark) {
  AddLab(At(2024, 3, 1, 8, 0), QStringLiteral("CBC"), QStringLiteral("RBC\n4.5\n"));
  AddLab(At(2024, 3, 2, 8, 0), QStringLiteral("UA"), QStringLiteral("SG\n1.01\n"));
  AddLab(At(2024, 3, 3, 8, 0), QStringLiteral("ABG"), QStringLiteral("pH\n7.4\n"));
  ShowLabs();
  EXPECT_EQ(Column(1), (QStringList{"CBC", "UA", "ABG"}));
  EXPECT_FALSE(m_labs->SelectButton()->isEnabled());
  EXPECT_FALSE(m_labs->OpenButton()->isEnabled());
  EXPECT_FALSE(m_labs->ClearButton()->isEnabled());

  Tap(0);
  Tap(2);
  EXPECT_TRUE(Highlighted(0));
  EXPECT_FALSE(Highlighted(1));
  EXPECT_TRUE(Highlighted(2));
  EXPECT_TRUE(m_labs->SelectButton()->isEnabled());
  EXPECT_TRUE(m_labs->OpenButton()->isEnabled());
  EXPECT_EQ(m_labs->MarkedIds().size(), 2u);

  // Focusing a row without tapping it changes no mark.
  Focus(1);
  EXPECT_FALSE(Highlighted(1));
  EXPECT_TRUE(Highlighted(0));

  Tap(0);
  Tap(2);
  EXPECT_FALSE(Highlighted(0));
  EXPECT_FALSE(Highlighted(2));
  EXPECT_TRUE(m_labs->MarkedIds().empty());
  EXPECT_FALSE(m_labs->SelectButton()->isEnabled());
}

TEST_F(LabsPageTest, SelectShowsTheMarkedResultsInListOrderAsWideAsTheWidestSummary) {
  AddLab(At(2024, 3, 1, 8, 0), QStringLiteral("CBC"), QStringLiteral("RBC\n4.5\nMCV\n90\n"));
  AddLab(At(2024, 3, 2, 8, 0), QStringLiteral("Coags"), QStringLiteral("PT\n12\n"));
  AddLab(At(2024, 3, 3, 8, 0), QStringLiteral("CBC"), QStringLiteral("RBC\n4.1\n"));
  ShowLabs();
  const uint32_t older = IdOfRow(0);
  const uint32_t newer = IdOfRow(2);
  // Marked newest first; shown in the list's order.
  Tap(2);
  Tap(0);
  m_labs->OnSelect();
  EXPECT_EQ(LowerTexts(), (QStringList{Summary(older), Summary(newer)}));
  EXPECT_EQ(Summary(older), QStringLiteral("03/01/2024 08:00 AM CBC RBC:4.5 MCV:90 "));
  EXPECT_EQ(Lower().GetItemData(0), older);
  EXPECT_TRUE(m_labs->ClearButton()->isEnabled());
  const int widest = m_labs->SummaryWidth(Summary(older));
  EXPECT_GT(widest, m_labs->SummaryWidth(Summary(newer)));
  EXPECT_EQ(Lower().GetColumnWidth(0), widest);

  // Sorted the other way round, SELECT follows the display order.
  ClickHeading(0);
  ClickHeading(0);
  m_labs->OnSelect();
  EXPECT_EQ(LowerTexts(), (QStringList{Summary(newer), Summary(older)}));

  m_labs->OnClear();
  EXPECT_EQ(Lower().GetItemCount(), 0);
  EXPECT_FALSE(m_labs->ClearButton()->isEnabled());
  EXPECT_TRUE(Highlighted(0));  // the marks stay
  m_labs->OnSelect();
  EXPECT_EQ(Lower().GetItemCount(), 2);

  // With nothing marked the lower list is empty, and never narrower than 10 pixels.
  Tap(0);
  Tap(2);
  m_labs->OnSelect();
  EXPECT_EQ(Lower().GetItemCount(), 0);
  EXPECT_EQ(Lower().GetColumnWidth(0), 10);
}

TEST_F(LabsPageTest, HeadingClicksSortAndTheSortSurvivesAReload) {
  AddLab(At(2024, 3, 2, 8, 0), QStringLiteral("UA"), {});
  AddLab(At(2024, 3, 1, 8, 0), QStringLiteral("Coags"), {});
  AddLab(At(2024, 3, 3, 8, 0), QStringLiteral("ABG"), {});
  AddLab(At(2024, 3, 3, 9, 0), QStringLiteral("abg"), {});
  ShowLabs();
  EXPECT_EQ(Column(1), (QStringList{"Coags", "UA", "ABG", "abg"}));

  ClickHeading(0);
  EXPECT_EQ(Column(1), (QStringList{"Coags", "UA", "ABG", "abg"}));
  ClickHeading(0);
  EXPECT_EQ(Column(1), (QStringList{"abg", "ABG", "UA", "Coags"}));
  EXPECT_FALSE(m_labs->Sort().ascending);
  // Another column sorts ascending; names compare case-sensitively.
  ClickHeading(1);
  EXPECT_EQ(Column(1), (QStringList{"ABG", "Coags", "UA", "abg"}));
  ClickHeading(1);
  EXPECT_EQ(Column(1), (QStringList{"abg", "UA", "Coags", "ABG"}));

  AddLab(At(2024, 3, 4, 8, 0), QStringLiteral("LFTs"), {});
  m_labs->OnSetActive();
  EXPECT_EQ(Column(1), (QStringList{"abg", "UA", "LFTs", "Coags", "ABG"}));
  m_page->OnShowVitals();
  m_page->OnShowLabs();
  EXPECT_EQ(Column(1), (QStringList{"abg", "UA", "LFTs", "Coags", "ABG"}));
}

TEST_F(LabsPageTest, MarksTheFocusAndTheLowerListSurviveAReloadAndDeletedResultsDropOut) {
  AddLab(At(2024, 3, 1, 8, 0), QStringLiteral("CBC"), QStringLiteral("RBC\n4.5\n"));
  AddLab(At(2024, 3, 2, 8, 0), QStringLiteral("UA"), QStringLiteral("SG\n1.01\n"));
  AddLab(At(2024, 3, 3, 8, 0), QStringLiteral("ABG"), QStringLiteral("pH\n7.4\n"));
  ShowLabs();
  const uint32_t cbc = IdOfRow(0);
  const uint32_t ua = IdOfRow(1);
  Tap(0);
  Tap(1);
  m_labs->OnSelect();
  Focus(2);

  // Another result of an earlier date is listed first after the reload.
  AddLab(At(2024, 2, 1, 8, 0), QStringLiteral("Misc"), QStringLiteral("Value Name\nLactate\n"));
  ASSERT_TRUE(CDBLabValues().DeleteByCEOID(ua));
  m_page->OnShowVitals();
  m_page->OnShowLabs();
  EXPECT_EQ(Column(1), (QStringList{"Misc", "CBC", "ABG"}));
  EXPECT_TRUE(Highlighted(1));
  EXPECT_FALSE(Highlighted(0));
  EXPECT_FALSE(Highlighted(2));
  EXPECT_EQ(Upper().currentItem(), Upper().topLevelItem(2));
  EXPECT_TRUE(m_labs->OpenButton()->isEnabled());
  EXPECT_EQ(LowerTexts(), (QStringList{Summary(cbc)}));
  EXPECT_EQ(m_labs->ShownIds(), (std::vector<uint32_t>{cbc}));
  EXPECT_TRUE(m_labs->SelectButton()->isEnabled());
}

TEST_F(LabsPageTest, AFocusedReadOnlyResultShowsTheLabelAndNoDelete) {
  AddLab(At(2024, 3, 1, 8, 0), QStringLiteral("CBC"), QStringLiteral("RBC\n4.5\n"), 1);
  AddLab(At(2024, 3, 2, 8, 0), QStringLiteral("UA"), QStringLiteral("SG\n1.01\n"));
  ShowLabs();
  EXPECT_FALSE(Shows(m_page->ReadOnlyLabel()));
  Focus(0);
  EXPECT_TRUE(Shows(m_page->ReadOnlyLabel()));
  EXPECT_TRUE(Shows(m_labs->NoDeleteButton()));
  EXPECT_FALSE(Shows(m_labs->DeleteButton()));

  messages::DefaultRecorder().SetNextAnswer(messages::Answer::Ok);
  m_labs->OnDelete();  // nothing: the result stays
  EXPECT_TRUE(Shown().empty());
  EXPECT_EQ(Upper().GetItemCount(), 2);

  Focus(1);
  EXPECT_FALSE(Shows(m_page->ReadOnlyLabel()));
  EXPECT_TRUE(Shows(m_labs->DeleteButton()));

  // The label comes back with the focused read-only result after a reload.
  Focus(0);
  m_labs->OnSetActive();
  EXPECT_TRUE(Shows(m_page->ReadOnlyLabel()));
}

TEST_F(LabsPageTest, OpenEditsAWritableResultAndNeverWritesAReadOnlyOne) {
  AddLab(At(2024, 3, 1, 8, 0), QStringLiteral("CBC"),
         QStringLiteral("WBC\n9\nHb\n13\nHct\n\nPlt\n250\nRBC\n4.5\n"));
  AddLab(At(2024, 3, 2, 8, 0), QStringLiteral("UA"), QStringLiteral("SG\n1.01\n"), 1);
  ShowLabs();
  const uint32_t cbc = IdOfRow(0);
  const uint32_t ua = IdOfRow(1);
  Tap(0);
  m_labs->OnSelect();

  QStringList labels;
  bool panelUp = false;
  ui_seams::PushModalHandler([&](QDialog& shown) {
    auto& dialog = dynamic_cast<CEditLabResultsDlg&>(shown);
    panelUp = input_panel::IsUp();
    EXPECT_EQ(dialog.DateBox()->text(), QStringLiteral("03/01/2024 08:00 AM"));
    EXPECT_EQ(dialog.LabBox()->text(), QStringLiteral("CBC"));
    for (int row = 0; row < dialog.List()->GetItemCount(); ++row) {
      labels << dialog.List()->GetItemText(row, 0);
    }
    EXPECT_TRUE(dialog.SaveButton()->isVisibleTo(&dialog));
    dialog.List()->SetValue(2, QStringLiteral("39"));
    dialog.OnSave();
    return dialog.result();
  });
  Focus(0);
  m_labs->OnOpen();
  EXPECT_TRUE(panelUp);
  EXPECT_FALSE(input_panel::IsUp());
  EXPECT_EQ(ui_seams::ModalTitles().last(), QStringLiteral("Edit Lab Results"));
  EXPECT_EQ(labels, (QStringList{"WBC", "Hb", "Hct", "Plt", "RBC"}));
  EXPECT_EQ(StoredValues(cbc), QStringLiteral("WBC\n9\nHb\n13\nHct\n39\nPlt\n250\nRBC\n4.5\n"));
  EXPECT_EQ(LowerTexts(), (QStringList{Summary(cbc)}));  // rebuilt with the new values
  EXPECT_TRUE(Summary(cbc).contains(QStringLiteral("Hct:39")));

  // The read-only result: NOSAVE and a read-only list, and nothing written even on OK.
  ui_seams::PushModalHandler([](QDialog& shown) {
    auto& dialog = dynamic_cast<CEditLabResultsDlg&>(shown);
    EXPECT_TRUE(dialog.NoSaveButton()->isVisibleTo(&dialog));
    EXPECT_FALSE(dialog.SaveButton()->isVisibleTo(&dialog));
    EXPECT_TRUE(dialog.List()->IsReadOnly());
    dialog.List()->SetValue(0, QStringLiteral("1.03"));
    dialog.OnSave();  // refused
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    return static_cast<int>(QDialog::Accepted);
  });
  Focus(1);
  m_labs->OnOpen();
  EXPECT_EQ(StoredValues(ua), QStringLiteral("SG\n1.01\n"));

  // A double tap on a lower row opens that row's result, whatever upper row is focused.
  QString opened;
  ui_seams::PushModalHandler([&opened](QDialog& shown) {
    opened = dynamic_cast<CEditLabResultsDlg&>(shown).LabBox()->text();
    return static_cast<int>(QDialog::Rejected);
  });
  m_labs->OnLowerDoubleTap(0, 0);
  EXPECT_EQ(opened, QStringLiteral("CBC"));
}

TEST_F(LabsPageTest, DeleteAsksRemovesTheResultAndFocusesNoOther) {
  AddLab(At(2024, 3, 1, 8, 0), QStringLiteral("CBC"), QStringLiteral("RBC\n4.5\n"));
  AddLab(At(2024, 3, 2, 8, 0), QStringLiteral("UA"), QStringLiteral("SG\n1.01\n"));
  ShowLabs();
  const uint32_t cbc = IdOfRow(0);
  Tap(0);
  Tap(1);
  m_labs->OnSelect();
  Focus(0);

  messages::DefaultRecorder().SetNextAnswer(messages::Answer::Cancel);
  m_labs->OnDelete();
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_EQ(Shown()[0].text, QStringLiteral("Are you sure you want to delete this lab result?"));
  EXPECT_EQ(Upper().GetItemCount(), 2);

  messages::DefaultRecorder().SetNextAnswer(messages::Answer::Ok);
  m_labs->OnDelete();
  EXPECT_FALSE(CDBLabValues().LoadByCEOID(cbc));
  EXPECT_EQ(Column(1), (QStringList{"UA"}));
  EXPECT_EQ(Upper().currentItem(), nullptr);
  EXPECT_FALSE(m_labs->OpenButton()->isEnabled());
  EXPECT_FALSE(m_labs->DeleteButton()->isEnabled());
  EXPECT_EQ(Lower().GetItemCount(), 1);
  EXPECT_TRUE(m_labs->SelectButton()->isEnabled());
  int type = 0;
  uint32_t id = 0;
  EXPECT_FALSE(m_labs->GetSelectedRecord(type, id));
}

TEST_F(LabsPageTest, AFailedDeleteIsToldAndKeepsTheRow) {
  AddLab(At(2024, 3, 1, 8, 0), QStringLiteral("CBC"), QStringLiteral("RBC\n4.5\n"));
  ShowLabs();
  Focus(0);
  vs_tests_test::RefuseWrites(m_device.device(), CDBLabValues::kVolumeName);
  messages::DefaultRecorder().SetNextAnswer(messages::Answer::Ok);
  m_labs->OnDelete();
  ASSERT_EQ(Shown().size(), 2u);
  EXPECT_EQ(Shown()[1].text, QStringLiteral("The lab result could not be deleted."));
  EXPECT_EQ(Upper().GetItemCount(), 1);
}

// ---------------------------------------------------------------------------------------------
// "Add Lab Results"

class AddLabResultsDlgTest : public vs_tests_test::VsTestsTest {
 protected:
  void SetUp() override {
    VsTestsTest::SetUp();
    m_dialog = std::make_unique<CAddLabResultsDlg>();
    m_dialog->patientName = kPatient;
    m_dialog->resize(480, 640);
    m_dialog->show();
  }

  QStringList Labels() const {
    QStringList labels;
    for (int row = 0; row < m_dialog->List()->GetItemCount(); ++row) {
      labels << m_dialog->List()->GetItemText(row, 0);
    }
    return labels;
  }
  static int TodoCount() {
    CDBToDo todo;
    int count = 0;
    for (bool found = todo.FindFirstOfPatient(kPatient, -1); found;
         found = todo.FindNextOfPatient(kPatient, -1)) {
      ++count;
    }
    return count;
  }
  QRect ListPlace() const {
    const QWidget* list = m_dialog->List();
    return QRect(list->mapTo(m_dialog.get(), QPoint(0, 0)), list->size());
  }
  void ChooseLabType(int index) {
    m_dialog->LabTypeBox()->setCurrentIndex(index);
    QCoreApplication::processEvents();
  }

  std::unique_ptr<CAddLabResultsDlg> m_dialog;
};

TEST_F(AddLabResultsDlgTest, EachLabTypeHasItsRowsAndOnlyCbcTheFishbone) {
  EXPECT_EQ(m_dialog->windowTitle(), QStringLiteral("Add Lab Results"));
  QStringList offered;
  for (int i = 0; i < m_dialog->LabTypeBox()->count(); ++i) {
    offered << m_dialog->LabTypeBox()->itemText(i);
  }
  EXPECT_EQ(offered, (QStringList{"CBC", "Chemistry", "LFTs", "UA", "Coags", "ABG", "Misc"}));
  EXPECT_EQ(m_dialog->LabTypeBox()->currentText(), QStringLiteral("CBC"));
  EXPECT_TRUE(m_dialog->Fishbone()->isVisible());
  ASSERT_EQ(Labels().size(), 14);
  EXPECT_EQ(Labels().first(), QStringLiteral("RBC"));
  EXPECT_EQ(Labels().last(), QStringLiteral("Retic"));
  const QRect withFishbone = ListPlace();

  const struct {
    int index;
    int rows;
    const char* first;
    const char* last;
  } types[] = {{1, 15, "Na", "Trp"}, {2, 18, "Alb", "I-bili"}, {3, 11, "SG", "Glu"},
               {4, 7, "PT", "DD"},   {5, 7, "pH", "FIO2"},     {6, 2, "Value Name", "Result"}};
  for (const auto& type : types) {
    SCOPED_TRACE(type.first);
    ChooseLabType(type.index);
    ASSERT_EQ(Labels().size(), type.rows);
    EXPECT_EQ(Labels().first(), QString::fromUtf8(type.first));
    EXPECT_EQ(Labels().last(), QString::fromUtf8(type.last));
    EXPECT_FALSE(m_dialog->Fishbone()->isVisible());
  }
  // Without the fishbone the list starts higher and ends where it did.
  const QRect without = ListPlace();
  EXPECT_LT(without.top(), withFishbone.top());
  EXPECT_EQ(without.bottom(), withFishbone.bottom());

  // A typed lab type that is not offered takes the free-form rows.
  ChooseLabType(0);
  m_dialog->LabTypeBox()->setEditText(QStringLiteral("Lipids"));
  EXPECT_EQ(Labels(), (QStringList{"Value Name", "Result"}));
  EXPECT_FALSE(m_dialog->Fishbone()->isVisible());
}

TEST_F(AddLabResultsDlgTest, ACbcStoresTheFishboneFirstAndAValueMeansNoTodo) {
  m_dialog->WbcBox()->setText(QStringLiteral("11.2"));
  m_dialog->OnSave();
  EXPECT_EQ(m_dialog->result(), QDialog::Accepted);
  EXPECT_EQ(m_dialog->labType, QStringLiteral("CBC"));
  const QString fishbone = QStringLiteral("WBC\n11.2\nHb\n\nHct\n\nPlt\n\n");
  ASSERT_TRUE(m_dialog->packedValues.startsWith(fishbone + QStringLiteral("RBC\n\nMCH\n\n")))
      << m_dialog->packedValues.toStdString();
  EXPECT_TRUE(m_dialog->packedValues.endsWith(QStringLiteral("ESR\n\nRetic\n\n")));
  EXPECT_EQ(m_dialog->packedValues.count(QLatin1Char('\n')), 2 * (4 + 14));
  EXPECT_EQ(TodoCount(), 0);
}

TEST_F(AddLabResultsDlgTest, EachFishboneBoxIsStoredUnderItsOwnName) {
  m_dialog->WbcBox()->setText(QStringLiteral("11.2"));
  m_dialog->HbBox()->setText(QStringLiteral("13.5"));
  m_dialog->HctBox()->setText(QStringLiteral("40.1"));
  m_dialog->PltBox()->setText(QStringLiteral("250"));
  m_dialog->OnSave();
  EXPECT_EQ(m_dialog->result(), QDialog::Accepted);
  EXPECT_TRUE(m_dialog->packedValues.startsWith(
      QStringLiteral("WBC\n11.2\nHb\n13.5\nHct\n40.1\nPlt\n250\nRBC\n")))
      << m_dialog->packedValues.toStdString();
}

TEST_F(AddLabResultsDlgTest, ALabWithoutValuesLeavesADeferredTodoOfPriorityOne) {
  ChooseLabType(1);
  m_dialog->DatePicker()->setDate(QDate(2024, 3, 6));
  m_dialog->TimePicker()->setTime(QTime(14, 5));
  m_dialog->OnSave();
  EXPECT_EQ(m_dialog->result(), QDialog::Accepted);
  CDBToDo todo;
  ASSERT_TRUE(todo.FindFirstOfPatient(kPatient, -1));
  EXPECT_EQ(todo.text, QStringLiteral("Deferred: 03/06/2024 02:05 PM Chemistry"));
  EXPECT_EQ(todo.flags, 1u);
  EXPECT_TRUE(todo.note.isEmpty());
  EXPECT_EQ(TodoCount(), 1);

  // A CBC whose only value is in the fishbone is no deferred lab; one without any value is.
  CAddLabResultsDlg cbc;
  cbc.patientName = kPatient;
  cbc.PltBox()->setText(QStringLiteral("250"));
  cbc.OnSave();
  EXPECT_EQ(TodoCount(), 1);
  CAddLabResultsDlg empty;
  empty.patientName = kPatient;
  empty.OnSave();
  EXPECT_EQ(TodoCount(), 2);
}

TEST_F(AddLabResultsDlgTest, AnEmptyLabTypeIsRefusedAndTheDialogStays) {
  for (const char* typed : {"", "   "}) {
    messages::DefaultRecorder().Clear();
    m_dialog->LabTypeBox()->setEditText(QString::fromUtf8(typed));
    m_dialog->OnSave();
    ASSERT_EQ(Shown().size(), 1u);
    EXPECT_EQ(Shown()[0].text, QStringLiteral("You need to enter a lab type before continuing!"));
    EXPECT_EQ(Shown()[0].buttons, messages::Buttons::Ok);
    EXPECT_NE(m_dialog->result(), QDialog::Accepted);
  }
  EXPECT_EQ(TodoCount(), 0);
}

TEST_F(AddLabResultsDlgTest, ATodoTheStoreRefusesIsToldAndTheResultStillGoes) {
  { CDBToDo opened; }  // the todo store exists before its writes are refused
  vs_tests_test::RefuseWrites(m_device.device(), CDBToDo::kVolumeName);
  ChooseLabType(3);
  m_dialog->OnSave();
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_EQ(Shown()[0].text, QStringLiteral("The todo for the deferred lab could not be saved."));
  EXPECT_EQ(m_dialog->result(), QDialog::Accepted);
}

}  // namespace
