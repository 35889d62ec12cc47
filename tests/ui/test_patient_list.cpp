// The "Main" tab: the Type list, lookup, sorting, selection, delete and move, and the registry
// options the page keeps. The page runs alone, on a fake host that stands for the chart strip.

#include <sqlite3.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <thread>

#include "FakeHost.h"
#include "common/CDBCategories.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CPictureButton.h"
#include "patients/CPatientListPage.h"
#include "platform/Device.h"
#include "platform/Registry.h"
#include "shell/Options.h"
#include "store/PatientDeletion.h"
#include "support/TempDevice.h"
#include "support/TestGuard.h"
#include "test_app_support.h"

namespace {

using app_test::AddPatient;

class PatientListTest : public ::testing::Test {
 protected:
  void SetUp() override { app_test::EnsureApplication(); }

  // The page as the strip makes it: on its host, filled from the device.
  CPatientListPage& Page() {
    if (m_page == nullptr) {
      m_page = std::make_unique<CPatientListPage>();
      m_page->SetHost(&m_host);
      m_page->resize(240, 280);
      m_page->OnInitDialog();
    }
    return *m_page;
  }
  // The program ends (the strip closes the page, which writes its options) and starts again.
  CPatientListPage& Restart() {
    m_page->OnClose();
    m_page.reset();
    return Page();
  }

  QStringList Column(int column) {
    QStringList texts;
    for (int row = 0; row < Page().List()->GetItemCount(); ++row) {
      texts << Page().List()->GetItemText(row, column);
    }
    return texts;
  }
  QString SelectedName() {
    const int row = Page().List()->GetSelectedRow();
    return row < 0 ? QString() : Page().List()->GetItemText(row, 0);
  }
  void SelectRow(int row) {
    CPatientListCtrl* list = Page().List();
    list->setCurrentItem(list->topLevelItem(row));
  }
  void SetOption(const char* name, const QString& value) {
    platform::RegistryKey key;
    ASSERT_TRUE(key.Create(platform::Hive::CurrentUser, app_options::kOptionsKey));
    ASSERT_TRUE(key.SetString(QString::fromLatin1(name), value));
  }

  TestGuard m_guard;
  TempDevice m_device;
  FakePageHost m_host;
  std::unique_ptr<CPatientListPage> m_page;
};

TEST_F(PatientListTest, FirstStartShowsClinicWhenTheTypeExistsElseAll) {
  AddPatient("Ana", "Chen", "Clinic");
  AddPatient("Maria", "Alvarez", "Hospital");
  EXPECT_EQ(Page().TypeCombo()->currentText(), "Clinic");
  EXPECT_EQ(Page().TypeCombo()->itemText(0), "All");
  EXPECT_EQ(Column(0), QStringList{"Chen, Ana"});
  EXPECT_EQ(m_host.patient, "Chen, Ana");
  m_page.reset();

  // A device whose patient types have no "Clinic" shows every patient.
  TempDevice other;
  CDBCategories categories;
  ASSERT_TRUE(categories.Update(CDBCategories::kPatientTypeList, "Ward"));
  AddPatient("Ana", "Chen", "Ward");
  AddPatient("Maria", "Alvarez", "Hospital");
  EXPECT_EQ(Page().TypeCombo()->currentIndex(), 0);
  EXPECT_EQ(Column(0), (QStringList{"Alvarez, Maria", "Chen, Ana"}));
  m_page.reset();  // written to the other device while it is current
}

TEST_F(PatientListTest, OlderReleasesRememberedTheHospitalListAsANumber) {
  AddPatient("Ana", "Chen", "Clinic");
  AddPatient("Maria", "Alvarez", "Hospital");
  platform::RegistryKey key;
  ASSERT_TRUE(key.Create(platform::Hive::CurrentUser, app_options::kOptionsKey));
  ASSERT_TRUE(key.SetDword("LastLocation", 1));
  EXPECT_EQ(Page().TypeCombo()->currentText(), "Hospital");
  EXPECT_EQ(Column(0), QStringList{"Alvarez, Maria"});
}

TEST_F(PatientListTest, OptionsSurviveARestartAndPickTheRememberedPatient) {
  AddPatient("Maria", "Alvarez", "Hospital", "9", "100");
  AddPatient("John", "Becker", "Hospital", "10", "200");
  AddPatient("Lena", "Novak", "Hospital", "3A", "300");
  SetOption("LastPatientType", "hosp");  // a prefix, in another letter case
  EXPECT_EQ(Page().TypeCombo()->currentText(), "Hospital");
  SelectRow(1);
  EXPECT_EQ(m_host.patient, "Becker, John");
  m_host.shell.printSettings.pageWidth = 132;

  Restart().SelectRemembered();
  EXPECT_EQ(Page().RememberedPatient(), "Becker, John");
  EXPECT_EQ(SelectedName(), "Becker, John");
  EXPECT_EQ(m_host.patient, "Becker, John");
  EXPECT_EQ(m_host.mrNumber, "200");
  EXPECT_EQ(m_host.room, "10");
  EXPECT_EQ(m_host.shell.printSettings.pageWidth, 132);
  EXPECT_EQ(m_host.shell.printSettings.linesPerPage, 60);
}

// The options are written when the program ends, where a failure can be told: a registry that
// refuses them is told once, and a device opened read-only is not written to at all.
TEST_F(PatientListTest, OptionsThatCannotBeStoredAreToldWhenTheProgramEnds) {
  AddPatient("Maria", "Alvarez", "Hospital");
  SetOption("LastPatientType", "Clinic");
  Page().TypeCombo()->setCurrentIndex(Page().TypeCombo()->findText("Hospital"));
  sqlite3* registry = platform::Device::Current()->Registry();
  for (const char* operation : {"INSERT", "UPDATE"}) {
    const std::string sql = std::string("CREATE TRIGGER ov_test_refuse_") + operation + " BEFORE " +
                            operation + " ON reg_values BEGIN SELECT RAISE(ABORT, 'refused'); END";
    ASSERT_EQ(sqlite3_exec(registry, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
  }

  m_device.device().SetReadOnly(true);
  Page().OnClose();
  EXPECT_TRUE(messages::DefaultRecorder().Messages().empty());

  m_device.device().SetReadOnly(false);
  Page().OnClose();
  ASSERT_EQ(messages::DefaultRecorder().Messages().size(), 1u);
  EXPECT_EQ(messages::DefaultRecorder().Messages()[0].text,
            strings::Load(ids::kListOptionsNotSaved));
  EXPECT_EQ(messages::DefaultRecorder().Messages()[0].icon, messages::Icon::Exclamation);

  for (const char* operation : {"INSERT", "UPDATE"}) {
    const std::string sql = std::string("DROP TRIGGER ov_test_refuse_") + operation;
    ASSERT_EQ(sqlite3_exec(registry, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
  }
  Page().OnClose();
  EXPECT_EQ(messages::DefaultRecorder().Messages().size(), 1u);
  platform::RegistryKey key;
  QString type;
  ASSERT_TRUE(key.Open(platform::Hive::CurrentUser, app_options::kOptionsKey));
  ASSERT_TRUE(key.QueryString("LastPatientType", type));
  EXPECT_EQ(type, "Hospital");
}

TEST_F(PatientListTest, ARememberedPatientThatIsGoneLeavesNoPatientSelected) {
  AddPatient("Maria", "Alvarez", "Hospital");
  SetOption("LastPatientType", "Hospital");
  SetOption("CurPatient", "Zed, Nobody");
  Page().SelectRemembered();
  EXPECT_FALSE(m_host.selected);
  EXPECT_GE(m_host.cleared, 1);
  EXPECT_FALSE(Page().DeleteButton()->isEnabled());
  EXPECT_FALSE(Page().MoveButton()->isEnabled());

  // No row stands highlighted, and a tap on the row selects its patient.
  CPatientListCtrl* list = Page().List();
  EXPECT_EQ(list->GetSelectedRow(), -1);
  Page().show();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    list->visualItemRect(list->topLevelItem(0)).center());
  EXPECT_EQ(m_host.patient, "Alvarez, Maria");
  EXPECT_TRUE(Page().DeleteButton()->isEnabled());
}

TEST_F(PatientListTest, TappingTheSelectedRowEmptiesTheLookupBox) {
  AddPatient("Maria", "Alvarez", "Clinic");
  AddPatient("John", "Becker", "Clinic");
  Page().show();
  QTest::keyClicks(Page().LookupEdit(), "Alv");
  ASSERT_EQ(SelectedName(), "Alvarez, Maria");
  CPatientListCtrl* list = Page().List();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    list->visualItemRect(list->topLevelItem(0)).center());
  EXPECT_TRUE(Page().LookupEdit()->text().isEmpty());
  EXPECT_EQ(SelectedName(), "Alvarez, Maria");
}

TEST_F(PatientListTest, LookupSelectsByPrefixAndAMissKeepsRowAndText) {
  AddPatient("Maria", "Alvarez", "Hospital");
  AddPatient("John", "Becker", "Hospital");
  AddPatient("Lena", "Novak", "Hospital");
  SetOption("LastPatientType", "Hospital");
  QLineEdit* lookup = Page().LookupEdit();

  QTest::keyClicks(lookup, "no");
  EXPECT_EQ(SelectedName(), "Novak, Lena");
  EXPECT_EQ(m_host.patient, "Novak, Lena");
  EXPECT_EQ(lookup->text(), "no");

  QTest::keyClicks(lookup, "x");
  EXPECT_EQ(SelectedName(), "Novak, Lena");
  EXPECT_EQ(lookup->text(), "nox");

  // Picking a row by hand empties the box.
  SelectRow(0);
  EXPECT_EQ(SelectedName(), "Alvarez, Maria");
  EXPECT_TRUE(lookup->text().isEmpty());
}

TEST_F(PatientListTest, SortingComparesColumnTextsAndASecondTapReverses) {
  AddPatient("Maria", "Alvarez", "Hospital", "9", "B7");
  AddPatient("John", "Becker", "Hospital", "10", "a1");
  AddPatient("Lena", "Novak", "Hospital", "3A", "C2");
  SetOption("LastPatientType", "Hospital");
  SelectRow(2);

  Page().OnColumnClick(CPatientListPage::kRoomColumn);
  EXPECT_EQ(Column(CPatientListPage::kRoomColumn), (QStringList{"10", "3A", "9"}));
  Page().OnColumnClick(CPatientListPage::kRoomColumn);
  EXPECT_EQ(Column(CPatientListPage::kRoomColumn), (QStringList{"9", "3A", "10"}));
  // Letter case counts: upper case sorts before lower case.
  Page().OnColumnClick(CPatientListPage::kMrColumn);
  EXPECT_EQ(Column(CPatientListPage::kMrColumn), (QStringList{"B7", "C2", "a1"}));
  // The selected patient stays selected and current.
  EXPECT_EQ(SelectedName(), "Novak, Lena");
  EXPECT_EQ(m_host.patient, "Novak, Lena");
}

TEST_F(PatientListTest, RowsOfEqualTextKeepTheirOrderInBothDirections) {
  // Twenty patients share room 5 (enough rows that an unstable sort would mix them); one is in
  // room 4 and one in room 6.
  QStringList sharing;
  for (int i = 0; i < 20; ++i) {
    const QString last = QStringLiteral("P%1").arg(i, 2, 10, QLatin1Char('0'));
    sharing << AddPatient("Ann", last, "Hospital", "5");
  }
  AddPatient("Zed", "Four", "Hospital", "4");
  AddPatient("Amy", "Six", "Hospital", "6");
  SetOption("LastPatientType", "Hospital");
  const QStringList filled = Column(0);

  // Ties keep the order they had before the tap: here the store's, by name.
  QStringList sharingInListOrder;
  for (const QString& name : filled) {
    if (sharing.contains(name)) {
      sharingInListOrder << name;
    }
  }
  Page().OnColumnClick(CPatientListPage::kRoomColumn);
  EXPECT_EQ(Column(0), QStringList{"Four, Zed"} + sharingInListOrder + QStringList{"Six, Amy"});
  Page().OnColumnClick(CPatientListPage::kRoomColumn);
  EXPECT_EQ(Column(0), QStringList{"Six, Amy"} + sharingInListOrder + QStringList{"Four, Zed"});
}

TEST_F(PatientListTest, DeletingTheOnlyPatientLeavesNoPatientAndTheButtonsOff) {
  const QString name = AddPatient("Maria", "Alvarez", "Clinic", "9", "100");
  ASSERT_EQ(Page().List()->GetItemCount(), 1);
  ASSERT_EQ(m_host.patient, name);
  EXPECT_TRUE(Page().DeleteButton()->isEnabled());

  // Cancel keeps everything.
  messages::DefaultRecorder().SetNextAnswer(messages::Answer::Cancel);
  Page().OnDelete();
  EXPECT_EQ(Page().List()->GetItemCount(), 1);
  EXPECT_TRUE(CDBPatient().FindByName(name));
  EXPECT_TRUE(m_host.shell.deleted.isEmpty());

  messages::DefaultRecorder().SetNextAnswer(messages::Answer::Ok);
  Page().OnDelete();
  ASSERT_EQ(messages::DefaultRecorder().Messages().size(), 2u);
  EXPECT_EQ(messages::DefaultRecorder().Messages()[1].text,
            "Are you sure you want to delete this patient?");
  EXPECT_EQ(messages::DefaultRecorder().Messages()[1].buttons, messages::Buttons::OkCancel);
  EXPECT_EQ(Page().List()->GetItemCount(), 0);
  EXPECT_FALSE(CDBPatient().FindByName(name));
  EXPECT_EQ(m_host.shell.deleted, QStringList{name});
  EXPECT_FALSE(m_host.selected);
  EXPECT_FALSE(Page().DeleteButton()->isEnabled());
  EXPECT_FALSE(Page().MoveButton()->isEnabled());
}

TEST_F(PatientListTest, DeletingSelectsTheRowThatTakesItsPlaceOrTheLastRow) {
  AddPatient("Maria", "Alvarez", "Clinic");
  AddPatient("John", "Becker", "Clinic");
  AddPatient("Lena", "Novak", "Clinic");
  SelectRow(1);
  Page().OnDelete();
  EXPECT_EQ(Column(0), (QStringList{"Alvarez, Maria", "Novak, Lena"}));
  EXPECT_EQ(m_host.patient, "Novak, Lena");
  Page().OnDelete();
  EXPECT_EQ(m_host.patient, "Alvarez, Maria");
  EXPECT_EQ(SelectedName(), "Alvarez, Maria");
}

// A delete the store refuses (here the device met damage, so it refuses every change) is told, and
// the patient stays listed, selected and on file.
TEST_F(PatientListTest, ADeleteThatFailsIsToldAndKeepsThePatient) {
  const QString name = AddPatient("Maria", "Alvarez", "Clinic");
  ASSERT_EQ(Page().List()->GetItemCount(), 1);
  ASSERT_EQ(m_host.patient, name);
  m_device.device().NoteDamage(
      {SQLITE_CORRUPT, QStringLiteral("objectstore.db"), QStringLiteral("test")});
  messages::DefaultRecorder().SetNextAnswer(messages::Answer::Ok);
  Page().OnDelete();
  const std::vector<messages::Shown>& shown = messages::DefaultRecorder().Messages();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[1].text,
            "The patient could not be deleted. The patient and the patient's "
            "records are unchanged.");
  EXPECT_EQ(Column(0), QStringList{name});
  EXPECT_EQ(m_host.patient, name);
  EXPECT_TRUE(m_host.shell.deleted.isEmpty());
  EXPECT_TRUE(CDBPatient().FindByName(name));
}

TEST_F(PatientListTest, MovingAPatientOutOfTheShownTypeSelectsTheFirstRow) {
  AddPatient("Maria", "Alvarez", "Clinic");
  AddPatient("John", "Becker", "Clinic");
  SelectRow(1);
  // The pop-up list of patient types: pick "Hospital".
  ui_seams::PushModalHandler([](QDialog& dialog) {
    auto* list = dialog.findChild<QListWidget*>();
    const QList<QListWidgetItem*> found = list->findItems("Hospital", Qt::MatchExactly);
    list->setCurrentItem(found.value(0));
    return int{QDialog::Accepted};
  });
  Page().OnMove();
  EXPECT_EQ(ui_seams::PendingModalHandlers(), 0);
  CDBPatient moved;
  ASSERT_TRUE(moved.FindByName("Becker, John"));
  EXPECT_EQ(moved.patientType, "Hospital");
  EXPECT_EQ(Column(0), QStringList{"Alvarez, Maria"});
  EXPECT_EQ(m_host.patient, "Alvarez, Maria");
}

TEST_F(PatientListTest, AReadOnlyPatientShowsItsStateAndCannotBeMoved) {
  CDBPatient patient;
  patient.firstName = "Ana";
  patient.lastName = "Chen";
  patient.patientType = "Clinic";
  patient.desktopId = 77;
  patient.accessState = 1;
  ASSERT_TRUE(patient.CreateRecord(true));
  AddPatient("Maria", "Alvarez", "Clinic");
  SelectRow(1);
  ASSERT_EQ(m_host.patient, "Chen, Ana");
  EXPECT_EQ(Page().AccessLabel()->text(), "Read Only");
  EXPECT_TRUE(Page().NoMoveButton()->isVisibleTo(&Page()));
  EXPECT_FALSE(Page().MoveButton()->isVisibleTo(&Page()));
  SelectRow(0);
  EXPECT_EQ(Page().AccessLabel()->text(), " ");
  EXPECT_TRUE(Page().MoveButton()->isVisibleTo(&Page()));

  int type = 0;
  uint32_t id = 0;
  ASSERT_TRUE(Page().GetSelectedRecord(type, id));
  EXPECT_EQ(type, 1);
  EXPECT_NE(id, 0u);
}

TEST_F(PatientListTest, ChoosingATypeRefillsAndOpeningTheListShowsNewTypes) {
  AddPatient("Ana", "Chen", "Clinic");
  AddPatient("Maria", "Alvarez", "Hospital");
  Page().TypeCombo()->setCurrentIndex(0);
  EXPECT_EQ(Column(0), (QStringList{"Alvarez, Maria", "Chen, Ana"}));
  EXPECT_EQ(m_host.patient, "Alvarez, Maria");

  CDBCategories categories;
  categories.text = "Rehab";
  ASSERT_TRUE(categories.AddNew(CDBCategories::kPatientTypeList));
  Page().TypeCombo()->showPopup();
  Page().TypeCombo()->hidePopup();
  EXPECT_GE(Page().TypeCombo()->findText("Rehab"), 0);
  EXPECT_EQ(Page().TypeCombo()->currentText(), "All");
}

// A type change lists the patients read before again while the store is unchanged, so every change
// of the store in the meantime must show: this program's own writes that did not refill the list,
// and the writes of another program on the device (here another connection to its file).
TEST_F(PatientListTest, ATypeChangeListsThePatientsAsTheStoreHoldsThemNow) {
  AddPatient("Ana", "Chen", "Clinic", "1", "100");
  AddPatient("Maria", "Alvarez", "Hospital", "2", "200");
  QComboBox* type = Page().TypeCombo();
  const int clinic = type->findText("Clinic");
  const int hospital = type->findText("Hospital");
  ASSERT_EQ(type->currentIndex(), clinic);
  type->setCurrentIndex(0);
  EXPECT_EQ(Column(0), (QStringList{"Alvarez, Maria", "Chen, Ana"}));

  AddPatient("Lena", "Novak", "Clinic", "3", "300");
  ASSERT_TRUE(CDBPatient().MovePatient("Chen, Ana", "Hospital"));
  CDBPatient maria;
  ASSERT_TRUE(maria.FindByName("Alvarez, Maria"));
  maria.room = "12";
  ASSERT_TRUE(maria.UpdateRecord("Alvarez, Maria", false));
  type->setCurrentIndex(hospital);
  EXPECT_EQ(Column(0), (QStringList{"Alvarez, Maria", "Chen, Ana"}));
  EXPECT_EQ(Column(CPatientListPage::kRoomColumn), (QStringList{"12", "1"}));

  ASSERT_TRUE(patient_records::DeletePatient("Alvarez, Maria"));
  type->setCurrentIndex(0);
  EXPECT_EQ(Column(0), (QStringList{"Chen, Ana", "Novak, Lena"}));
  EXPECT_EQ(m_host.patient, "Chen, Ana");

  std::thread([this] {
    platform::Device other(m_device.folder());
    const platform::DeviceScope scope(other);
    AddPatient("Zoe", "Young", "Clinic");
    EXPECT_TRUE(CDBPatient().MovePatient("Novak, Lena", "Rehab"));
  }).join();
  type->setCurrentIndex(clinic);
  EXPECT_EQ(Column(0), QStringList{"Young, Zoe"});
  EXPECT_EQ(m_host.patient, "Young, Zoe");
}

TEST_F(PatientListTest, SelectingAPatientTellsTheHostAndTheListeners) {
  AddPatient("Maria", "Alvarez", "Clinic", "9", "100");
  AddPatient("John", "Becker", "Clinic", "10", "200");
  m_host.shell.selected.clear();
  SelectRow(1);
  EXPECT_EQ(m_host.patient, "Becker, John");
  EXPECT_EQ(m_host.mrNumber, "200");
  EXPECT_EQ(m_host.room, "10");
  EXPECT_TRUE(m_host.shell.selected.contains("Becker, John"));
}

}  // namespace
