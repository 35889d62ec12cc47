#include <gtest/gtest.h>

#include <QComboBox>
#include <QDateEdit>

#include "common/CDBCategories.h"
#include "common/CDBPatient.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CEditCategoriesDlg.h"
#include "patients/CAddPatientDlg.h"
#include "shell/CommandIds.h"
#include "support/TestTime.h"
#include "test_app_support.h"

namespace {

using Dlg = CAddPatientDlg;

// Times in these tests fall at 10:30 unless a test says otherwise.
FILETIME At(int year, int month, int day, int hour = 10, int minute = 30) {
  return test_time::At(year, month, day, hour, minute);
}

using test_time::Fields;

// Index of a date row's choice in its drop-down: "No Date", then the decades.
int DateChoice(int id) {
  return id - ids::kNoDate;
}

// The dialog on a fresh device, with today fixed at 1 March 2024, 10:30.
class AddPatientDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app_test::EnsureApplication();
    messages::Install(nullptr);
    messages::DefaultRecorder().Clear();
    ui_seams::ClearModalHandlers();
    ui_seams::ClearModalTitles();
    ui_seams::SetModalHandler([](QDialog&) { return static_cast<int>(QDialog::Rejected); });
    input_panel::Show(false);
    clock_source::Fix(At(2024, 3, 1));
    m_dialog = std::make_unique<Dlg>(m_patient);
  }

  void TearDown() override {
    m_dialog.reset();
    // Back to the test program's answer, so that no later test waits for a person.
    ui_seams::SetModalHandler([](QDialog&) { return static_cast<int>(QDialog::Rejected); });
    ui_seams::ClearModalHandlers();
    clock_source::UseSystemTime();
    messages::DefaultRecorder().Clear();
  }

  CBaseListCtrl& List() const { return *m_dialog->List(); }
  QString Value(int row) const { return List().GetValue(row); }
  const std::vector<messages::Shown>& Shown() const {
    return messages::DefaultRecorder().Messages();
  }

  // Fills what SAVE needs besides the rows a test is about.
  void EnterNameAndType(const QString& first = QStringLiteral("John"),
                        const QString& last = QStringLiteral("Doe"),
                        const QString& type = QStringLiteral("Clinic")) {
    List().SetValue(Dlg::kFirstNameRow, first);
    List().SetValue(Dlg::kLastNameRow, last);
    List().SetValue(Dlg::kPatientTypeRow, type);
  }

  // Picks the date row's choice as the user would: tap the row, choose from its drop-down.
  void PickDateChoice(int id) {
    ASSERT_TRUE(List().EditRow(Dlg::kDobRow));
    ASSERT_TRUE(List().PickInEditor(DateChoice(id)));
  }

  TempDevice m_device;
  CDBPatient m_patient;
  std::unique_ptr<Dlg> m_dialog;
};

TEST_F(AddPatientDlgTest, DecadeOpensPickerInItsFifthYearAndThePickedDateFillsTheAge) {
  PickDateChoice(ids::kDecadeFirst + 4);  // "1950's"
  ASSERT_TRUE(List().IsDatePickerOpen());
  auto* picker = qobject_cast<QDateEdit*>(List().Editor());
  ASSERT_NE(picker, nullptr);
  EXPECT_EQ(picker->date(), QDate(1955, 6, 15));

  List().CloseEdit();  // the user takes the offered day
  const CListItem* dob = List().GetRowItem(Dlg::kDobRow);
  EXPECT_EQ(dob->date.wYear, 1955);
  EXPECT_EQ(dob->date.wMonth, 6);
  EXPECT_EQ(dob->date.wDay, 15);
  EXPECT_EQ(Value(Dlg::kAgeRow), QStringLiteral("68 Years"));

  // "No Date" clears the date and leaves the age that was worked out.
  PickDateChoice(ids::kNoDate);
  EXPECT_FALSE(List().IsDatePickerOpen());
  EXPECT_EQ(List().GetRowItem(Dlg::kDobRow)->date, SYSTEMTIME{});
  EXPECT_TRUE(Value(Dlg::kDobRow).isEmpty());
  EXPECT_EQ(Value(Dlg::kAgeRow), QStringLiteral("68 Years"));

  // Saved so, the patient has the age and no date of birth.
  EnterNameAndType();
  m_dialog->OnSave();
  EXPECT_EQ(m_dialog->result(), QDialog::Accepted);
  EXPECT_TRUE(filetime::IsZero(m_patient.dateOfBirth));
  EXPECT_EQ(m_patient.ageValue, QStringLiteral("68"));
  EXPECT_EQ(m_patient.ageUnit, QStringLiteral("Years"));
}

TEST_F(AddPatientDlgTest, AgeTextSplitsAtTheFirstBlank) {
  const struct {
    const char* text;
    const char* value;
    const char* unit;
  } cases[] = {
      {"45 Years", "45", "Years"},
      {"45", "45", ""},
      {"3 and a half Years", "3", "and a half Years"},
      {"18  Months", "18", " Months"},
      {"", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    Dlg dialog(m_patient);
    dialog.List()->SetValue(Dlg::kFirstNameRow, QStringLiteral("Ann"));
    dialog.List()->SetValue(Dlg::kLastNameRow, QStringLiteral("Lee"));
    dialog.List()->SetValue(Dlg::kPatientTypeRow, QStringLiteral("Clinic"));
    dialog.List()->SetValue(Dlg::kAgeRow, QString::fromUtf8(c.text));
    dialog.OnSave();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(m_patient.ageValue, QString::fromUtf8(c.value));
    EXPECT_EQ(m_patient.ageUnit, QString::fromUtf8(c.unit));
  }
}

TEST_F(AddPatientDlgTest, SaveFillsEveryFieldFromItsRow) {
  const QString texts[Dlg::kRowCount] = {QStringLiteral("Mary"),     QStringLiteral("Major"),
                                         QStringLiteral("Hospital"), QStringLiteral("MR-77"),
                                         QStringLiteral("12B"),      QStringLiteral("Dr. Hale"),
                                         QStringLiteral("61 Years"), QString(),
                                         QStringLiteral("Asian"),    QStringLiteral("Female"),
                                         QStringLiteral("DNR"),      QStringLiteral("CHF"),
                                         QStringLiteral("Sulfa"),    QStringLiteral("Gout")};
  for (int row = 0; row < Dlg::kRowCount; ++row) {
    if (row != Dlg::kDobRow) {
      List().SetValue(row, texts[row]);
    }
  }
  m_dialog->AdmitDatePicker()->setDate(QDate(2024, 2, 27));
  m_dialog->OnSave();
  ASSERT_EQ(m_dialog->result(), QDialog::Accepted);
  EXPECT_TRUE(Shown().empty());
  EXPECT_EQ(m_patient.firstName, QStringLiteral("Mary"));
  EXPECT_EQ(m_patient.lastName, QStringLiteral("Major"));
  EXPECT_EQ(m_patient.patientType, QStringLiteral("Hospital"));
  EXPECT_EQ(m_patient.mrNumber, QStringLiteral("MR-77"));
  EXPECT_EQ(m_patient.room, QStringLiteral("12B"));
  EXPECT_EQ(m_patient.doctor, QStringLiteral("Dr. Hale"));
  EXPECT_EQ(m_patient.ageValue, QStringLiteral("61"));
  EXPECT_EQ(m_patient.ageUnit, QStringLiteral("Years"));
  EXPECT_TRUE(filetime::IsZero(m_patient.dateOfBirth));
  EXPECT_EQ(m_patient.race, QStringLiteral("Asian"));
  EXPECT_EQ(m_patient.sex, QStringLiteral("Female"));
  EXPECT_EQ(m_patient.codeStatus, QStringLiteral("DNR"));
  EXPECT_EQ(m_patient.diagnosis, QStringLiteral("CHF"));
  EXPECT_EQ(m_patient.allergies, QStringLiteral("Sulfa"));
  EXPECT_EQ(m_patient.problems, QStringLiteral("Gout"));
  // The picked day, at the time of day the dialog was opened.
  const SYSTEMTIME admitted = Fields(m_patient.admitDate);
  EXPECT_EQ(admitted.wYear, 2024);
  EXPECT_EQ(admitted.wMonth, 2);
  EXPECT_EQ(admitted.wDay, 27);
  EXPECT_EQ(admitted.wHour, 10);
  EXPECT_EQ(admitted.wMinute, 30);
  // The key is made by the store when the patient is created.
  EXPECT_TRUE(m_patient.CreateRecord(false));
  CDBPatient stored;
  EXPECT_TRUE(
      stored.FindByName(CDBPatient::MakeFullName(QStringLiteral("Mary"), QStringLiteral("Major"))));
  EXPECT_EQ(stored.room, QStringLiteral("12B"));
}

TEST_F(AddPatientDlgTest, NameOnFileIsRefusedBeforeTheTypeIsLookedAt) {
  app_test::AddPatient(QStringLiteral("John"), QStringLiteral("Doe"), QStringLiteral("Clinic"));
  List().SetValue(Dlg::kFirstNameRow, QStringLiteral("John"));
  List().SetValue(Dlg::kLastNameRow, QStringLiteral("Doe"));
  List().SetValue(Dlg::kRoomRow, QStringLiteral("4"));
  m_dialog->OnSave();

  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_EQ(
      Shown()[0].text,
      QStringLiteral("This patient is already on file! Please check the name and try again."));
  EXPECT_EQ(Shown()[0].caption, QStringLiteral("Ovelin"));
  EXPECT_EQ(Shown()[0].icon, messages::Icon::Exclamation);
  EXPECT_NE(m_dialog->result(), QDialog::Accepted);
  // The caller's object is not filled with anything.
  EXPECT_TRUE(m_patient.firstName.isEmpty());
  EXPECT_TRUE(m_patient.room.isEmpty());
  EXPECT_TRUE(m_patient.name.isEmpty());
}

TEST_F(AddPatientDlgTest, MissingNameOrTypeIsRefusedWithTheStopMessage) {
  const QString rows[][3] = {
      {QString(), QStringLiteral("Doe"), QStringLiteral("Clinic")},
      {QStringLiteral("John"), QString(), QStringLiteral("Clinic")},
      {QStringLiteral("John"), QStringLiteral("Doe"), QString()},
  };
  for (const auto& values : rows) {
    messages::DefaultRecorder().Clear();
    Dlg dialog(m_patient);
    dialog.List()->SetValue(Dlg::kFirstNameRow, values[0]);
    dialog.List()->SetValue(Dlg::kLastNameRow, values[1]);
    dialog.List()->SetValue(Dlg::kPatientTypeRow, values[2]);
    dialog.OnSave();
    ASSERT_EQ(Shown().size(), 1u);
    EXPECT_EQ(Shown()[0].text,
              QStringLiteral("You must enter the patient name and type before saving"));
    EXPECT_EQ(Shown()[0].caption, QStringLiteral("Ovelin"));
    EXPECT_EQ(Shown()[0].icon, messages::Icon::Stop);
    EXPECT_NE(dialog.result(), QDialog::Accepted);
  }
}

TEST_F(AddPatientDlgTest, TextInAnOpenEditorIsTakenBySave) {
  EnterNameAndType(QString());
  ASSERT_TRUE(List().EditRow(Dlg::kFirstNameRow));
  ASSERT_TRUE(List().InsertInEditor(QStringLiteral("Typed")));
  ASSERT_TRUE(List().IsEditing());
  m_dialog->OnSave();
  EXPECT_EQ(m_dialog->result(), QDialog::Accepted);
  EXPECT_EQ(m_patient.firstName, QStringLiteral("Typed"));
  EXPECT_FALSE(List().IsEditing());
}

TEST_F(AddPatientDlgTest, PatientTypeEditEntryRunsTheCategoryEditorAndEmptiesTheRow) {
  List().SetValue(Dlg::kPatientTypeRow, QStringLiteral("Clinic"));
  int editorList = -1;
  ui_seams::PushModalHandler([&editorList](QDialog& dialog) {
    auto* editor = qobject_cast<CEditCategoriesDlg*>(&dialog);
    editorList = editor != nullptr ? editor->ListId() : -2;
    CDBCategories categories;
    categories.text = QStringLiteral("Ward 3");
    EXPECT_TRUE(categories.AddNew(CDBCategories::kPatientTypeList));
    return static_cast<int>(QDialog::Accepted);
  });
  ASSERT_TRUE(List().EditRow(Dlg::kPatientTypeRow));
  auto* combo = qobject_cast<QComboBox*>(List().Editor());
  ASSERT_NE(combo, nullptr);
  ASSERT_TRUE(List().PickInEditor(combo->count() - 1));  // the edit entry comes last

  EXPECT_EQ(editorList, CDBCategories::kPatientTypeList);
  EXPECT_EQ(ui_seams::PendingModalHandlers(), 0);
  EXPECT_EQ(ui_seams::ModalTitles().count(QStringLiteral("Edit Categories")), 1);
  EXPECT_TRUE(Value(Dlg::kPatientTypeRow).isEmpty());
  const auto& choices = List().GetRowItem(Dlg::kPatientTypeRow)->choices;
  const auto offered = std::find_if(choices.begin(), choices.end(), [](const auto& choice) {
    return choice.text == QStringLiteral("Ward 3");
  });
  EXPECT_NE(offered, choices.end());
  EXPECT_EQ(choices.back().id, static_cast<int32_t>(CDBCategories::kEditEntryData));

  // A pick of an ordinary type is placed in the row.
  ASSERT_TRUE(List().EditRow(Dlg::kPatientTypeRow));
  ASSERT_TRUE(List().PickInEditor(static_cast<int>(offered - choices.begin())));
  EXPECT_EQ(Value(Dlg::kPatientTypeRow), QStringLiteral("Ward 3"));
}

TEST_F(AddPatientDlgTest, ListEndsAboveTheInputPanel) {
  input_panel::SipInfo info;
  input_panel::Show(true);  // notifies every top-level window, the dialog among them
  ASSERT_TRUE(input_panel::GetInfo(info));
  const int top = List().y();
  EXPECT_EQ(List().height(),
            qMin(m_dialog->height() - top - 5, info.visibleDesktop.height() - top - 5));
  input_panel::Show(false);
  ASSERT_TRUE(input_panel::GetInfo(info));
  EXPECT_EQ(List().height(),
            qMin(m_dialog->height() - top - 5, info.visibleDesktop.height() - top - 35));
}

// ---------------------------------------------------------------------------------------------
// The view's new-patient command

class NewPatientCommandTest : public app_test::AppTest {};

TEST_F(NewPatientCommandTest, StoresThePatientAndSelectsTheFirstRow) {
  app_test::AddPatient(QStringLiteral("Al"), QStringLiteral("Able"), QStringLiteral("Clinic"));
  app_test::AddPatient(QStringLiteral("Zed"), QStringLiteral("Zulu"), QStringLiteral("Clinic"));
  ASSERT_TRUE(Start());
  ListPage().List()->SelectRow(1);
  ASSERT_EQ(Strip()->currentPatient, QStringLiteral("Zulu, Zed"));

  bool panelUpWhileRunning = false;
  ui_seams::PushModalHandler([&panelUpWhileRunning](QDialog& dialog) {
    panelUpWhileRunning = input_panel::IsUp();
    auto* add = qobject_cast<CAddPatientDlg*>(&dialog);
    if (add == nullptr) {
      return static_cast<int>(QDialog::Rejected);
    }
    add->List()->SetValue(CAddPatientDlg::kFirstNameRow, QStringLiteral("Bo"));
    add->List()->SetValue(CAddPatientDlg::kLastNameRow, QStringLiteral("Baker"));
    add->List()->SetValue(CAddPatientDlg::kPatientTypeRow, QStringLiteral("Clinic"));
    add->List()->SetValue(CAddPatientDlg::kRoomRow, QStringLiteral("7"));
    add->OnSave();
    return add->result();
  });
  Frame()->View()->OnCommand(command_ids::kNewPatient);

  EXPECT_TRUE(panelUpWhileRunning);
  EXPECT_FALSE(input_panel::IsUp());
  EXPECT_EQ(ui_seams::ModalTitles().last(), QStringLiteral("Add Patient"));
  CDBPatient stored;
  ASSERT_TRUE(stored.FindByName(QStringLiteral("Baker, Bo")));
  EXPECT_EQ(stored.room, QStringLiteral("7"));
  EXPECT_EQ(ListPage().List()->GetItemCount(), 3);
  EXPECT_EQ(ListPage().List()->GetSelectedRow(), 0);
  EXPECT_EQ(Strip()->currentPatient, ListPage().List()->GetItemText(0, 0));
}

TEST_F(NewPatientCommandTest, CancelStoresNothing) {
  ASSERT_TRUE(Start());
  Frame()->View()->OnCommand(command_ids::kNewPatient);  // the default handler cancels
  EXPECT_EQ(ui_seams::ModalTitles().last(), QStringLiteral("Add Patient"));
  EXPECT_EQ(ListPage().List()->GetItemCount(), 0);
  EXPECT_FALSE(input_panel::IsUp());
}

// Writes docs/add-patient.png when OVELIN_SCREENSHOT_DIR names a folder.
TEST_F(AddPatientDlgTest, Screenshot) {
  const QString folder = qEnvironmentVariable("OVELIN_SCREENSHOT_DIR");
  if (folder.isEmpty()) {
    GTEST_SKIP() << "OVELIN_SCREENSHOT_DIR is not set";
  }
  Dlg dialog(m_patient);
  dialog.setGeometry(QRect(QPoint(0, 0), QSize(480, 640)));
  const QString values[] = {QStringLiteral("Mary"),     QStringLiteral("Major"),
                            QStringLiteral("Hospital"), QStringLiteral("448-2210"),
                            QStringLiteral("12B"),      QStringLiteral("Dr. Hale"),
                            QStringLiteral("68 Years"), QString()};
  for (int row = 0; row < Dlg::kDobRow; ++row) {
    dialog.List()->SetValue(row, values[row]);
  }
  dialog.List()->SetValue(Dlg::kRaceRow, QStringLiteral("White"));
  dialog.List()->SetValue(Dlg::kSexRow, QStringLiteral("Female"));
  dialog.List()->SetValue(Dlg::kCodeRow, QStringLiteral("Full"));
  dialog.List()->SetValue(Dlg::kDxRow, QStringLiteral("Community-acquired pneumonia"));
  dialog.List()->SetValue(Dlg::kAllergiesRow, QStringLiteral("Penicillin"));
  dialog.List()->SetValue(Dlg::kProblemsRow, QStringLiteral("Hypertension"));
  dialog.show();
  ASSERT_TRUE(dialog.List()->EditRow(Dlg::kDobRow));
  ASSERT_TRUE(dialog.List()->PickInEditor(ids::kDecadeFirst + 4 - ids::kNoDate));
  QCoreApplication::processEvents();
  EXPECT_TRUE(dialog.grab().save(folder + QStringLiteral("/add-patient.png"), "PNG"));
}

}  // namespace
