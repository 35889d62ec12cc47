// The "Main" tab: the Type list, lookup, sorting, selection, delete and move, and the registry
// options the page keeps.

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include "common/CDBCategories.h"
#include "common/ui/CPictureButton.h"
#include "platform/Registry.h"
#include "shell/Options.h"
#include "test_app_support.h"

namespace {

using app_test::AddPatient;
using app_test::AppTest;

class PatientListTest : public AppTest {
 protected:
  QStringList Column(int column) {
    QStringList texts;
    for (int row = 0; row < ListPage().List()->GetItemCount(); ++row) {
      texts << ListPage().List()->GetItemText(row, column);
    }
    return texts;
  }
  QString SelectedName() {
    const int row = ListPage().List()->GetSelectedRow();
    return row < 0 ? QString() : ListPage().List()->GetItemText(row, 0);
  }
  QString Header() { return Frame()->View()->Header()->text(); }
  void SelectRow(int row) {
    CPatientListCtrl* list = ListPage().List();
    list->setCurrentItem(list->topLevelItem(row));
  }
  void SetOption(const char* name, const QString& value) {
    platform::RegistryKey key;
    ASSERT_TRUE(key.Create(platform::Hive::CurrentUser, app_options::kOptionsKey));
    ASSERT_TRUE(key.SetString(QString::fromLatin1(name), value));
  }
};

TEST_F(PatientListTest, FirstStartShowsClinicWhenTheTypeExistsElseAll) {
  AddPatient("Ana", "Chen", "Clinic");
  AddPatient("Maria", "Alvarez", "Hospital");
  ASSERT_TRUE(Start());
  EXPECT_EQ(ListPage().TypeCombo()->currentText(), "Clinic");
  EXPECT_EQ(ListPage().TypeCombo()->itemText(0), "All");
  EXPECT_EQ(Column(0), QStringList{"Chen, Ana"});
  EXPECT_EQ(Strip()->currentPatient, "Chen, Ana");
  app_.reset();

  // A device whose patient types have no "Clinic" shows every patient.
  TempDevice other;
  CDBCategories categories;
  ASSERT_TRUE(categories.Update(CDBCategories::kPatientTypeList, "Ward"));
  AddPatient("Ana", "Chen", "Ward");
  AddPatient("Maria", "Alvarez", "Hospital");
  StartOptions options = Options();
  options.deviceFolder = other.folder();
  ASSERT_TRUE(Start(options));
  EXPECT_EQ(ListPage().TypeCombo()->currentIndex(), 0);
  EXPECT_EQ(Column(0), (QStringList{"Alvarez, Maria", "Chen, Ana"}));
}

TEST_F(PatientListTest, OlderReleasesRememberedTheHospitalListAsANumber) {
  AddPatient("Ana", "Chen", "Clinic");
  AddPatient("Maria", "Alvarez", "Hospital");
  platform::RegistryKey key;
  ASSERT_TRUE(key.Create(platform::Hive::CurrentUser, app_options::kOptionsKey));
  ASSERT_TRUE(key.SetDword("LastLocation", 1));
  ASSERT_TRUE(Start());
  EXPECT_EQ(ListPage().TypeCombo()->currentText(), "Hospital");
  EXPECT_EQ(Column(0), QStringList{"Alvarez, Maria"});
}

TEST_F(PatientListTest, OptionsSurviveARestartAndPickTheRememberedPatient) {
  AddPatient("Maria", "Alvarez", "Hospital", "9", "100");
  AddPatient("John", "Becker", "Hospital", "10", "200");
  AddPatient("Lena", "Novak", "Hospital", "3A", "300");
  SetOption("LastPatientType", "hosp");  // a prefix, in another letter case
  ASSERT_TRUE(Start());
  EXPECT_EQ(ListPage().TypeCombo()->currentText(), "Hospital");
  SelectRow(1);
  EXPECT_EQ(Strip()->currentPatient, "Becker, John");
  app_->PrintSettings().pageWidth = 132;
  app_.reset();  // the page writes its options as it goes

  ASSERT_TRUE(Start());
  EXPECT_EQ(ListPage().RememberedPatient(), "Becker, John");
  EXPECT_EQ(SelectedName(), "Becker, John");
  EXPECT_EQ(Header(), "Becker, John 200 10");
  EXPECT_EQ(app_->PrintSettings().pageWidth, 132);
  EXPECT_EQ(app_->PrintSettings().linesPerPage, 60);
}

TEST_F(PatientListTest, ARememberedPatientThatIsGoneLeavesNoPatientSelected) {
  AddPatient("Maria", "Alvarez", "Hospital");
  SetOption("LastPatientType", "Hospital");
  SetOption("CurPatient", "Zed, Nobody");
  ASSERT_TRUE(Start());
  EXPECT_FALSE(Strip()->patientSelected);
  EXPECT_EQ(Header(), "Patient not selected");
  EXPECT_FALSE(ListPage().DeleteButton()->isEnabled());
  EXPECT_FALSE(ListPage().MoveButton()->isEnabled());
}

TEST_F(PatientListTest, LookupSelectsByPrefixAndAMissKeepsRowAndText) {
  AddPatient("Maria", "Alvarez", "Hospital");
  AddPatient("John", "Becker", "Hospital");
  AddPatient("Lena", "Novak", "Hospital");
  SetOption("LastPatientType", "Hospital");
  ASSERT_TRUE(Start());
  QLineEdit* lookup = ListPage().LookupEdit();

  QTest::keyClicks(lookup, "no");
  EXPECT_EQ(SelectedName(), "Novak, Lena");
  EXPECT_EQ(Strip()->currentPatient, "Novak, Lena");
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
  ASSERT_TRUE(Start());
  SelectRow(2);

  ListPage().OnColumnClick(CPatientListPage::kRoomColumn);
  EXPECT_EQ(Column(CPatientListPage::kRoomColumn), (QStringList{"10", "3A", "9"}));
  ListPage().OnColumnClick(CPatientListPage::kRoomColumn);
  EXPECT_EQ(Column(CPatientListPage::kRoomColumn), (QStringList{"9", "3A", "10"}));
  // Letter case counts: upper case sorts before lower case.
  ListPage().OnColumnClick(CPatientListPage::kMrColumn);
  EXPECT_EQ(Column(CPatientListPage::kMrColumn), (QStringList{"B7", "C2", "a1"}));
  // The selected patient stays selected and current.
  EXPECT_EQ(SelectedName(), "Novak, Lena");
  EXPECT_EQ(Strip()->currentPatient, "Novak, Lena");
}

TEST_F(PatientListTest, DeletingTheOnlyPatientLeavesNoPatientAndTheButtonsOff) {
  const QString name = AddPatient("Maria", "Alvarez", "Clinic", "9", "100");
  ASSERT_TRUE(Start());
  ASSERT_EQ(Strip()->currentPatient, name);
  EXPECT_TRUE(ListPage().DeleteButton()->isEnabled());

  // Cancel keeps everything.
  messages::DefaultRecorder().SetNextAnswer(messages::Answer::Cancel);
  ListPage().OnDelete();
  EXPECT_EQ(ListPage().List()->GetItemCount(), 1);
  EXPECT_TRUE(CDBPatient().FindByName(name));

  messages::DefaultRecorder().SetNextAnswer(messages::Answer::Ok);
  ListPage().OnDelete();
  ASSERT_EQ(messages::DefaultRecorder().Messages().size(), 2u);
  EXPECT_EQ(messages::DefaultRecorder().Messages()[1].text,
            "Are you sure you want to delete this patient?");
  EXPECT_EQ(messages::DefaultRecorder().Messages()[1].buttons, messages::Buttons::OkCancel);
  EXPECT_EQ(ListPage().List()->GetItemCount(), 0);
  EXPECT_FALSE(CDBPatient().FindByName(name));
  EXPECT_EQ(Header(), "Patient not selected");
  EXPECT_FALSE(Strip()->patientSelected);
  EXPECT_FALSE(ListPage().DeleteButton()->isEnabled());
  EXPECT_FALSE(ListPage().MoveButton()->isEnabled());
}

TEST_F(PatientListTest, DeletingSelectsTheRowThatTakesItsPlaceOrTheLastRow) {
  AddPatient("Maria", "Alvarez", "Clinic");
  AddPatient("John", "Becker", "Clinic");
  AddPatient("Lena", "Novak", "Clinic");
  ASSERT_TRUE(Start());
  SelectRow(1);
  ListPage().OnDelete();
  EXPECT_EQ(Column(0), (QStringList{"Alvarez, Maria", "Novak, Lena"}));
  EXPECT_EQ(Strip()->currentPatient, "Novak, Lena");
  ListPage().OnDelete();
  EXPECT_EQ(Strip()->currentPatient, "Alvarez, Maria");
  EXPECT_EQ(Header().left(14), "Alvarez, Maria");
}

TEST_F(PatientListTest, MovingAPatientOutOfTheShownTypeSelectsTheFirstRow) {
  AddPatient("Maria", "Alvarez", "Clinic");
  AddPatient("John", "Becker", "Clinic");
  ASSERT_TRUE(Start());
  SelectRow(1);
  // The pop-up list of patient types: pick "Hospital".
  ui_seams::PushModalHandler([](QDialog& dialog) {
    auto* list = dialog.findChild<QListWidget*>();
    const QList<QListWidgetItem*> found = list->findItems("Hospital", Qt::MatchExactly);
    list->setCurrentItem(found.value(0));
    return int{QDialog::Accepted};
  });
  ListPage().OnMove();
  EXPECT_EQ(ui_seams::PendingModalHandlers(), 0);
  CDBPatient moved;
  ASSERT_TRUE(moved.FindByName("Becker, John"));
  EXPECT_EQ(moved.patientType, "Hospital");
  EXPECT_EQ(Column(0), QStringList{"Alvarez, Maria"});
  EXPECT_EQ(Strip()->currentPatient, "Alvarez, Maria");
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
  ASSERT_TRUE(Start());
  SelectRow(1);
  ASSERT_EQ(Strip()->currentPatient, "Chen, Ana");
  EXPECT_EQ(ListPage().AccessLabel()->text(), "Read Only");
  EXPECT_TRUE(ListPage().NoMoveButton()->isVisibleTo(&ListPage()));
  EXPECT_FALSE(ListPage().MoveButton()->isVisibleTo(&ListPage()));
  SelectRow(0);
  EXPECT_EQ(ListPage().AccessLabel()->text(), " ");
  EXPECT_TRUE(ListPage().MoveButton()->isVisibleTo(&ListPage()));

  int type = 0;
  uint32_t id = 0;
  ASSERT_TRUE(ListPage().GetSelectedRecord(type, id));
  EXPECT_EQ(type, 1);
  EXPECT_NE(id, 0u);
}

TEST_F(PatientListTest, ChoosingATypeRefillsAndOpeningTheListShowsNewTypes) {
  AddPatient("Ana", "Chen", "Clinic");
  AddPatient("Maria", "Alvarez", "Hospital");
  ASSERT_TRUE(Start());
  ListPage().TypeCombo()->setCurrentIndex(0);
  EXPECT_EQ(Column(0), (QStringList{"Alvarez, Maria", "Chen, Ana"}));
  EXPECT_EQ(Strip()->currentPatient, "Alvarez, Maria");

  CDBCategories categories;
  categories.text = "Rehab";
  ASSERT_TRUE(categories.AddNew(CDBCategories::kPatientTypeList));
  ListPage().TypeCombo()->showPopup();
  ListPage().TypeCombo()->hidePopup();
  EXPECT_GE(ListPage().TypeCombo()->findText("Rehab"), 0);
  EXPECT_EQ(ListPage().TypeCombo()->currentText(), "All");
}

}  // namespace
