// The "VS/Tests" tab's container and its vitals sub-page, and the "Add Vitals" dialog.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimeEdit>

#include "chart/CAddLabResultsDlg.h"
#include "chart/CAddTestDlg.h"
#include "chart/CAddVitalsDlg.h"
#include "chart/CEditLabResultsDlg.h"
#include "chart/CLabsPage.h"
#include "chart/CTestsPage.h"
#include "chart/CVitalsPage.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CBaseListCtrl.h"
#include "common/ui/CPictureButton.h"
#include "common/ui/InputPanel.h"
#include "support/Wait.h"
#include "test_vitals_support.h"

namespace {

using test_time::At;
using test_time::Fields;
using vs_tests_test::AddLab;
using vs_tests_test::AddTest;
using vs_tests_test::AddVitals;
using vs_tests_test::kPatient;
using vs_tests_test::Shown;

QString DateText(const FILETIME& when) {
  return CDBBaseDatabase::GetFormattedDateTime(when, true);
}

// The labels of the thirteen template rows, in order.
QStringList TemplateLabels() {
  QStringList labels;
  for (int id = ids::kVitalFirst; id <= ids::kVitalLast; ++id) {
    labels << strings::Load(id);
  }
  return labels;
}

QString StoredValues(uint32_t id) {
  CDBVitals vitals;
  EXPECT_TRUE(vitals.LoadByCEOID(id));
  return vitals.values;
}

class VitalsPageTest : public vs_tests_test::VsTestsTest {
 protected:
  void ShowVitals() {
    MakePage();
    m_page->OnShowVitals();
    m_vitals = m_page->VitalsPage();
  }

  CBaseListCtrl& Values() const { return *m_vitals->ValueList(); }
  QComboBox& Dates() const { return *m_vitals->DateList(); }
  QStringList Labels() const {
    QStringList labels;
    for (int row = 0; row < Values().GetItemCount(); ++row) {
      labels << Values().GetItemText(row, 0);
    }
    return labels;
  }
  QString ValueOf(const QString& label) const {
    const int row = static_cast<int>(Labels().indexOf(label));
    return row >= 0 ? Values().GetValue(row) : QStringLiteral("<no row>");
  }
  bool Shows(const QWidget* widget) const { return widget->isVisibleTo(m_page.get()); }
  uint32_t ShownId() const {
    int type = 0;
    uint32_t id = 0;
    return m_vitals->GetSelectedRecord(type, id) ? id : 0;
  }
  // Types into a row's editor and ends the edit, as the user would.
  void Type(int row, const QString& text) {
    ASSERT_TRUE(Values().EditRow(row));
    ASSERT_TRUE(Values().InsertInEditor(text));
    Values().CloseEdit();
  }

  CVitalsPage* m_vitals = nullptr;
};

// ---------------------------------------------------------------------------------------------
// The container

TEST_F(VitalsPageTest, TheTabOpensOnLabsAndBeamTakesTheRecordOfTheShownSubPage) {
  AddLab(At(2024, 3, 1, 8, 0), QStringLiteral("CBC"), QStringLiteral("RBC\n4.5\n"));
  AddVitals(At(2024, 3, 2, 8, 0), QStringLiteral("Temp\n37\n"));
  AddTest(At(2024, 3, 3, 8, 0), QStringLiteral("CXR"), QStringLiteral("clear"));
  MakePage();
  EXPECT_EQ(m_page->CurrentSubPage(), m_page->LabsPage());
  EXPECT_TRUE(m_page->ShowLabsButton()->IsPushed());
  EXPECT_FALSE(m_page->ShowVitalsButton()->IsPushed());
  EXPECT_TRUE(Shows(m_page->LabsPage()));
  EXPECT_FALSE(Shows(m_page->VitalsPage()));

  // The labs sub-page focuses no result by itself: nothing to beam until one is tapped.
  int type = 0;
  uint32_t id = 0;
  EXPECT_FALSE(m_page->GetSelectedRecord(type, id));
  m_page->LabsPage()->UpperList()->setCurrentItem(m_page->LabsPage()->UpperList()->topLevelItem(0));
  ASSERT_TRUE(m_page->GetSelectedRecord(type, id));
  EXPECT_EQ(type, 2);

  m_page->OnShowVitals();
  ASSERT_TRUE(m_page->GetSelectedRecord(type, id));
  EXPECT_EQ(type, 7);
  EXPECT_TRUE(m_page->ShowVitalsButton()->IsPushed());
  EXPECT_FALSE(m_page->ShowLabsButton()->IsPushed());
  EXPECT_FALSE(Shows(m_page->LabsPage()));

  m_page->OnShowTests();
  ASSERT_TRUE(m_page->GetSelectedRecord(type, id));
  EXPECT_EQ(type, 5);
  EXPECT_TRUE(Shows(m_page->TestsPage()));
}

TEST_F(VitalsPageTest, ASubPageReloadedWhileHiddenLeavesTheReadOnlyLabelToTheShownOne) {
  AddTest(At(2024, 3, 3, 8, 0), QStringLiteral("CT"), QStringLiteral("from the desktop"), 1);
  AddLab(At(2024, 3, 1, 8, 0), QStringLiteral("UA"), QStringLiteral("SG\n1.01\n"));
  MakePage();
  m_page->OnShowTests();
  ASSERT_TRUE(Shows(m_page->ReadOnlyLabel()));

  // An added lab reloads the hidden labs sub-page, whose focused result is writable.
  CLabsPage& labs = *m_page->LabsPage();
  labs.UpperList()->setCurrentItem(labs.UpperList()->topLevelItem(0));
  labs.OnSetActive();
  EXPECT_TRUE(Shows(m_page->ReadOnlyLabel()));
  EXPECT_TRUE(Shows(m_page->TestsPage()->NoSaveButton()));

  m_page->OnShowLabs();
  EXPECT_FALSE(Shows(m_page->ReadOnlyLabel()));
}

// ---------------------------------------------------------------------------------------------
// The vitals sub-page

TEST_F(VitalsPageTest, EntriesAreListedByDateAndTheFirstIsShownInTheTemplateRows) {
  AddVitals(At(2024, 3, 2, 14, 5), QStringLiteral("Pulse\n88\nBP\n120/80\n"));
  AddVitals(At(2024, 3, 1, 8, 0), QStringLiteral("Temp\n37.2\n"));
  AddVitals(At(2024, 3, 1, 8, 0), QStringLiteral("Temp\n99\n"), 0, QStringLiteral("Doe, Jo"));
  ShowVitals();
  ASSERT_EQ(Dates().count(), 2);
  EXPECT_EQ(Dates().itemText(0), DateText(At(2024, 3, 1, 8, 0)));
  EXPECT_EQ(Dates().itemText(1), DateText(At(2024, 3, 2, 14, 5)));
  EXPECT_EQ(Dates().currentIndex(), 0);
  EXPECT_EQ(Labels(), TemplateLabels());
  EXPECT_EQ(ValueOf(QStringLiteral("Temp")), QStringLiteral("37.2"));
  EXPECT_TRUE(ValueOf(QStringLiteral("Pulse")).isEmpty());
  EXPECT_TRUE(Shows(m_vitals->SaveButton()));
  EXPECT_FALSE(m_vitals->SaveButton()->isEnabled());
  EXPECT_TRUE(m_vitals->DeleteButton()->isEnabled());
  EXPECT_FALSE(Shows(m_vitals->NoSaveButton()));
  EXPECT_FALSE(Shows(m_page->ReadOnlyLabel()));
  EXPECT_FALSE(Values().IsReadOnly());

  Dates().setCurrentIndex(1);
  EXPECT_EQ(ValueOf(QStringLiteral("Pulse")), QStringLiteral("88"));
  EXPECT_EQ(ValueOf(QStringLiteral("BP")), QStringLiteral("120/80"));
  EXPECT_TRUE(ValueOf(QStringLiteral("Temp")).isEmpty());
}

TEST_F(VitalsPageTest, AReadOnlyEntryShowsExactlyItsStoredPairsAndTheNextWritableOneTheTemplate) {
  AddVitals(At(2024, 3, 1, 8, 0), QStringLiteral("Temp\n37\nGlasgow\n15\nPulse\n\nBP\n110/70\n"),
            1);
  AddVitals(At(2024, 3, 2, 8, 0), QStringLiteral("Resp\n18\n"));
  ShowVitals();
  EXPECT_EQ(Labels(), (QStringList{"Temp", "Glasgow", "Pulse", "BP"}));
  EXPECT_EQ(Values().GetValue(1), QStringLiteral("15"));
  EXPECT_TRUE(Values().GetValue(2).isEmpty());
  EXPECT_TRUE(Shows(m_vitals->NoSaveButton()));
  EXPECT_TRUE(Shows(m_vitals->NoDeleteButton()));
  EXPECT_FALSE(Shows(m_vitals->SaveButton()));
  EXPECT_FALSE(Shows(m_vitals->DeleteButton()));
  EXPECT_TRUE(Shows(m_page->ReadOnlyLabel()));
  EXPECT_EQ(m_page->ReadOnlyLabel()->text(), QStringLiteral("Read Only"));
  EXPECT_TRUE(Values().IsReadOnly());
  EXPECT_FALSE(Values().EditRow(0));

  // SAVE and DELETE reach nothing of a read-only entry.
  const uint32_t id = ShownId();
  messages::DefaultRecorder().SetNextAnswer(messages::Answer::Ok);
  m_vitals->OnDelete();
  m_vitals->OnSave();
  EXPECT_TRUE(Shown().empty());
  EXPECT_EQ(StoredValues(id), QStringLiteral("Temp\n37\nGlasgow\n15\nPulse\n\nBP\n110/70\n"));

  Dates().setCurrentIndex(1);
  EXPECT_EQ(Labels(), TemplateLabels());
  EXPECT_EQ(ValueOf(QStringLiteral("Resp")), QStringLiteral("18"));
  EXPECT_FALSE(Shows(m_page->ReadOnlyLabel()));
  EXPECT_TRUE(Shows(m_vitals->SaveButton()));
  EXPECT_FALSE(Values().IsReadOnly());
}

TEST_F(VitalsPageTest, AValueWithoutATemplateRowGetsARowAndTheNextEntryHasTheTemplateAgain) {
  AddVitals(At(2024, 3, 1, 8, 0), QStringLiteral("Temp\n37\nPain\n4\n"));
  AddVitals(At(2024, 3, 2, 8, 0), QStringLiteral("Temp\n38\n"));
  ShowVitals();
  ASSERT_EQ(Values().GetItemCount(), 14);
  EXPECT_EQ(Values().GetItemText(13, 0), QStringLiteral("Pain"));
  EXPECT_EQ(Values().GetValue(13), QStringLiteral("4"));
  Dates().setCurrentIndex(1);
  EXPECT_EQ(Labels(), TemplateLabels());
  EXPECT_EQ(ValueOf(QStringLiteral("Temp")), QStringLiteral("38"));
}

TEST_F(VitalsPageTest, AnEditEnablesSaveWhichStoresEveryRowAndAnotherDateDropsUnsavedEdits) {
  AddVitals(At(2024, 3, 1, 8, 0), QStringLiteral("Temp\n37\n"));
  AddVitals(At(2024, 3, 2, 8, 0), QStringLiteral("Temp\n38\n"));
  ShowVitals();
  const uint32_t first = ShownId();
  Type(2, QStringLiteral("72"));  // Pulse
  EXPECT_TRUE(m_vitals->SaveButton()->isEnabled());
  m_vitals->OnSave();
  EXPECT_FALSE(m_vitals->SaveButton()->isEnabled());
  const QString stored = StoredValues(first);
  EXPECT_TRUE(stored.startsWith(QStringLiteral("Tmax\n\nTemp\n37\nPulse\n72\nResp\n\n")))
      << stored.toStdString();
  EXPECT_TRUE(stored.endsWith(QStringLiteral("Out\n\n")));

  // An edit left unsaved is dropped by choosing another date, without a question.
  Type(3, QStringLiteral("20"));  // Resp
  Dates().setCurrentIndex(1);
  Dates().setCurrentIndex(0);
  EXPECT_TRUE(Shown().empty());
  EXPECT_TRUE(ValueOf(QStringLiteral("Resp")).isEmpty());
  EXPECT_EQ(ValueOf(QStringLiteral("Pulse")), QStringLiteral("72"));
  EXPECT_FALSE(m_vitals->SaveButton()->isEnabled());
  EXPECT_EQ(StoredValues(first), stored);
}

TEST_F(VitalsPageTest, AFailedSaveIsToldAndLeavesSaveEnabled) {
  AddVitals(At(2024, 3, 1, 8, 0), QStringLiteral("Temp\n37\n"));
  ShowVitals();
  Type(1, QStringLiteral("39"));
  vs_tests_test::RefuseWrites(m_device.device(), CDBVitals::kVolumeName);
  m_vitals->OnSave();
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_EQ(Shown()[0].text, QStringLiteral("The vitals entry could not be saved."));
  EXPECT_TRUE(m_vitals->SaveButton()->isEnabled());
  EXPECT_EQ(StoredValues(ShownId()), QStringLiteral("Temp\n37\n"));
}

TEST_F(VitalsPageTest, DeletingAsksAndThenShowsTheEntryInItsPlaceOrTheOneBefore) {
  AddVitals(At(2024, 3, 1, 8, 0), QStringLiteral("Temp\n37\n"));
  AddVitals(At(2024, 3, 2, 8, 0), QStringLiteral("Temp\n38\n"));
  AddVitals(At(2024, 3, 3, 8, 0), QStringLiteral("Temp\n39\n"));
  ShowVitals();
  Dates().setCurrentIndex(2);

  messages::DefaultRecorder().SetNextAnswer(messages::Answer::Cancel);
  m_vitals->OnDelete();
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_EQ(Shown()[0].text, QStringLiteral("Are you sure you want to delete this vitals entry?"));
  EXPECT_EQ(Shown()[0].buttons, messages::Buttons::OkCancel);
  EXPECT_EQ(Dates().count(), 3);

  // The last entry: the one before it is shown.
  const uint32_t last = ShownId();
  messages::DefaultRecorder().SetNextAnswer(messages::Answer::Ok);
  m_vitals->OnDelete();
  ASSERT_EQ(Dates().count(), 2);
  EXPECT_EQ(Dates().currentIndex(), 1);
  EXPECT_EQ(ValueOf(QStringLiteral("Temp")), QStringLiteral("38"));
  EXPECT_FALSE(CDBVitals().LoadByCEOID(last));

  // The first: the entry that takes its place.
  Dates().setCurrentIndex(0);
  messages::DefaultRecorder().SetNextAnswer(messages::Answer::Ok);
  m_vitals->OnDelete();
  ASSERT_EQ(Dates().count(), 1);
  EXPECT_EQ(ValueOf(QStringLiteral("Temp")), QStringLiteral("38"));

  // The only one: the page is empty.
  messages::DefaultRecorder().SetNextAnswer(messages::Answer::Ok);
  m_vitals->OnDelete();
  EXPECT_EQ(Dates().count(), 0);
  EXPECT_EQ(Values().GetItemCount(), 0);
  EXPECT_FALSE(m_vitals->SaveButton()->isEnabled());
  EXPECT_FALSE(m_vitals->DeleteButton()->isEnabled());
  EXPECT_EQ(ShownId(), 0u);

  // An entry added later brings the template rows back.
  AddVitals(At(2024, 3, 5, 8, 0), QStringLiteral("Temp\n36\n"));
  m_vitals->OnSetActive();
  EXPECT_EQ(Labels(), TemplateLabels());
}

TEST_F(VitalsPageTest, DeletingTheFirstOrAMiddleEntryOfThreeShowsTheEntryThatTakesItsPlace) {
  AddVitals(At(2024, 3, 1, 8, 0), QStringLiteral("Temp\n37\n"));
  AddVitals(At(2024, 3, 2, 8, 0), QStringLiteral("Temp\n38\n"));
  AddVitals(At(2024, 3, 3, 8, 0), QStringLiteral("Temp\n39\n"));
  ShowVitals();

  // The first of three: the second moves up into its place (not the last one).
  Dates().setCurrentIndex(0);
  messages::DefaultRecorder().SetNextAnswer(messages::Answer::Ok);
  m_vitals->OnDelete();
  ASSERT_EQ(Dates().count(), 2);
  EXPECT_EQ(Dates().currentIndex(), 0);
  EXPECT_EQ(ValueOf(QStringLiteral("Temp")), QStringLiteral("38"));

  // The middle of three: the one after it (not the one before).
  AddVitals(At(2024, 3, 4, 8, 0), QStringLiteral("Temp\n40\n"));
  m_vitals->OnSetActive();
  ASSERT_EQ(Dates().count(), 3);
  Dates().setCurrentIndex(1);
  ASSERT_EQ(ValueOf(QStringLiteral("Temp")), QStringLiteral("39"));
  messages::DefaultRecorder().SetNextAnswer(messages::Answer::Ok);
  m_vitals->OnDelete();
  ASSERT_EQ(Dates().count(), 2);
  EXPECT_EQ(Dates().currentIndex(), 1);
  EXPECT_EQ(ValueOf(QStringLiteral("Temp")), QStringLiteral("40"));
}

TEST_F(VitalsPageTest, AReloadKeepsTheShownEntryWhileItIsThere) {
  AddVitals(At(2024, 3, 1, 8, 0), QStringLiteral("Temp\n37\n"));
  AddVitals(At(2024, 3, 3, 8, 0), QStringLiteral("Temp\n39\n"));
  ShowVitals();
  Dates().setCurrentIndex(1);
  const uint32_t shown = ShownId();

  // An earlier entry added meanwhile moves the shown one down the list; it stays shown.
  AddVitals(At(2024, 2, 28, 8, 0), QStringLiteral("Temp\n36\n"));
  m_vitals->OnSetActive();
  EXPECT_EQ(Dates().currentIndex(), 2);
  EXPECT_EQ(ShownId(), shown);

  // Gone from the store: the first entry is shown.
  ASSERT_TRUE(CDBVitals().DeleteByCEOID(shown));
  m_vitals->OnSetActive();
  EXPECT_EQ(Dates().currentIndex(), 0);
  EXPECT_EQ(ValueOf(QStringLiteral("Temp")), QStringLiteral("36"));
}

TEST_F(VitalsPageTest, WithoutEntriesOrPatientThePageIsEmpty) {
  AddVitals(At(2024, 3, 1, 8, 0), QStringLiteral("Temp\n37\n"), 0, QStringLiteral("Doe, Jo"));
  ShowVitals();
  EXPECT_EQ(Dates().count(), 0);
  EXPECT_EQ(Values().GetItemCount(), 0);
  EXPECT_FALSE(m_vitals->SaveButton()->isEnabled());
  EXPECT_FALSE(m_vitals->DeleteButton()->isEnabled());
  EXPECT_EQ(ShownId(), 0u);
  m_vitals->OnSave();
  messages::DefaultRecorder().SetNextAnswer(messages::Answer::Ok);
  m_vitals->OnDelete();
  EXPECT_TRUE(Shown().empty());

  m_host.Select(QString());
  m_vitals->OnSetActive();
  EXPECT_EQ(Dates().count(), 0);
}

// ---------------------------------------------------------------------------------------------
// "Add Vitals"

class AddVitalsDlgTest : public vs_tests_test::VsTestsTest {};

TEST_F(AddVitalsDlgTest, SaveTakesThePickersAndPacksEveryRow) {
  CAddVitalsDlg dialog;
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Add Vitals"));
  EXPECT_EQ(dialog.DatePicker()->date(), QDate(2024, 3, 4));
  EXPECT_EQ(dialog.TimePicker()->time(), QTime(9, 30));
  ASSERT_EQ(dialog.List()->GetItemCount(), 13);
  EXPECT_EQ(dialog.List()->GetItemText(0, 0), QStringLiteral("Tmax"));
  EXPECT_EQ(dialog.List()->GetItemText(12, 0), QStringLiteral("Out"));

  // Nothing typed: every row is packed with its empty value, dated when the dialog opened.
  clock_source::Fix(At(2024, 3, 4, 9, 45));
  dialog.OnSave();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  QString empty;
  for (const QString& label : TemplateLabels()) {
    empty += label + QStringLiteral("\n\n");
  }
  EXPECT_EQ(dialog.packedValues, empty);
  EXPECT_EQ(Fields(dialog.date).wMinute, 30);

  // Typed values and another day and time.
  CAddVitalsDlg second;
  ASSERT_TRUE(second.List()->EditRow(4));  // BP
  ASSERT_TRUE(second.List()->InsertInEditor(QStringLiteral("140/90")));
  second.DatePicker()->setDate(QDate(2024, 2, 29));
  second.TimePicker()->setTime(QTime(23, 15));
  second.OnSave();  // the open edit is taken
  EXPECT_TRUE(second.packedValues.contains(QStringLiteral("\nBP\n140/90\nSAO2\n\n")));
  const SYSTEMTIME day = Fields(second.date);
  const SYSTEMTIME hour = Fields(second.time);
  EXPECT_EQ(day.wMonth, 2);
  EXPECT_EQ(day.wDay, 29);
  EXPECT_EQ(hour.wHour, 23);
  EXPECT_EQ(hour.wMinute, 15);

  CAddVitalsDlg cancelled;
  cancelled.OnCancel();
  EXPECT_EQ(cancelled.result(), QDialog::Rejected);
  EXPECT_TRUE(cancelled.packedValues.isEmpty());
}

TEST_F(AddVitalsDlgTest, TheListEndsAboveTheInputPanel) {
  CAddVitalsDlg dialog;
  dialog.show();
  const QRect desktop = input_panel::Desktop();
  auto bottomGap = [&] {
    const QWidget* list = dialog.List();
    return desktop.height() - (list->mapTo(&dialog, QPoint(0, list->height())).y());
  };
  input_panel::Show(false);
  ASSERT_TRUE(test_wait::Until([&] { return bottomGap() == 35; })) << bottomGap();
  input_panel::Show(true);
  ASSERT_TRUE(test_wait::Until([&] { return bottomGap() == input_panel::PanelHeight() + 5; }))
      << bottomGap();
}

// ---------------------------------------------------------------------------------------------
// Names and keys

// The controls of window that a person reads or operates and that lack a plain name or cannot
// be reached with the keyboard. The parts that controls are made of (a drop-down's or a picker's
// text box, a list's headings) are their control's.
QStringList UnnamedOrUnreachable(const QWidget& window) {
  QStringList found;
  for (const QWidget* widget : window.findChildren<QWidget*>()) {
    const QWidget* parent = widget->parentWidget();
    const bool part = qobject_cast<const QComboBox*>(parent) != nullptr ||
                      qobject_cast<const QAbstractSpinBox*>(parent) != nullptr ||
                      qobject_cast<const QHeaderView*>(widget) != nullptr;
    const bool control = qobject_cast<const QAbstractButton*>(widget) != nullptr ||
                         qobject_cast<const QComboBox*>(widget) != nullptr ||
                         qobject_cast<const QAbstractItemView*>(widget) != nullptr ||
                         qobject_cast<const QLineEdit*>(widget) != nullptr ||
                         qobject_cast<const QPlainTextEdit*>(widget) != nullptr ||
                         qobject_cast<const QAbstractSpinBox*>(widget) != nullptr;
    if (part || !control || !widget->isVisibleTo(&window)) {
      continue;
    }
    if (widget->accessibleName().trimmed().isEmpty() ||
        (widget->focusPolicy() & Qt::TabFocus) == 0) {
      found << QStringLiteral("%1 \"%2\"")
                   .arg(QLatin1String(widget->metaObject()->className()), widget->objectName());
    }
  }
  return found;
}

TEST_F(VitalsPageTest, EveryControlOfTheTabAndItsDialogsHasANameAndTheKeyboardReachesIt) {
  AddLab(At(2024, 3, 1, 8, 0), QStringLiteral("CBC"), QStringLiteral("RBC\n4.5\n"));
  AddVitals(At(2024, 3, 2, 8, 0), QStringLiteral("Temp\n37\n"));
  AddVitals(At(2024, 3, 3, 8, 0), QStringLiteral("Temp\n37\n"), 1);
  AddTest(At(2024, 3, 3, 8, 0), QStringLiteral("CXR"), QStringLiteral("clear"), 1);
  ShowVitals();
  for (CVsTestsSubPage* shown :
       std::initializer_list<CVsTestsSubPage*>{m_page->LabsPage(), m_vitals, m_page->TestsPage()}) {
    m_page->OnShowLabs();
    if (shown == m_vitals) {
      m_page->OnShowVitals();
    } else if (shown == m_page->TestsPage()) {
      m_page->OnShowTests();
    }
    const QStringList missing = UnnamedOrUnreachable(*m_page);
    EXPECT_TRUE(missing.isEmpty()) << missing.join(QStringLiteral(", ")).toStdString();
  }
  // The read-only look-alikes too.
  Dates().setCurrentIndex(1);
  m_page->OnShowVitals();
  EXPECT_TRUE(UnnamedOrUnreachable(*m_page).isEmpty());

  CAddVitalsDlg vitalsDialog;
  CAddLabResultsDlg labDialog;
  CEditLabResultsDlg editDialog;
  editDialog.readOnly = 1;
  editDialog.UpdateData(false);
  CAddTestDlg testDialog;
  for (QDialog* dialog :
       std::initializer_list<QDialog*>{&vitalsDialog, &labDialog, &editDialog, &testDialog}) {
    dialog->show();
    const QStringList missing = UnnamedOrUnreachable(*dialog);
    EXPECT_TRUE(missing.isEmpty()) << dialog->windowTitle().toStdString() << ": "
                                   << missing.join(QStringLiteral(", ")).toStdString();
  }
}

}  // namespace
