#include <gtest/gtest.h>

#include <sqlite3.h>

#include <QDateEdit>

#include "FakeHost.h"
#include "common/CDBPatient.h"
#include "common/MessageService.h"
#include "common/StringIds.h"
#include "common/ui/CPictureButton.h"
#include "patients/CPatientInfoPage.h"
#include "patients/CPatientListPage.h"
#include "platform/Device.h"
#include "support/TempDevice.h"
#include "support/TestGuard.h"
#include "support/TestTime.h"
#include "test_app_support.h"

namespace {

using Page = CPatientInfoPage;

using test_time::At;

using test_time::Fields;

std::unique_ptr<CDBPatient> Stored(const QString& name) {
  auto patient = std::make_unique<CDBPatient>();
  EXPECT_TRUE(patient->FindByName(name));
  return patient;
}

// A patient with every field the page shows; accessState 1 makes it read-only from the desktop.
QString AddFullPatient(const QString& first, const QString& last, uint8_t accessState = 0);

QString AddFullPatient(const QString& first, const QString& last, uint8_t accessState) {
  CDBPatient patient;
  patient.firstName = first;
  patient.lastName = last;
  patient.patientType = QStringLiteral("Clinic");
  patient.mrNumber = QStringLiteral("MR-1");
  patient.room = QStringLiteral("9");
  patient.doctor = QStringLiteral("Dr. Ray");
  patient.ageValue = QStringLiteral("68");
  patient.ageUnit = QStringLiteral("Years");
  patient.dateOfBirth = At(1955, 6, 15, 1);
  patient.race = QStringLiteral("White");
  patient.sex = QStringLiteral("Male");
  patient.codeStatus = QStringLiteral("Full");
  patient.diagnosis = QStringLiteral("Pneumonia");
  patient.problems = QStringLiteral("Diabetes");
  patient.allergies = QStringLiteral("Penicillin");
  patient.admitDate = At(2024, 2, 20, 14, 45);
  patient.accessState = accessState;
  patient.desktopId = accessState != 0 ? 77u : 0u;
  EXPECT_TRUE(patient.CreateRecord(accessState != 0));
  return patient.name;
}

// The page alone on a fake host, on a fresh device with today fixed at 1 March 2024.
class PatientInfoPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app_test::EnsureApplication();
    clock_source::Fix(At(2024, 3, 1, 9));
  }

  // Shows the page with name as the host's current patient (none when empty).
  void ShowInfo(const QString& name = {}) {
    m_page = std::make_unique<Page>();
    m_page->SetHost(&m_host);
    m_page->resize(240, 300);
    m_host.Select(name);
    m_page->show();
    ASSERT_TRUE(m_page->OnSetActive());
  }

  CBaseListCtrl& List() const { return *m_page->List(); }
  QString Value(int row) const { return List().GetValue(row); }
  bool SaveEnabled() const { return m_page->SaveButton()->isEnabled(); }

  // Types text into a row's editor and ends the edit, as the user would.
  void Type(int row, const QString& text) {
    ASSERT_TRUE(List().EditRow(row));
    ASSERT_TRUE(List().InsertInEditor(text));
    List().CloseEdit();
  }
  void Replace(int row, const QString& text) {
    List().SetValue(row, QString());
    Type(row, text);
  }

  void PickDateChoice(int id) {
    ASSERT_TRUE(List().EditRow(Page::kDobRow));
    ASSERT_TRUE(List().PickInEditor(id - ids::kNoDate));
  }

  TestGuard m_guard;
  TempDevice m_device;
  FakePageHost m_host;
  std::unique_ptr<Page> m_page;
};

// The page in the program: the patient list follows what the page saves.
class PatientInfoInProgramTest : public app_test::AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    clock_source::Fix(At(2024, 3, 1, 9));
  }

  Page& ShowInfo() {
    EXPECT_TRUE(Strip()->SelectPage(1));
    return dynamic_cast<Page&>(*Strip()->GetPage(1));
  }
};

TEST_F(PatientInfoPageTest, WithoutAPatientEveryRowIsEmptyAndNothingCanBeEdited) {
  ShowInfo();
  ASSERT_EQ(List().GetItemCount(), Page::kRowCount);
  const char* labels[] = {"MR #", "Room #", "Doctor", "Age", "DOB",
                          "Race", "Sex",    "Code",   "Dx",  "Problems"};
  for (int row = 0; row < Page::kRowCount; ++row) {
    EXPECT_EQ(List().GetItemText(row, 0), QString::fromUtf8(labels[row]));
    EXPECT_TRUE(Value(row).isEmpty()) << row;
  }
  EXPECT_TRUE(List().IsReadOnly());
  EXPECT_FALSE(List().EditRow(Page::kRoomRow));
  EXPECT_FALSE(m_page->AdmitDatePicker()->isEnabled());
  EXPECT_FALSE(SaveEnabled());
  int type = 0;
  uint32_t id = 0;
  EXPECT_FALSE(m_page->GetSelectedRecord(type, id));
}

TEST_F(PatientInfoPageTest, ShowsTheCurrentPatientsDemographics) {
  const QString name = AddFullPatient(QStringLiteral("Ed"), QStringLiteral("Eames"));
  ShowInfo(name);
  EXPECT_EQ(Value(Page::kMrNumberRow), QStringLiteral("MR-1"));
  EXPECT_EQ(Value(Page::kRoomRow), QStringLiteral("9"));
  EXPECT_EQ(Value(Page::kDoctorRow), QStringLiteral("Dr. Ray"));
  EXPECT_EQ(Value(Page::kAgeRow), QStringLiteral("68 Years"));
  EXPECT_EQ(Value(Page::kDobRow), QStringLiteral("Wednesday 6/15/1955"));
  EXPECT_EQ(Value(Page::kRaceRow), QStringLiteral("White"));
  EXPECT_EQ(Value(Page::kSexRow), QStringLiteral("Male"));
  EXPECT_EQ(Value(Page::kCodeRow), QStringLiteral("Full"));
  EXPECT_EQ(Value(Page::kDxRow), QStringLiteral("Pneumonia"));
  EXPECT_EQ(Value(Page::kProblemsRow), QStringLiteral("Diabetes"));
  EXPECT_EQ(m_page->AdmitDatePicker()->date(), QDate(2024, 2, 20));
  EXPECT_TRUE(m_page->AdmitDatePicker()->isEnabled());
  // The picker stands above the list, not under it.
  EXPECT_LT(m_page->AdmitDatePicker()->geometry().bottom(), List().geometry().top());
  EXPECT_FALSE(List().IsReadOnly());
  EXPECT_TRUE(m_page->SaveButton()->isVisibleTo(m_page.get()));
  EXPECT_FALSE(m_page->NoSaveButton()->isVisibleTo(m_page.get()));
  EXPECT_FALSE(SaveEnabled());
  int type = 0;
  uint32_t id = 0;
  ASSERT_TRUE(m_page->GetSelectedRecord(type, id));
  EXPECT_EQ(type, 1);
  EXPECT_EQ(id, Stored(name)->recordId);

  // Leaving the tab empties the list.
  ASSERT_TRUE(m_page->OnKillActive());
  EXPECT_EQ(List().GetItemCount(), 0);
}

TEST_F(PatientInfoPageTest, ReadOnlyPatientShowsNoSaveAndCannotBeEdited) {
  ShowInfo(AddFullPatient(QStringLiteral("Ro"), QStringLiteral("Reed"), 1));
  EXPECT_EQ(Value(Page::kRoomRow), QStringLiteral("9"));
  EXPECT_TRUE(m_page->NoSaveButton()->isVisibleTo(m_page.get()));
  EXPECT_FALSE(m_page->SaveButton()->isVisibleTo(m_page.get()));
  EXPECT_TRUE(m_page->NoSaveButton()->IsInert());
  EXPECT_TRUE(List().IsReadOnly());
  EXPECT_FALSE(List().EditRow(Page::kRoomRow));
  EXPECT_FALSE(List().IsEditing());
  EXPECT_FALSE(m_page->AdmitDatePicker()->isEnabled());
  m_page->OnSave();  // nothing is written
  EXPECT_EQ(Stored(QStringLiteral("Reed, Ro"))->accessState, 1);
}

TEST_F(PatientInfoPageTest, EditsEnableSaveButTheAdmissionDateAloneDoesNot) {
  ShowInfo(AddFullPatient(QStringLiteral("Ed"), QStringLiteral("Eames")));
  m_page->AdmitDatePicker()->setDate(QDate(2024, 2, 22));
  EXPECT_FALSE(SaveEnabled());
  Replace(Page::kDoctorRow, QStringLiteral("Dr. Ray Jr."));
  EXPECT_TRUE(SaveEnabled());

  // The admission date goes with the next save, keeping its time of day.
  m_page->OnSave();
  EXPECT_FALSE(SaveEnabled());
  const auto stored = Stored(QStringLiteral("Eames, Ed"));
  EXPECT_EQ(stored->doctor, QStringLiteral("Dr. Ray Jr."));
  const SYSTEMTIME admitted = Fields(stored->admitDate);
  EXPECT_EQ(admitted.wDay, 22);
  EXPECT_EQ(admitted.wHour, 14);
  EXPECT_EQ(admitted.wMinute, 45);
}

// A save the store refuses (here the device met damage, so it refuses every change) is told, and
// the edits stay with Save enabled to be saved again.
TEST_F(PatientInfoPageTest, AFailedSaveIsToldAndKeepsTheEditsToSaveAgain) {
  ShowInfo(AddFullPatient(QStringLiteral("Ed"), QStringLiteral("Eames")));
  Replace(Page::kDoctorRow, QStringLiteral("Dr. Ray Jr."));
  m_device.device().NoteDamage(
      {SQLITE_CORRUPT, QStringLiteral("objectstore.db"), QStringLiteral("test")});
  m_page->OnSave();
  const std::vector<messages::Shown>& shown = messages::DefaultRecorder().Messages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(
      shown[0].text,
      QStringLiteral("The patient could not be saved. The patient on the device is unchanged."));
  EXPECT_TRUE(SaveEnabled());
  EXPECT_EQ(Value(Page::kDoctorRow), QStringLiteral("Dr. Ray Jr."));
  EXPECT_EQ(Stored(QStringLiteral("Eames, Ed"))->doctor, QStringLiteral("Dr. Ray"));
}

TEST_F(PatientInfoPageTest, SaveSplitsTheAgeText) {
  ShowInfo(AddFullPatient(QStringLiteral("Ed"), QStringLiteral("Eames")));
  const struct {
    const char* text;
    const char* value;
    const char* unit;
  } cases[] = {
      {"45 Years", "45", "Years"},
      {"45", "45", ""},
      {"2 weeks and 3 Days", "2", "weeks and 3 Days"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    Replace(Page::kAgeRow, QString::fromUtf8(c.text));
    m_page->OnSave();
    const auto stored = Stored(QStringLiteral("Eames, Ed"));
    EXPECT_EQ(stored->ageValue, QString::fromUtf8(c.value));
    EXPECT_EQ(stored->ageUnit, QString::fromUtf8(c.unit));
    // Shown again, an age without a unit has no blank after it.
    ASSERT_TRUE(m_page->OnSetActive());
    EXPECT_EQ(Value(Page::kAgeRow), QString::fromUtf8(c.text));
  }
  // Everything else is kept as it was shown.
  const auto stored = Stored(QStringLiteral("Eames, Ed"));
  EXPECT_EQ(stored->mrNumber, QStringLiteral("MR-1"));
  EXPECT_EQ(stored->allergies, QStringLiteral("Penicillin"));
  EXPECT_EQ(stored->patientType, QStringLiteral("Clinic"));
  const SYSTEMTIME born = Fields(stored->dateOfBirth);
  EXPECT_EQ(born.wYear, 1955);
  EXPECT_EQ(born.wDay, 15);
  const SYSTEMTIME admitted = Fields(stored->admitDate);
  EXPECT_EQ(admitted.wDay, 20);
  EXPECT_EQ(admitted.wHour, 14);
}

TEST_F(PatientInfoPageTest, NoDateThenSaveStoresAZeroDateOfBirth) {
  ShowInfo(AddFullPatient(QStringLiteral("Ed"), QStringLiteral("Eames")));
  PickDateChoice(ids::kNoDate);
  EXPECT_TRUE(Value(Page::kDobRow).isEmpty());
  EXPECT_EQ(Value(Page::kAgeRow), QStringLiteral("68 Years"));
  EXPECT_TRUE(SaveEnabled());
  m_page->OnSave();
  EXPECT_TRUE(filetime::IsZero(Stored(QStringLiteral("Eames, Ed"))->dateOfBirth));
}

TEST_F(PatientInfoPageTest, DecadeOpensThePickerAndThePickedDateSetsTheAge) {
  ShowInfo(AddFullPatient(QStringLiteral("Ed"), QStringLiteral("Eames")));
  PickDateChoice(ids::kDecadeFirst + 9);  // "2000's"
  auto* picker = qobject_cast<QDateEdit*>(List().Editor());
  ASSERT_NE(picker, nullptr);
  EXPECT_EQ(picker->date(), QDate(2005, 6, 15));
  picker->setDate(QDate(2023, 12, 1));
  List().CloseEdit();
  EXPECT_EQ(Value(Page::kAgeRow), QStringLiteral("3 Months"));
  m_page->OnSave();
  const auto stored = Stored(QStringLiteral("Eames, Ed"));
  EXPECT_EQ(stored->ageValue, QStringLiteral("3"));
  EXPECT_EQ(stored->ageUnit, QStringLiteral("Months"));
  const SYSTEMTIME born = Fields(stored->dateOfBirth);
  EXPECT_EQ(born.wYear, 2023);
  EXPECT_EQ(born.wMonth, 12);
  EXPECT_EQ(born.wDay, 1);
}

TEST_F(PatientInfoPageTest, SaveAsksTheHostToRefillThePatientListKeepingTheSelection) {
  ShowInfo(AddFullPatient(QStringLiteral("Bo"), QStringLiteral("Baker")));
  Replace(Page::kRoomRow, QStringLiteral("12"));
  m_page->OnSave();
  ASSERT_EQ(m_host.refills.size(), 1u);
  EXPECT_TRUE(m_host.refills[0].keepSelection);
  EXPECT_FALSE(m_host.refills[0].refreshTypes);
}

TEST_F(PatientInfoInProgramTest, SaveRefillsThePatientListKeepingTheSelection) {
  AddFullPatient(QStringLiteral("Al"), QStringLiteral("Able"));
  AddFullPatient(QStringLiteral("Bo"), QStringLiteral("Baker"));
  ASSERT_TRUE(Start());
  ListPage().List()->SelectRow(1);
  ASSERT_EQ(Strip()->currentPatient, QStringLiteral("Baker, Bo"));
  Page& page = ShowInfo();
  CBaseListCtrl& items = *page.List();
  for (const auto& [row, text] : {std::pair{Page::kRoomRow, QStringLiteral("12")},
                                  std::pair{Page::kMrNumberRow, QStringLiteral("MR-2")}}) {
    items.SetValue(row, QString());
    ASSERT_TRUE(items.EditRow(row));
    ASSERT_TRUE(items.InsertInEditor(text));
    items.CloseEdit();
  }
  page.OnSave();

  CPatientListCtrl& list = *ListPage().List();
  ASSERT_EQ(list.GetSelectedRow(), 1);
  EXPECT_EQ(list.GetItemText(1, CPatientListPage::kNameColumn), QStringLiteral("Baker, Bo"));
  EXPECT_EQ(list.GetItemText(1, CPatientListPage::kMrColumn), QStringLiteral("MR-2"));
  EXPECT_EQ(list.GetItemText(1, CPatientListPage::kRoomColumn), QStringLiteral("12"));
  EXPECT_EQ(Strip()->currentPatient, QStringLiteral("Baker, Bo"));
  EXPECT_TRUE(Strip()->HeaderText().contains(QStringLiteral("MR-2")));
  EXPECT_EQ(Stored(QStringLiteral("Able, Al"))->room, QStringLiteral("9"));
}

// Writes docs/patient-info.png when OVELIN_SCREENSHOT_DIR names a folder.
TEST_F(PatientInfoInProgramTest, Screenshot) {
  const QString folder = qEnvironmentVariable("OVELIN_SCREENSHOT_DIR");
  if (folder.isEmpty()) {
    GTEST_SKIP() << "OVELIN_SCREENSHOT_DIR is not set";
  }
  AddFullPatient(QStringLiteral("Edward"), QStringLiteral("Eames"));
  ASSERT_TRUE(Start());
  ShowInfo();
  QCoreApplication::processEvents();
  if (QWidget* focused = QApplication::focusWidget()) {
    focused->clearFocus();  // no caret or selection in the picture
  }
  EXPECT_TRUE(Frame()->grab().save(folder + QStringLiteral("/patient-info.png"), "PNG"));
}

}  // namespace
