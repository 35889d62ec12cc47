// The H&P note sheet alone, on a fresh device with a fake chart strip: the composed note line by
// line, the history rows and their text, the review of systems and its list, the chart records,
// the assessment page, ADDMED and CANCEL, and the pictures of the pages for docs/.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTabBar>
#include <functional>
#include <memory>

#include "FakeHost.h"
#include "chart/CAddMedsDlg.h"
#include "chart/CEditAutoTextDlg.h"
#include "chart/MedsFields.h"
#include "common/CDBCategories.h"
#include "common/CDBPatient.h"
#include "common/MemoryControls.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CAutoListCtrl.h"
#include "common/ui/CPictureButton.h"
#include "common/ui/CPopupList.h"
#include "common/ui/InputPanel.h"
#include "common/ui/UiSeams.h"
#include "notes/CAutoTextCaption.h"
#include "notes/CHPAssessPlanPage.h"
#include "notes/CHPHistoryPage.h"
#include "notes/CHPROSPage.h"
#include "notes/CHPSheet.h"
#include "notes/CHPVSTestsPage.h"
#include "notes/CMarkedRecordList.h"
#include "notes/CNoteRowList.h"
#include "notes/CPEPage.h"
#include "platform/Clock.h"
#include "soap_support.h"
#include "store/CDBLists.h"
#include "store/CDBMeds.h"
#include "store/CDBNotes.h"
#include "support/TempDevice.h"
#include "support/TestGuard.h"
#include "support/TestTime.h"
#include "test_app_support.h"

namespace {

using soap_support::Lines;
using test_time::At;
using Row = CHPHistoryPage::Row;

const QString kPatient = QStringLiteral("Lane, Lois");
const QString kHead = QStringLiteral("03/05/2024 02:25 PM");
const QString kMrNumber = QStringLiteral("4411");
const QString kSentence = QStringLiteral("Lane, Lois is a 45 Year old Male who presents with");

enum Page { kHistory = 0, kRos, kPe, kVsTests, kAssessPlan };

// Stores Lois Lane, 45 Years, Male, with the allergies text given.
void StorePatient(const QString& allergies) {
  CDBPatient patient;
  patient.firstName = QStringLiteral("Lois");
  patient.lastName = QStringLiteral("Lane");
  patient.mrNumber = kMrNumber;
  patient.ageValue = QStringLiteral("45");
  patient.ageUnit = QStringLiteral("Years");
  patient.sex = QStringLiteral("Male");
  patient.allergies = allergies;
  ASSERT_TRUE(patient.CreateRecord(false));
  ASSERT_EQ(patient.name, kPatient);
}

// Types text into a row as a person does: the row's editor opened, the text typed, the edit
// ended.
void Type(CBaseListCtrl& list, int row, const QString& text) {
  ASSERT_TRUE(list.EditRow(row));
  ASSERT_TRUE(list.InsertInEditor(text));
  list.CloseEdit();
}

// Picks the choice at index in a row of fixed choices.
void Pick(CBaseListCtrl& list, int row, int index) {
  ASSERT_TRUE(list.EditRow(row));
  ASSERT_TRUE(list.PickInEditor(index));
}

QStringList Labels(const CBaseListCtrl& list) {
  QStringList labels;
  for (int row = 0; row < list.GetItemCount(); ++row) {
    labels.append(list.GetItemText(row, CBaseListCtrl::kLabelColumn));
  }
  return labels;
}

QStringList ChoiceTexts(const CListItem& item) {
  QStringList texts;
  for (const CListItem::Choice& choice : item.choices) {
    texts.append(choice.text);
  }
  return texts;
}

// What the open editor of row offers.
QStringList Offered(CBaseListCtrl& list, int row) {
  EXPECT_TRUE(list.EditRow(row));
  const QStringList offered = ChoiceTexts(*list.GetRowItem(row));
  list.CancelEdit();
  return offered;
}

// The sheet for Lois Lane, MR 4411, on a fresh device of 480 by 640 pixels, today 5 March 2024.
class HpSheetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app_test::EnsureApplication();
    clock_source::Fix(At(2024, 3, 5, 14, 25));
    input_panel::SetDesktop(QRect(0, 0, 480, 640));
    m_host.Select(kPatient);
    m_host.mrNumber = kMrNumber;
  }
  void TearDown() override { input_panel::SetDesktop(QRect()); }

  // Runs the sheet; act does what the person does while it is up. Answers its result.
  int Run(const std::function<void(CHPSheet&)>& act) {
    m_sheet = std::make_unique<CHPSheet>(m_host);
    ui_seams::PushModalHandler([this, act](QDialog&) {
      act(*m_sheet);
      return m_sheet->result();
    });
    return m_sheet->DoModal();
  }
  QStringList NoteLines() const { return Lines(m_sheet->NoteText(kHead, kPatient, kMrNumber)); }

  // Moves to a page by its tab, as a tap on the tab does.
  static void Show(CHPSheet& sheet, Page page) { sheet.TabBar()->setCurrentIndex(page); }
  // Types the assessment on "A/P" and saves.
  static void Save(CHPSheet& sheet, const QString& assessment = QStringLiteral("CHF")) {
    Show(sheet, kAssessPlan);
    sheet.AssessPlanPage()->AssessPlanBox()->setPlainText(assessment);
    sheet.AssessPlanPage()->SaveButton()->click();
  }
  // The lines of the note from the first that reads from to the first that reads to.
  QStringList NoteLinesBetween(const QString& from, const QString& to) const {
    const QStringList lines = NoteLines();
    const qsizetype start = lines.indexOf(from);
    const qsizetype end = lines.indexOf(to, start);
    EXPECT_GE(start, 0) << from.toStdString();
    return start < 0 || end < 0 ? QStringList() : lines.mid(start, end - start + 1);
  }

  TestGuard m_guard;
  TempDevice m_device;
  FakePageHost m_host;
  std::unique_ptr<CHPSheet> m_sheet;
};

// ---------------------------------------------------------------------------------------------
// The composed note

TEST_F(HpSheetTest, ANoteOfOnlyAnAssessmentReadsLineByLine) {
  StorePatient(QString());
  const int result = Run([](CHPSheet& sheet) { Save(sheet); });
  EXPECT_EQ(result, CHPSheet::kSaveResult);
  const QStringList expected = {kHead,     kPatient,   QStringLiteral("MR#: 4411"),
                                QString(), "History)", "ROS)",
                                QString(), "PE)",      QString(),
                                "A/P)",    "CHF",      QString()};
  EXPECT_EQ(NoteLines(), expected);
  EXPECT_EQ(m_sheet->AssessPlanPage()->assessmentPlan, QStringLiteral("CHF"));
  // The pages never opened made no controls and gave nothing.
  for (const Page page : {kRos, kPe, kVsTests}) {
    EXPECT_FALSE(m_sheet->GetPage(page)->IsCreated()) << page;
  }
}

TEST_F(HpSheetTest, AnOpenedExaminationPageStandsBetweenPeAndAp) {
  StorePatient(QString());
  Run([](CHPSheet& sheet) {
    Show(sheet, kPe);
    EXPECT_EQ(sheet.TabBar()->tabText(kPe), QStringLiteral("PE"));
    Type(*sheet.PePage()->List(), 2, QStringLiteral("clear"));
    Type(*sheet.PePage()->List(), 7, QStringLiteral("CN intact"));
    Save(sheet, QStringLiteral("CHF\ndiurese"));
  });
  const QStringList expected = {kHead,
                                kPatient,
                                QStringLiteral("MR#: 4411"),
                                QString(),
                                "History)",
                                "ROS)",
                                QString(),
                                "PE)",
                                QString(),
                                "Lungs: clear",
                                "Neurologic: CN intact",
                                "A/P)",
                                "CHF",
                                "diurese",
                                QString()};
  EXPECT_EQ(NoteLines(), expected);
}

TEST_F(HpSheetTest, MarkedRecordsStandAroundTheExamination) {
  StorePatient(QString());
  soap_support::AddVitals(kPatient, At(2024, 3, 4, 7), QStringLiteral("Temp\n98.6\n"));
  soap_support::AddVitals(kPatient, At(2024, 3, 1, 7), QStringLiteral("Temp\n101\n"));
  soap_support::AddLab(kPatient, At(2024, 3, 4, 6), strings::Load(ids::kLabGroupChemistry),
                       QStringLiteral("Na\n140\n"));
  soap_support::AddTest(kPatient, At(2024, 3, 3, 10), QStringLiteral("CXR"),
                        QStringLiteral("clear"));
  soap_support::AddTest(kPatient, At(2024, 3, 1, 8), QStringLiteral("EKG"), QStringLiteral("NSR"));
  soap_support::AddTest(QStringLiteral("Kent, Clark"), At(2024, 3, 3, 11), QStringLiteral("MRI"),
                        QStringLiteral("other patient"));
  Run([](CHPSheet& sheet) {
    Show(sheet, kVsTests);
    CHPVSTestsPage& page = *sheet.VsTestsPage();
    ASSERT_EQ(page.VitalsCombo()->count(), 2);
    EXPECT_EQ(page.VitalsCombo()->currentIndex(), -1);  // none chosen at first
    ASSERT_EQ(page.TestsList()->GetItemCount(), 2);
    EXPECT_EQ(page.TestsList()->GetItemText(0, 1), QStringLiteral("CXR"));  // newest first
    ASSERT_EQ(page.LabsList()->GetItemCount(), 1);
    page.VitalsCombo()->setCurrentIndex(0);
    page.TestsList()->ToggleMark(0);
    page.LabsList()->ToggleMark(0);
    Show(sheet, kPe);
    Type(*sheet.PePage()->List(), 2, QStringLiteral("clear"));
    Save(sheet);
  });
  const QStringList expected = {"PE)",
                                "VS:",
                                "03/04/2024 07:00 AM Temp:98.6 ",
                                QString(),
                                QString(),
                                "Lungs: clear",
                                "Labs:",
                                "03/04/2024 06:00 AM Chemistry Na:140 ",
                                QString(),
                                QString(),
                                "Tests:",
                                "03/03/2024 10:00 AM CXR-clear",
                                QString(),
                                "A/P)"};
  EXPECT_EQ(NoteLinesBetween(QStringLiteral("PE)"), QStringLiteral("A/P)")), expected);
}

// ---------------------------------------------------------------------------------------------
// History

TEST_F(HpSheetTest, TheHistoryRowsTheirKindsAndWhatTheyOffer) {
  StorePatient(QStringLiteral("PCN"));
  Run([](CHPSheet& sheet) {
    EXPECT_EQ(sheet.windowTitle(), QStringLiteral("Add H&P"));
    const QStringList titles = {"History", "ROS", "PE", "VS/Tests", "A/P"};
    ASSERT_EQ(sheet.TabBar()->count(), titles.size());
    for (int page = 0; page < titles.size(); ++page) {
      EXPECT_EQ(sheet.TabBar()->tabText(page), titles[page]);
    }
    EXPECT_TRUE(sheet.TabBar()->font().bold());

    CNoteRowList& list = *sheet.HistoryPage()->List();
    EXPECT_EQ(list.headerItem()->text(0), QStringLiteral("Category"));
    EXPECT_EQ(list.headerItem()->text(1), QStringLiteral("Value"));
    EXPECT_EQ(Labels(list),
              (QStringList{"CC", "HPI", "Use Meds", "Allergies", "PMH", "PSH", "FH", "SH"}));
    const int kinds[] = {8, 8, 3, 2, 8, 8, 8, 8};
    const int lists[] = {50, 51, -1, -1, 54, 55, 56, 57};
    for (int row = 0; row < Row::kRowCount; ++row) {
      EXPECT_EQ(list.GetRowItem(row)->kind, kinds[row]) << row;
      EXPECT_EQ(list.GetRowItem(row)->listId, lists[row]) << row;
    }
    EXPECT_EQ(list.GetValue(Row::kUseMedsRow), QStringLiteral("No"));
    EXPECT_EQ(ChoiceTexts(*list.GetRowItem(Row::kUseMedsRow)), (QStringList{"No", "Yes"}));
    EXPECT_EQ(list.GetValue(Row::kAllergiesRow), QStringLiteral("PCN"));

    // The HPI row offers the patient's opening sentence; its value stays empty.
    EXPECT_TRUE(Offered(list, Row::kHpiRow).contains(kSentence));
    EXPECT_TRUE(list.GetValue(Row::kHpiRow).isEmpty());
    // The chief complaint offers complaints, not the units of a patient's age.
    const QStringList complaints = Offered(list, Row::kCcRow);
    EXPECT_TRUE(complaints.contains(QStringLiteral("Cough")));
    EXPECT_FALSE(complaints.contains(QStringLiteral("Years")));
    EXPECT_TRUE(Offered(list, Row::kPmhRow).contains(QStringLiteral("HTN")));
    EXPECT_TRUE(Offered(list, Row::kAllergiesRow).contains(QStringLiteral("NKDA")));
  });
  EXPECT_EQ(CDBCategories().GetListItems(CDBCategories::kHpiList), QStringList{kSentence});
}

TEST_F(HpSheetTest, TheAgeUnitLosesOnlyALowerCasePluralS) {
  struct Case {
    const char* unit;
    const char* sentence;
  };
  const Case cases[] = {
      {"Months", "Lane, Lois is a 45 Month old Male who presents with"},
      {"DAYS", "Lane, Lois is a 45 DAYS old Male who presents with"},
      {"", "Lane, Lois is a 45  old Male who presents with"},
  };
  StorePatient(QString());
  for (const Case& c : cases) {
    CDBPatient patient;
    ASSERT_TRUE(patient.FindByName(kPatient));
    patient.ageUnit = QString::fromUtf8(c.unit);
    ASSERT_TRUE(patient.UpdateRecord(kPatient, false));
    Run([](CHPSheet& sheet) { sheet.HistoryPage()->CancelButton()->click(); });
    EXPECT_EQ(CDBCategories().GetListItems(CDBCategories::kHpiList),
              QStringList{QString::fromUtf8(c.sentence)})
        << c.unit;
  }
}

TEST_F(HpSheetTest, APatientWhoCannotBeFoundIsOfferedNoOtherPatientsSentence) {
  StorePatient(QStringLiteral("PCN"));
  Run([](CHPSheet& sheet) { sheet.HistoryPage()->CancelButton()->click(); });
  ASSERT_EQ(CDBCategories().GetListItems(CDBCategories::kHpiList), QStringList{kSentence});

  m_host.Select(QStringLiteral("Nobody, Known"));
  Run([](CHPSheet& sheet) {
    CNoteRowList& list = *sheet.HistoryPage()->List();
    EXPECT_FALSE(Offered(list, Row::kHpiRow).contains(kSentence));
    EXPECT_TRUE(list.GetValue(Row::kAllergiesRow).isEmpty());
    Save(sheet);
  });
  EXPECT_TRUE(CDBCategories().GetListItems(CDBCategories::kHpiList).isEmpty());
  EXPECT_EQ(NoteLinesBetween(QStringLiteral("History)"), QStringLiteral("ROS)")),
            (QStringList{"History)", "ROS)"}));
}

TEST_F(HpSheetTest, TheHistoryKeepsRowsWithAValueAndTheMedicationsWhenAsked) {
  StorePatient(QStringLiteral("PCN"));
  soap_support::AddMed(kPatient, QStringLiteral("Aspirin"), QStringLiteral("81 mg"),
                       QStringLiteral("PO"), QStringLiteral("daily"));
  const auto fill = [](CHPSheet& sheet) {
    CNoteRowList& list = *sheet.HistoryPage()->List();
    Type(list, Row::kCcRow, QStringLiteral("cough"));
    Type(list, Row::kPmhRow, QStringLiteral("HTN\nCAD"));
  };

  // "Use Meds" left at "No": no medications; the empty rows are left out with their labels, and
  // the allergies stand because the patient has an allergies text.
  Run([&fill](CHPSheet& sheet) {
    fill(sheet);
    Save(sheet);
  });
  EXPECT_EQ(
      m_sheet->HistoryPage()->historyText,
      QStringLiteral("CC:\r\ncough\r\n\r\nAllergies:\r\nPCN\r\n\r\nPMH:\r\nHTN\r\nCAD\r\n\r\n"));

  // "Yes": the "Medications:" block where the "Use Meds" row stands.
  Run([&fill](CHPSheet& sheet) {
    fill(sheet);
    Pick(*sheet.HistoryPage()->List(), Row::kUseMedsRow, 1);
    EXPECT_EQ(sheet.HistoryPage()->List()->GetValue(Row::kUseMedsRow), QStringLiteral("Yes"));
    Save(sheet);
  });
  const QStringList expected = {
      "History)", "CC:",        "cough", QString(), "Medications:", "Aspirin 81 mg PO daily  30 2",
      QString(),  "Allergies:", "PCN",   QString(), "PMH:",         "HTN",
      "CAD",      QString(),    "ROS)"};
  EXPECT_EQ(NoteLinesBetween(QStringLiteral("History)"), QStringLiteral("ROS)")), expected);
}

TEST_F(HpSheetTest, TheSignButtonsTypeIntoTheOpenHistoryRow) {
  StorePatient(QString());
  Run([](CHPSheet& sheet) {
    CHPHistoryPage& page = *sheet.HistoryPage();
    CNoteRowList& list = *page.List();
    page.InsPlusButton()->click();  // no row open: nothing is typed
    EXPECT_FALSE(list.IsEditing());
    ASSERT_TRUE(list.EditRow(Row::kShRow));
    page.InsMinusButton()->click();
    EXPECT_TRUE(list.IsEditing());
    list.InsertInEditor(QStringLiteral("tobacco"));
    // Leaving the page ends the edit still open.
    Save(sheet);
  });
  EXPECT_EQ(m_sheet->HistoryPage()->historyText, QStringLiteral("SH:\r\n(-) tobacco\r\n\r\n"));
}

// "Add Meds" filled with Lasix and saved.
int EnterLasix(QDialog& dialog) {
  auto* meds = qobject_cast<CAddMedsDlg*>(&dialog);
  if (meds == nullptr) {
    ADD_FAILURE() << "not the medication dialog";
    return static_cast<int>(QDialog::Rejected);
  }
  meds->List()->SetValue(meds_fields::kDrugRow, QStringLiteral("Lasix"));
  meds->List()->SetValue(meds_fields::kDoseRow, QStringLiteral("40 mg"));
  meds->OnSave();
  return meds->result();
}

TEST_F(HpSheetTest, AddMedStoresTheMedicationAtOnceAndItStaysWhenTheNoteIsCancelled) {
  StorePatient(QString());
  const int result = Run([](CHPSheet& sheet) {
    ui_seams::PushModalHandler(EnterLasix);
    sheet.HistoryPage()->AddMedButton()->click();
    EXPECT_TRUE(sheet.HistoryPage()->List()->GetValue(Row::kUseMedsRow) == QStringLiteral("No"));
    sheet.HistoryPage()->CancelButton()->click();
  });
  EXPECT_EQ(result, CNoteSheet::kCancelResult);
  EXPECT_EQ(ui_seams::PendingModalHandlers(), 0);
  EXPECT_TRUE(CDBMeds().FormatMedsSection(kPatient).contains(QStringLiteral("Lasix 40 mg")));
  memory_controls::List notes;
  CDBNotes().FillList(notes, kPatient);
  EXPECT_EQ(notes.GetItemCount(), 0);

  // Asked for, the medication added meanwhile is in the note.
  Run([](CHPSheet& sheet) {
    ui_seams::PushModalHandler(EnterLasix);
    sheet.HistoryPage()->AddMedButton()->click();
    Pick(*sheet.HistoryPage()->List(), Row::kUseMedsRow, 1);
    Save(sheet);
  });
  const QStringList history = NoteLinesBetween(QStringLiteral("History)"), QStringLiteral("ROS)"));
  EXPECT_EQ(history.count(QStringLiteral("Medications:")), 1);
  EXPECT_EQ(history.filter(QStringLiteral("Lasix 40 mg")).size(), 2);
}

// ---------------------------------------------------------------------------------------------
// Review of systems

TEST_F(HpSheetTest, SystemsAtDoubleDashAreLeftOutAndAnswersGiveALineEach) {
  StorePatient(QString());
  Run([](CHPSheet& sheet) {
    Show(sheet, kRos);
    CBaseListCtrl& list = *sheet.RosPage()->List();
    EXPECT_EQ(list.headerItem()->text(0), QStringLiteral("System"));
    EXPECT_EQ(list.headerItem()->text(1), QStringLiteral("Response"));
    ASSERT_EQ(list.GetItemCount(), 19);
    EXPECT_EQ(list.GetItemText(0, 0), QStringLiteral("Weight Change"));
    EXPECT_EQ(list.GetItemText(18, 0), QStringLiteral("Impotence"));
    for (int row = 0; row < list.GetItemCount(); ++row) {
      EXPECT_EQ(list.GetValue(row), QStringLiteral("--")) << row;
      EXPECT_EQ(list.GetRowItem(row)->kind, CListItem::kChoices) << row;
    }
    EXPECT_EQ(ChoiceTexts(*list.GetRowItem(0)), (QStringList{"--", "No", "Yes"}));
    Pick(list, 11, 1);  // Cough: No
    Pick(list, 12, 2);  // SOB: Yes
    Pick(list, 13, 2);  // Hemoptysis: Yes, then back to "--"
    Pick(list, 13, 0);
    Save(sheet);
  });
  EXPECT_EQ(m_sheet->RosPage()->rosText, QStringLiteral("Cough: No\r\nSOB: Yes\r\n"));
  EXPECT_EQ(NoteLinesBetween(QStringLiteral("ROS)"), QStringLiteral("PE)")),
            (QStringList{"ROS)", "Cough: No", "SOB: Yes", QString(), "PE)"}));
}

TEST_F(HpSheetTest, WithoutTheListOfSystemsTheReviewHasNoRows) {
  StorePatient(QString());
  CDBLists lists;
  ASSERT_TRUE(lists.DeleteByName(QStringLiteral("534")));
  Run([](CHPSheet& sheet) {
    Show(sheet, kRos);
    EXPECT_EQ(sheet.RosPage()->List()->GetItemCount(), 0);
    Save(sheet);
  });
  EXPECT_TRUE(m_sheet->RosPage()->rosText.isEmpty());
  EXPECT_EQ(NoteLinesBetween(QStringLiteral("History)"), QStringLiteral("PE)")),
            (QStringList{"History)", "ROS)", QString(), "PE)"}));
}

TEST_F(HpSheetTest, EverySystemTheEditorShowsHasARow) {
  // An empty line inside the list, and a last entry without its line feed, as a list filled
  // elsewhere may hold them: the editor shows all three systems, and so does the review.
  CDBLists lists;
  ASSERT_TRUE(lists.FindByName(QStringLiteral("534")));
  ASSERT_TRUE(lists.UpdateValues(lists.recordId, QStringLiteral("Fevers\n\nCough\nSOB")));
  StorePatient(QString());
  Run([](CHPSheet& sheet) {
    Show(sheet, kRos);
    EXPECT_EQ(Labels(*sheet.RosPage()->List()), (QStringList{"Fevers", "Cough", "SOB"}));
    sheet.RosPage()->CancelButton()->click();
  });
}

TEST_F(HpSheetTest, EditListKeepsTheAnswersOfTheSystemsThatRemain) {
  StorePatient(QString());
  Run([](CHPSheet& sheet) {
    Show(sheet, kRos);
    CHPROSPage& page = *sheet.RosPage();
    CBaseListCtrl& list = *page.List();
    Pick(list, 1, 1);   // Fevers: No
    Pick(list, 11, 2);  // Cough: Yes
    Pick(list, 0, 2);   // Weight Change: Yes, then removed from the list

    // "Chills" added at the top, "Weight Change" removed, then SAVE.
    ui_seams::PushModalHandler([](QDialog& dialog) {
      auto* editor = qobject_cast<CEditAutoTextDlg*>(&dialog);
      EXPECT_EQ(editor->ListName(), QStringLiteral("534"));
      editor->List()->clearSelection();
      editor->OnInsert();
      editor->List()->InsertInEditor(QStringLiteral("Chills"));
      editor->List()->CloseEdit();
      editor->List()->SelectRow(1);
      editor->OnDelete();
      editor->OnSave();
      return editor->result();
    });
    page.EditListButton()->click();
    ASSERT_EQ(list.GetItemCount(), 19);
    EXPECT_EQ(list.GetItemText(0, 0), QStringLiteral("Chills"));
    EXPECT_EQ(list.GetValue(0), QStringLiteral("--"));
    EXPECT_EQ(list.GetItemText(1, 0), QStringLiteral("Fevers"));
    EXPECT_EQ(list.GetValue(1), QStringLiteral("No"));
    EXPECT_EQ(list.GetItemText(11, 0), QStringLiteral("Cough"));
    EXPECT_EQ(list.GetValue(11), QStringLiteral("Yes"));
    EXPECT_EQ(list.GetRowItem(11)->choiceId, ids::kChoiceYes);

    // The editor cancelled: the rows stay as they are.
    ui_seams::PushModalHandler([](QDialog& dialog) {
      auto* editor = qobject_cast<CEditAutoTextDlg*>(&dialog);
      editor->OnInsert();
      editor->OnCancel();
      return editor->result();
    });
    page.EditListButton()->click();
    EXPECT_EQ(list.GetItemCount(), 19);
    EXPECT_EQ(list.GetValue(11), QStringLiteral("Yes"));
    Save(sheet);
  });
  EXPECT_EQ(m_sheet->RosPage()->rosText, QStringLiteral("Fevers: No\r\nCough: Yes\r\n"));
  CDBLists stored;
  ASSERT_TRUE(stored.FindByName(QStringLiteral("534")));
  EXPECT_TRUE(stored.content.startsWith(QStringLiteral("Chills\nFevers\n")));
}

// ---------------------------------------------------------------------------------------------
// Assessment and plan, CANCEL, names and sizes

TEST_F(HpSheetTest, UndoRecallsTheLatestAssessmentAndThePopUpOffersItsList) {
  StorePatient(QString());
  soap_support::AddNote(kPatient, At(2024, 3, 1, 8), QStringLiteral("old"), QString(),
                        QStringLiteral("old plan"));
  soap_support::AddNote(kPatient, At(2024, 3, 4, 8), QString(), QString(),
                        QStringLiteral("admit\r\ntelemetry"));
  Run([](CHPSheet& sheet) {
    Show(sheet, kAssessPlan);
    CHPAssessPlanPage& page = *sheet.AssessPlanPage();
    page.AssessPlanBox()->setPlainText(QStringLiteral("typed"));
    page.UndoButton()->click();
    EXPECT_EQ(page.AssessPlanBox()->toPlainText(), QStringLiteral("admit\ntelemetry"));
    EXPECT_EQ(page.AutoText()->PopupButton()->GetType(), CHPAssessPlanPage::kAutoTextList);
    EXPECT_EQ(page.AutoText()->Caption()->text(), QStringLiteral("A/P"));
    page.AutoText()->OnPopupNotify(CPopupList::kNotifyPicked, QStringLiteral("Admit"));
    page.SaveButton()->click();
  });
  EXPECT_EQ(m_sheet->AssessPlanPage()->assessmentPlan, QStringLiteral("admit\r\ntelemetryAdmit "));
}

TEST_F(HpSheetTest, CancelOnAnyPageEndsTheSheetWithTheCancelResult) {
  StorePatient(QString());
  for (const Page page : {kHistory, kRos, kPe, kVsTests, kAssessPlan}) {
    const int result = Run([page](CHPSheet& sheet) {
      Type(*sheet.HistoryPage()->List(), Row::kCcRow, QStringLiteral("cough"));
      Show(sheet, page);
      sheet.GetPage(page)->CancelButton()->click();
    });
    EXPECT_EQ(result, CNoteSheet::kCancelResult) << page;
  }
}

TEST_F(HpSheetTest, EveryControlIsNamedAndEachMainControlEndsAboveTheInputPanel) {
  StorePatient(QString());
  Run([](CHPSheet& sheet) {
    sheet.show();
    for (const Page page : {kRos, kPe, kVsTests, kAssessPlan}) {
      Show(sheet, page);
    }
    EXPECT_EQ(soap_support::UnnamedControls(sheet), QStringList());
    EXPECT_EQ(sheet.HistoryPage()->AddMedButton()->accessibleName(),
              QStringLiteral("Add a medication"));
    EXPECT_EQ(sheet.RosPage()->EditListButton()->accessibleName(),
              QStringLiteral("Edit the list of systems"));
    EXPECT_EQ(sheet.HistoryPage()->AddMedButton()->focusPolicy(), Qt::TabFocus);

    const auto bottomGap = [](QWidget* control) {
      input_panel::SipInfo info;
      input_panel::GetInfo(info);
      QCoreApplication::processEvents();
      return info.visibleDesktop.top() + info.visibleDesktop.height() -
             control->mapToGlobal(QPoint(0, control->height())).y();
    };
    Show(sheet, kHistory);
    EXPECT_EQ(bottomGap(sheet.HistoryPage()->List()), 50);
    input_panel::Show(true);
    EXPECT_EQ(bottomGap(sheet.HistoryPage()->List()), 23);
    Show(sheet, kRos);
    EXPECT_EQ(bottomGap(sheet.RosPage()->List()), 23);
    Show(sheet, kVsTests);
    EXPECT_EQ(bottomGap(sheet.VsTestsPage()->LabsList()), 23);
    input_panel::Show(false);
    EXPECT_EQ(bottomGap(sheet.VsTestsPage()->LabsList()), 50);
  });
}

// Writes a picture of each page to docs/ when OVELIN_SCREENSHOT_DIR names a folder.
TEST_F(HpSheetTest, Screenshot) {
  const QString folder = qEnvironmentVariable("OVELIN_SCREENSHOT_DIR");
  if (folder.isEmpty()) {
    GTEST_SKIP() << "OVELIN_SCREENSHOT_DIR is not set";
  }
  StorePatient(QStringLiteral("PCN"));
  soap_support::AddVitals(kPatient, At(2024, 3, 4, 7), QStringLiteral("Temp\n98.6\nPulse\n88\n"));
  soap_support::AddTest(kPatient, At(2024, 3, 3, 10), QStringLiteral("CXR"),
                        QStringLiteral("cardiomegaly"));
  soap_support::AddTest(kPatient, At(2024, 3, 1, 8), QStringLiteral("EKG"), QStringLiteral("NSR"));
  soap_support::AddLab(kPatient, At(2024, 3, 4, 6), strings::Load(ids::kLabGroupChemistry),
                       QStringLiteral("Na\n134\n"));
  soap_support::AddLab(kPatient, At(2024, 3, 2, 6), strings::Load(ids::kLabGroupCbc),
                       QStringLiteral("WBC\n9\n"));
  const auto grab = [&folder](CHPSheet& sheet, Page page, const char* name) {
    Show(sheet, page);
    QCoreApplication::processEvents();
    if (QWidget* focused = QApplication::focusWidget()) {
      focused->clearFocus();
    }
    EXPECT_TRUE(sheet.grab().save(folder + QLatin1Char('/') + QLatin1String(name), "PNG"));
  };
  Run([&grab](CHPSheet& sheet) {
    sheet.show();
    CNoteRowList& history = *sheet.HistoryPage()->List();
    history.SetValue(Row::kCcRow, QStringLiteral("SOB"));
    history.SetValue(Row::kHpiRow, kSentence + QStringLiteral(" two days of dyspnea"));
    history.SetValue(Row::kPmhRow, QStringLiteral("HTN, CAD"));
    grab(sheet, kHistory, "hp-history.png");
    Show(sheet, kRos);
    sheet.RosPage()->List()->SetValue(12, QStringLiteral("Yes"));
    sheet.RosPage()->List()->SetValue(9, QStringLiteral("No"));
    grab(sheet, kRos, "hp-ros.png");
    Show(sheet, kPe);
    sheet.PePage()->List()->SetValue(2, QStringLiteral("(+) crackles"));
    grab(sheet, kPe, "hp-pe.png");
    Show(sheet, kVsTests);
    sheet.VsTestsPage()->VitalsCombo()->setCurrentIndex(0);
    sheet.VsTestsPage()->TestsList()->ToggleMark(0);
    sheet.VsTestsPage()->LabsList()->ToggleMark(0);
    grab(sheet, kVsTests, "hp-vs-tests.png");
    Show(sheet, kAssessPlan);
    sheet.AssessPlanPage()->AssessPlanBox()->setPlainText(QStringLiteral("CHF. Diurese."));
    grab(sheet, kAssessPlan, "hp-ap.png");
  });
}

}  // namespace
