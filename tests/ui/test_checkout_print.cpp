// "Print Checkout List": marking, sorting, the stored choices and what goes to the printer.

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "common/CAsciiPr.h"
#include "common/CDBPatient.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CPictureButton.h"
#include "common/ui/CProgressDlg.h"
#include "platform/Registry.h"
#include "print/CCheckoutPatientList.h"
#include "print/CPrintCheckoutDlg.h"
#include "shell/CommandIds.h"
#include "shell/Options.h"
#include "store/CDBMeds.h"
#include "store/CDBToDo.h"
#include "store/CDBVitals.h"
#include "support/TestTime.h"
#include "test_app_support.h"

namespace {

using test_time::At;

QString AddPatient(const QString& first, const QString& last, const QString& problems = {}) {
  CDBPatient patient;
  patient.firstName = first;
  patient.lastName = last;
  patient.patientType = "Clinic";
  patient.mrNumber = "MR-" + last;
  patient.room = "12";
  patient.codeStatus = "Full";
  patient.ageValue = "68";
  patient.ageUnit = "Years";
  patient.race = "White";
  patient.sex = "Male";
  patient.diagnosis = "Pneumonia";
  patient.problems = problems;
  patient.admitDate = At(2024, 2, 20, 14, 45);
  EXPECT_TRUE(patient.CreateRecord(false));
  return patient.name;
}

void AddTodo(const QString& patient, const QString& text, uint32_t flags, const QString& note) {
  CDBToDo todos;
  todos.patient = patient;
  todos.text = text;
  todos.flags = flags;
  todos.note = note;
  EXPECT_NE(todos.AddNew(false), 0u);
}

// The lines of a printed header for a patient made by AddPatient.
QStringList HeaderLines(const QString& name, const QString& last) {
  return {"     Patient Name: " + name + " MR#: MR-" + last + " Rm#: 12 Code Status: Full",
          "     68 Years old White Male Admitted on 02/20/2024 for Pneumonia", ""};
}

class PrintCheckoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CAsciiPr::SetTarget("file:" + m_job.filePath("job.txt"));
    // No margins: the job's lines are the printed texts.
    m_settings.leftMargin = 0;
    m_settings.topMargin = 0;
    m_settings.bottomMargin = 0;
  }
  void TearDown() override { CAsciiPr::SetTarget({}); }

  std::unique_ptr<CPrintCheckoutDlg> MakeDialog() {
    return std::make_unique<CPrintCheckoutDlg>("Clinic", m_settings);
  }
  static void Mark(CPrintCheckoutDlg& dialog, std::initializer_list<int> rows) {
    for (int row : rows) {
      dialog.List()->ToggleMark(row);
    }
  }
  // The job as lines; the form feed stands alone on the last.
  QStringList JobLines() const {
    QFile file(m_job.filePath("job.txt"));
    if (!file.open(QIODevice::ReadOnly)) {
      return {};
    }
    return QString::fromLatin1(file.readAll()).split("\r\n");
  }
  const std::vector<messages::Shown>& Shown() const {
    return messages::DefaultRecorder().Messages();
  }

  TestGuard m_guard;
  TempDevice m_device;
  QTemporaryDir m_job;
  app_options::PrintSettings m_settings;
};

TEST_F(PrintCheckoutTest, WithEveryChoiceOffEachPatientPrintsItsTwoHeaderLinesAndProblems) {
  const QString able = AddPatient("Ann", "Able", "Diabetes");
  const QString baker = AddPatient("Bo", "Baker");
  AddTodo(baker, "Not printed", 1, {});
  auto dialog = MakeDialog();
  EXPECT_EQ(dialog->windowTitle(), "Print Checkout List");
  for (QCheckBox* box : {dialog->MedsBox(), dialog->VitalsBox(), dialog->TodoBox()}) {
    EXPECT_TRUE(box->isChecked());  // nothing stored yet: everything is included
    box->setChecked(false);
  }
  Mark(*dialog, {0, 1});
  dialog->OnPrint();

  QStringList expected = HeaderLines(able, "Able");
  expected << "Problems:"
           << "Diabetes";
  expected << HeaderLines(baker, "Baker");
  expected << "\f";
  EXPECT_EQ(JobLines(), expected);
  EXPECT_TRUE(Shown().empty());
  EXPECT_FALSE(dialog->isVisible());

  // The choices are kept, as 4-byte binary values, for the next time.
  platform::RegistryKey key;
  ASSERT_TRUE(key.Open(platform::Hive::CurrentUser, app_options::kOptionsKey));
  for (const char* name : {"ChecklistMeds", "ChecklistVitals", "ChecklistTodo"}) {
    platform::ValueType type{};
    QByteArray data;
    ASSERT_TRUE(key.Query(name, type, data)) << name;
    EXPECT_EQ(type, platform::ValueType::Binary);
    EXPECT_EQ(data, QByteArray(4, '\0'));
  }
  auto again = MakeDialog();
  EXPECT_FALSE(again->MedsBox()->isChecked());
  EXPECT_FALSE(again->TodoBox()->isChecked());
}

TEST_F(PrintCheckoutTest, TheSummaryHoldsTheLatestVitalsTheMedsAndTheTodosByPriority) {
  const QString able = AddPatient("Ann", "Able");
  {
    CDBPatient legacy;
    ASSERT_TRUE(legacy.UpdateTodo(able, "old text"));
  }
  AddTodo(able, "Labs", 3, "CBC");
  AddTodo(able, "Call family", 1 | CDBToDo::kCheckedFlag, {});
  for (int day : {12, 14}) {
    CDBVitals vitals;
    vitals.patient = able;
    vitals.date = vitals.time = At(2024, 3, day, 8, 0);
    vitals.values = QString("BP\n1%1/80\n").arg(day);
    ASSERT_TRUE(vitals.AddNew(false));
  }
  CDBMeds meds;
  meds.patient = able;
  meds.drug = "Tylenol";
  meds.trackDays = "No";
  meds.startDate = At(2024, 3, 1);
  ASSERT_TRUE(meds.AddNew(false));
  {
    // Vitals and todo were switched off once and kept as a number of another type.
    platform::RegistryKey key;
    ASSERT_TRUE(key.Create(platform::Hive::CurrentUser, app_options::kOptionsKey));
    ASSERT_TRUE(key.SetDword("ChecklistVitals", 0));
    ASSERT_TRUE(key.SetDword("ChecklistTodo", 0));
  }
  auto dialog = MakeDialog();
  EXPECT_TRUE(dialog->MedsBox()->isChecked());
  EXPECT_FALSE(dialog->VitalsBox()->isChecked());
  dialog->VitalsBox()->setChecked(true);
  dialog->TodoBox()->setChecked(true);
  Mark(*dialog, {0});
  dialog->OnPrint();

  const QStringList lines = JobLines();
  ASSERT_GE(lines.size(), 3);
  EXPECT_EQ(lines.mid(0, 3), HeaderLines(able, "Able"));
  const QString text = lines.join('\n');
  const qsizetype vitals = text.indexOf("VS:\n");
  const qsizetype latest = text.indexOf("BP:114/80");
  const qsizetype medications = text.indexOf("Medications:\n");
  const qsizetype tylenol = text.indexOf("Tylenol");
  EXPECT_FALSE(text.contains("BP:112/80"));  // only the latest entry
  EXPECT_LT(vitals, latest);
  EXPECT_LT(latest, medications);
  EXPECT_LT(medications, tylenol);
  const QStringList todos = {"Priority: 0    Todo: Converted Ovelin 5.0 Todo Item",
                             "old text",
                             "Priority: 1    Todo: Call family",
                             "",
                             "Priority: 3    Todo: Labs",
                             "CBC",
                             "\f"};
  EXPECT_EQ(lines.mid(lines.size() - todos.size()), todos);
  EXPECT_LT(tylenol, text.indexOf("Priority: 0"));
}

TEST_F(PrintCheckoutTest, WithNoMarkedRowTheJobHoldsNoText) {
  AddPatient("Ann", "Able");
  CAsciiPr::SetTarget("spool");
  auto dialog = MakeDialog();
  dialog->OnPrint();
  // The port was opened and closed: one job, in which nothing but page ends can stand.
  const QDir spool(m_device.folder() + "/spool");
  const QStringList jobs = spool.entryList(QDir::Files);
  ASSERT_EQ(jobs.size(), 1);
  QFile job(spool.filePath(jobs.first()));
  ASSERT_TRUE(job.open(QIODevice::ReadOnly));
  EXPECT_TRUE(job.readAll().replace('\f', QByteArray()).isEmpty());
  EXPECT_TRUE(Shown().empty());
}

TEST_F(PrintCheckoutTest,
       ADeletedPatientPrintsNothingButAdvancesTheBarAndCancelStopsBeforeTheNext) {
  const QString able = AddPatient("Ann", "Able");
  const QString baker = AddPatient("Bo", "Baker");
  const QString cole = AddPatient("Cy", "Cole");
  auto dialog = MakeDialog();
  for (QCheckBox* box : {dialog->MedsBox(), dialog->VitalsBox(), dialog->TodoBox()}) {
    box->setChecked(false);
  }
  Mark(*dialog, {0, 1, 2});
  {
    CDBPatient patients;
    ASSERT_TRUE(patients.FindByName(able));
    ASSERT_TRUE(patients.DeleteByCEOID(patients.recordId));
  }
  // Cancel is pressed once the second patient is done.
  std::vector<int> positions;
  QTimer watch;
  watch.setInterval(0);
  QObject::connect(&watch, &QTimer::timeout, [&] {
    auto* progress = dialog->findChild<CProgressDlg*>();
    if (progress == nullptr) {
      return;
    }
    positions.push_back(progress->Position());
    if (progress->Position() >= 2) {
      progress->Cancel();
    }
  });
  watch.start();
  dialog->OnPrint();
  watch.stop();

  QStringList expected = HeaderLines(baker, "Baker");
  expected << "\f";
  EXPECT_EQ(JobLines(), expected);
  EXPECT_FALSE(JobLines().join('\n').contains(cole));
  ASSERT_FALSE(positions.empty());
  EXPECT_EQ(positions.back(), 2);
  EXPECT_NE(std::find(positions.begin(), positions.end(), 1), positions.end());
}

TEST_F(PrintCheckoutTest, PrinterFailuresAreTold) {
  AddPatient("Ann", "Able");
  const struct {
    QString target;
    const char* message;
  } cases[] = {
      {"nowhere:at-all", "An error occurred while connecting to the printer!"},
      {"file:" + m_job.filePath("missing/folder/job.txt"),
       "Could not find the IR printer!  Make sure your device IR LED is facing the printer IR LED "
       "and try again."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    messages::DefaultRecorder().Clear();
    CAsciiPr::SetTarget(c.target);
    auto dialog = MakeDialog();
    Mark(*dialog, {0});
    dialog->OnPrint();
    ASSERT_EQ(Shown().size(), 1u);
    EXPECT_EQ(Shown()[0].text, c.message);
    EXPECT_EQ(Shown()[0].caption, "Ovelin");
    EXPECT_EQ(Shown()[0].buttons, messages::Buttons::Ok);
  }
}

TEST_F(PrintCheckoutTest, HeadingTapsSortTheListAndTheMarksStayWithTheirPatients) {
  AddPatient("Zed", "able");
  AddPatient("Bo", "Baker");
  AddPatient("Cy", "Cole");
  auto dialog = MakeDialog();
  CCheckoutPatientList& list = *dialog->List();
  list.ToggleMark(0);  // the store's order: able, Baker, Cole
  ASSERT_EQ(list.MarkedNames(), std::vector<QString>({"able, Zed"}));

  emit list.header()->sectionClicked(0);
  // Letter case counts: capitals sort before small letters.
  EXPECT_EQ(list.GetItemText(0, 0), "Baker, Bo");
  EXPECT_EQ(list.GetItemText(2, 0), "able, Zed");
  EXPECT_TRUE(list.topLevelItem(2)->isSelected());
  EXPECT_EQ(list.selectedItems().size(), 1);
  emit list.header()->sectionClicked(0);
  EXPECT_EQ(list.GetItemText(0, 0), "able, Zed");
  EXPECT_TRUE(list.topLevelItem(0)->isSelected());
  EXPECT_EQ(list.MarkedNames(), std::vector<QString>({"able, Zed"}));
}

TEST_F(PrintCheckoutTest, ControlsHaveNamesAndTheListEndsAboveTheChoices) {
  AddPatient("Ann", "Able");
  auto dialog = MakeDialog();
  dialog->show();
  input_panel::Show(true);
  const QRect box(dialog->MedsBox()->mapTo(dialog.get(), QPoint(0, 0)), dialog->MedsBox()->size());
  EXPECT_LT(dialog->List()->geometry().bottom(), box.top());
  input_panel::SipInfo info;
  input_panel::GetInfo(info);
  EXPECT_LE(box.bottom(), info.visibleDesktop.height());
  for (QWidget* control : dialog->findChildren<QWidget*>()) {
    if (control->parentWidget() == dialog.get() && control->isVisibleTo(dialog.get()) &&
        control->objectName() != "qt_scrollarea_viewport") {
      EXPECT_FALSE(control->accessibleName().isEmpty()) << control->metaObject()->className();
    }
  }
}

// The menu command through the running program.
class PrintCheckoutCommandTest : public app_test::AppTest {};

TEST_F(PrintCheckoutCommandTest, OffersThePatientsOfTheShownType) {
  app_test::AddPatient("Ann", "Able", "Clinic");
  app_test::AddPatient("Bo", "Baker", "Hospital");
  ASSERT_TRUE(Start());
  const QString shown = ListPage().CurrentType();
  int rows = -1;
  ui_seams::PushModalHandler([&rows](QDialog& dialog) {
    auto* print = dynamic_cast<CPrintCheckoutDlg*>(&dialog);
    rows = print != nullptr ? print->List()->GetItemCount() : -1;
    return int{QDialog::Rejected};
  });
  Frame()->OnCommand(command_ids::kPrintCheckoutList);
  EXPECT_EQ(ui_seams::ModalTitles(), QStringList({"Print Checkout List"}));
  EXPECT_EQ(rows, shown.isEmpty() ? 2 : 1);
}

// Writes docs/print-checkout-list.png when OVELIN_SCREENSHOT_DIR names a folder.
TEST_F(PrintCheckoutTest, Screenshot) {
  const QString folder = qEnvironmentVariable("OVELIN_SCREENSHOT_DIR");
  if (folder.isEmpty()) {
    GTEST_SKIP() << "OVELIN_SCREENSHOT_DIR is not set";
  }
  AddPatient("Ann", "Able");
  AddPatient("Bo", "Baker");
  AddPatient("Cy", "Cole");
  auto dialog = MakeDialog();
  dialog->resize(480, 640);
  dialog->show();
  Mark(*dialog, {0, 2});
  dialog->VitalsBox()->setChecked(false);
  EXPECT_TRUE(dialog->grab().save(folder + "/print-checkout-list.png", "PNG"));
}

}  // namespace
