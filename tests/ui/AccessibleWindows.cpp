#include "AccessibleWindows.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTimer>

#include "app/CAboutDlg.h"
#include "app/CHelpViewer.h"
#include "app/CMainFrame.h"
#include "app/COvelinApp.h"
#include "app/COvelinView.h"
#include "app/CPatientTabCtrl.h"
#include "app/CSplashDlg.h"
#include "beam/ui/CBeamCheckoutListDlg.h"
#include "beam/ui/CBeamProgressDlg.h"
#include "beam/ui/CPairDeviceDlg.h"
#include "chart/CAddLabResultsDlg.h"
#include "chart/CAddMedsDlg.h"
#include "chart/CAddTestDlg.h"
#include "chart/CAddVitalsDlg.h"
#include "chart/CDeleteToDoDlg.h"
#include "chart/CEditAutoTextDlg.h"
#include "chart/CEditLabResultsDlg.h"
#include "chart/CLabsPage.h"
#include "chart/CMedsPage.h"
#include "chart/CRemoveMedFavoritesDlg.h"
#include "chart/CToDoDlg.h"
#include "chart/CToDoPage.h"
#include "chart/CVSTestsPage.h"
#include "common/CDBPatient.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CEditCategoriesDlg.h"
#include "common/ui/CPictureButton.h"
#include "common/ui/CPopupList.h"
#include "common/ui/CProgressDlg.h"
#include "notes/CAddNoteDlg.h"
#include "notes/CAddNoteSheet.h"
#include "notes/CHPROSPage.h"
#include "notes/CHPSheet.h"
#include "patients/CAddPatientDlg.h"
#include "patients/CPatientListPage.h"
#include "print/CPrintCheckoutDlg.h"
#include "security/CChangePasswordDlg.h"
#include "security/CLoginDlg.h"
#include "security/CPreferencesDlg.h"
#include "security/CPrefsTabCtrl.h"
#include "shell/CommandIds.h"
#include "store/CDBLabValues.h"
#include "store/CDBMeds.h"
#include "store/CDBNotes.h"
#include "store/CDBTest.h"
#include "store/CDBToDo.h"
#include "store/CDBVitals.h"
#include "support/TestTime.h"

namespace accessible_windows {

const char* const kPatient = "Chen, Ana";
const char* const kReadOnlyPatient = "Ito, Ken";

namespace {

void Settle() {
  for (int i = 0; i < 3; ++i) {
    QApplication::processEvents();
  }
}

// A patient filed under "Clinic"; desktopId 0 makes one made on the device, any other one that
// came read-only from the desktop.
void AddPatient(const QString& first, const QString& last, int32_t desktopId) {
  CDBPatient patient;
  patient.firstName = first;
  patient.lastName = last;
  patient.patientType = QStringLiteral("Clinic");
  patient.room = QStringLiteral("4B");
  patient.mrNumber = QStringLiteral("20017");
  patient.desktopId = desktopId;
  patient.accessState = desktopId != 0 ? 1 : 0;
  EXPECT_TRUE(patient.CreateRecord(desktopId != 0));
}

// One record of every kind for the patient; a nonzero desktopId makes them read-only.
void AddRecords(const QString& patient, int32_t desktopId) {
  const FILETIME at = test_time::At(2024, 3, 14, 8, 30);
  const int32_t access = desktopId != 0 ? 1 : 0;
  const bool received = desktopId != 0;
  CDBMeds meds;
  meds.patient = patient;
  meds.drug = QStringLiteral("Amoxicillin");
  meds.dose = QStringLiteral("500 mg");
  meds.trackDays = QStringLiteral("No");
  meds.startDate = at;
  meds.desktopId = desktopId;
  meds.accessState = access;
  EXPECT_TRUE(meds.AddNew(received));
  CDBLabValues labs;
  labs.patient = patient;
  labs.date = labs.time = at;
  labs.group = QStringLiteral("Chem7");
  labs.values = QStringLiteral("Na\n140\nK\n4.1\n");
  labs.desktopId = desktopId;
  labs.accessState = access;
  EXPECT_TRUE(labs.AddNew(received));
  CDBVitals vitals;
  vitals.patient = patient;
  vitals.date = vitals.time = at;
  vitals.values = QStringLiteral("BP\n120/80\n");
  vitals.desktopId = desktopId;
  vitals.accessState = access;
  EXPECT_TRUE(vitals.AddNew(received));
  CDBTest tests;
  tests.patient = patient;
  tests.date = tests.time = at;
  tests.test = QStringLiteral("CXR");
  tests.desktopId = desktopId;
  tests.accessState = access;
  EXPECT_TRUE(tests.AddNew(received));
  CDBNotes notes;
  notes.patient = patient;
  notes.date = notes.time = at;
  notes.noteText = QStringLiteral("Seen on the ward round.");
  notes.desktopId = desktopId;
  notes.accessState = access;
  EXPECT_TRUE(notes.AddNew(received));
  CDBToDo todos;
  todos.patient = patient;
  todos.flags = 2;
  todos.text = QStringLiteral("Call the lab");
  todos.note = QStringLiteral("About the potassium");
  todos.desktopId = desktopId;
  todos.accessState = access;
  EXPECT_NE(todos.AddNew(received), 0u);
}

using Open = std::function<void(Program&, const Visit&)>;

// The main window on the tab of that title, with the patient selected.
Open ShowTab(const QString& title, const QString& patient = QString::fromLatin1(kPatient)) {
  return [title, patient](Program& program, const Visit& visit) {
    program.SelectPatient(patient);
    ASSERT_TRUE(program.ShowTab(title)) << title.toStdString();
    Settle();
    visit(program.Frame());
  };
}

Open ShowTab(int titleId, const char* patient = kPatient) {
  return ShowTab(strings::Load(titleId), QString::fromLatin1(patient));
}

CVSTestsPage& VsTestsPage(Program& program) {
  program.ShowTab(strings::Load(ids::kTabFirst + 3));
  return *dynamic_cast<CVSTestsPage*>(program.Strip().GetPage(3));
}

// The "VS/Tests" tab on one of its sub-pages.
Open ShowSubPage(void (CVSTestsPage::*show)()) {
  return [show](Program& program, const Visit& visit) {
    program.SelectPatient(QString::fromLatin1(kPatient));
    (VsTestsPage(program).*show)();
    Settle();
    visit(program.Frame());
  };
}

// The dialog that a command runs.
template <class Dialog>
Open CommandDialog(int commandId) {
  return [commandId](Program& program, const Visit& visit) {
    program.SelectPatient(QString::fromLatin1(kPatient));
    ui_seams::PushModalHandler(Expect<Dialog>([&visit](Dialog& dialog) { visit(dialog); }));
    program.Command(commandId);
  };
}

// "Pair Device" with an address that does not parse: its Start then answers at once with a
// message, where a real pairing would wait for the other device.
void PairDevice(Program& program, const Visit& visit) {
  ui_seams::PushModalHandler(Expect<CPairDeviceDlg>([&visit](CPairDeviceDlg& dialog) {
    dialog.WaitAddress()->setText(QStringLiteral("not an address"));
    visit(dialog);
  }));
  program.Command(command_ids::kPairDevice);
}

template <class Page>
Page& PageOf(Program& program, int tab) {
  program.SelectPatient(QString::fromLatin1(kPatient));
  program.ShowTab(program.Strip().PageTitle(tab));
  return *dynamic_cast<Page*>(program.Strip().GetPage(tab));
}

// The Trends tab with the patient's pulse chosen: its table and chart show.
void TrendsWithASeries(Program& program, const Visit& visit) {
  program.SelectPatient(QString::fromLatin1(kPatient));
  ASSERT_TRUE(program.ShowTab(QStringLiteral("Trends")));
  auto* picker = program.Strip().findChild<QListWidget*>(QStringLiteral("seriesPicker"));
  ASSERT_NE(picker, nullptr);
  const QList<QListWidgetItem*> found = picker->findItems(QStringLiteral("BP"), Qt::MatchExactly);
  ASSERT_EQ(found.size(), 1);
  found.first()->setCheckState(Qt::Checked);
  Settle();
  visit(program.Frame());
}

// ---------------------------------------------------------------------------------------------
// Dialogs opened from other dialogs and from pages

void CategoryEditor(Program& program, const Visit& visit) {
  ui_seams::PushModalHandler(Expect<CAddPatientDlg>([&visit](CAddPatientDlg& dialog) {
    ui_seams::PushModalHandler(
        Expect<CEditCategoriesDlg>([&visit](CEditCategoriesDlg& editor) { visit(editor); }));
    ASSERT_TRUE(dialog.List()->EditRow(CAddPatientDlg::kPatientTypeRow));
    auto* choices = qobject_cast<QComboBox*>(dialog.List()->Editor());
    ASSERT_NE(choices, nullptr);
    ASSERT_TRUE(dialog.List()->PickInEditor(choices->count() - 1));  // "Edit Categories..."
  }));
  program.Command(command_ids::kNewPatient);
}

void CategoryNamePrompt(Program& program, const Visit& visit) {
  ui_seams::PushModalHandler(Expect<CEditCategoriesDlg>([&visit](CEditCategoriesDlg& editor) {
    ui_seams::PushModalHandler(
        Expect<CNamePromptDlg>([&visit](CNamePromptDlg& prompt) { visit(prompt); }));
    editor.OnNew();
  }));
  CEditCategoriesDlg editor(CDBCategories::kPatientTypeList, &program.Frame());
  editor.DoModal();
}

void PatientTypePopup(Program& program, const Visit& visit) {
  auto& page = PageOf<CPatientListPage>(program, 0);
  ui_seams::PushModalHandler(Expect<QDialog>([&visit](QDialog& popup) { visit(popup); }));
  page.MoveButton()->click();
}

void EditMedication(Program& program, const Visit& visit) {
  auto& page = PageOf<CMedsPage>(program, 2);
  page.List()->SelectRow(0);
  ui_seams::PushModalHandler(Expect<CAddMedsDlg>([&visit](CAddMedsDlg& dialog) { visit(dialog); }));
  page.OnOpen();
}

void AllergyPopup(Program& program, const Visit& visit) {
  auto& page = PageOf<CMedsPage>(program, 2);
  ui_seams::PushModalHandler(Expect<QDialog>([&visit](QDialog& popup) { visit(popup); }));
  page.AllergiesPopup()->click();
}

void EditLabResults(Program& program, const Visit& visit) {
  program.SelectPatient(QString::fromLatin1(kPatient));
  CVSTestsPage& vsTests = VsTestsPage(program);
  vsTests.OnShowLabs();
  CLabsPage& labs = *vsTests.LabsPage();
  labs.UpperList()->SelectRow(0);
  ui_seams::PushModalHandler(
      Expect<CEditLabResultsDlg>([&visit](CEditLabResultsDlg& dialog) { visit(dialog); }));
  labs.OnOpen();
}

// A new todo item is typed in its row at once.
void NewTodo(Program& program, const Visit& visit) {
  auto& page = PageOf<CToDoPage>(program, 5);
  page.OnNewTodo();
  Settle();
  visit(program.Frame());
}

void TodoNote(Program& program, const Visit& visit) {
  auto& page = PageOf<CToDoPage>(program, 5);
  page.List()->SelectRow(0);
  ui_seams::PushModalHandler(Expect<CToDoDlg>([&visit](CToDoDlg& dialog) { visit(dialog); }));
  page.OnEditNote();
}

void DeleteTodo(Program& program, const Visit& visit) {
  auto& page = PageOf<CToDoPage>(program, 5);
  // With a row selected and rows ticked, the page asks which to delete.
  page.List()->SetCheck(0, true);
  page.List()->SelectRow(0);
  ui_seams::PushModalHandler(
      Expect<CDeleteToDoDlg>([&visit](CDeleteToDoDlg& dialog) { visit(dialog); }));
  page.OnDelete();
}

// The SOAP sheet on one of its pages: a new note of the first kind.
Open SoapSheet(int pageIndex) {
  return [pageIndex](Program& program, const Visit& visit) {
    program.SelectPatient(QString::fromLatin1(kPatient));
    ui_seams::PushModalHandler(Expect<CAddNoteDlg>([](CAddNoteDlg&) {}, QDialog::Accepted));
    ui_seams::PushModalHandler(Expect<CAddNoteSheet>([pageIndex, &visit](CAddNoteSheet& sheet) {
      ASSERT_TRUE(sheet.SetActivePage(pageIndex));
      QApplication::processEvents();
      visit(sheet);
    }));
    program.Command(command_ids::kAddNote);
  };
}

// The H&P sheet on one of its pages: "H&P" chosen in "Add Note".
Open HpSheet(int pageIndex) {
  return [pageIndex](Program& program, const Visit& visit) {
    program.SelectPatient(QString::fromLatin1(kPatient));
    ui_seams::PushModalHandler(Expect<CAddNoteDlg>(
        [](CAddNoteDlg& add) {
          add.KindButton(CAddNoteDlg::kHpNote)->setChecked(true);
          add.NextButton()->click();
        },
        QDialog::Accepted));
    ui_seams::PushModalHandler(Expect<CHPSheet>([pageIndex, &visit](CHPSheet& sheet) {
      ASSERT_TRUE(sheet.SetActivePage(pageIndex));
      QApplication::processEvents();
      visit(sheet);
    }));
    program.Command(command_ids::kAddNote);
  };
}

// The list of systems of the H&P sheet's ROS page, edited from its button.
void EditSystems(Program& program, const Visit& visit) {
  program.SelectPatient(QString::fromLatin1(kPatient));
  ui_seams::PushModalHandler(Expect<CAddNoteDlg>(
      [](CAddNoteDlg& add) {
        add.KindButton(CAddNoteDlg::kHpNote)->setChecked(true);
        add.NextButton()->click();
      },
      QDialog::Accepted));
  ui_seams::PushModalHandler(Expect<CHPSheet>([&visit](CHPSheet& sheet) {
    ASSERT_TRUE(sheet.SetActivePage(1));
    ui_seams::PushModalHandler(
        Expect<CEditAutoTextDlg>([&visit](CEditAutoTextDlg& editor) { visit(editor); }));
    sheet.RosPage()->EditListButton()->click();
  }));
  program.Command(command_ids::kAddNote);
}

void RemoveMedFavorites(Program& program, const Visit& visit) {
  ui_seams::PushModalHandler(
      Expect<CRemoveMedFavoritesDlg>([&visit](CRemoveMedFavoritesDlg& dialog) { visit(dialog); }));
  CRemoveMedFavoritesDlg dialog(&program.Frame());
  dialog.DoModal();
}

// A question as the program asks it in a message box, answered with Cancel.
void MessageBox(Program& /*program*/, const Visit& visit) {
  bool visited = false;
  QTimer::singleShot(0, [&visit, &visited] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) {
      return;
    }
    Settle();
    visit(*box);
    visited = true;
    box->button(QMessageBox::Cancel)->click();
  });
  ui_seams::QtMessageService service;
  service.Show({strings::Load(ids::kAskDeletePatient), strings::Load(ids::kAppName),
                messages::Buttons::YesNoCancel, messages::Icon::Question});
  EXPECT_TRUE(visited) << "no message box ran";
}

// Preferences on one of its tabs.
Open Preferences(int tab) {
  return [tab](Program& program, const Visit& visit) {
    ui_seams::PushModalHandler(Expect<CPreferencesDlg>([tab, &visit](CPreferencesDlg& dialog) {
      auto* tabs = dialog.findChild<CPrefsTabCtrl*>();
      ASSERT_NE(tabs, nullptr);
      ASSERT_TRUE(tabs->SelectPage(tab));
      QApplication::processEvents();
      visit(dialog);
    }));
    program.Command(command_ids::kPreferences);
  };
}

void ChangePassword(Program& program, const Visit& visit) {
  ui_seams::PushModalHandler(Expect<CPreferencesDlg>([&visit](CPreferencesDlg& dialog) {
    ui_seams::PushModalHandler(
        Expect<CChangePasswordDlg>([&visit](CChangePasswordDlg& change) { visit(change); }));
    auto* tabs = dialog.findChild<CPrefsTabCtrl*>();
    ASSERT_NE(tabs, nullptr);
    tabs->SecurityPage().OnChangePassword();
  }));
  program.Command(command_ids::kPreferences);
}

void Login(Program& program, const Visit& visit) {
  ui_seams::PushModalHandler(
      Expect<CLoginDlg>([&visit](CLoginDlg& login) { visit(login); }, QDialog::Accepted));
  program.App().Lock();
}

void Help(Program& program, const Visit& visit) {
  program.Command(command_ids::kHelp);
  CHelpViewer* viewer = program.Frame().View()->HelpViewer();
  ASSERT_NE(viewer, nullptr);
  Settle();
  visit(*viewer);
  viewer->close();
}

void StartUpPicture(Program& /*program*/, const Visit& visit) {
  CSplashDlg splash;
  splash.ShowOverScreen();
  Settle();
  visit(splash);
}

void PrintingProgress(Program& program, const Visit& visit) {
  CProgressDlg progress(&program.Frame());
  progress.Start(strings::Load(ids::kPrintCheckoutTitle));
  progress.SetStatus(ids::kPrintPrinting);
  Settle();
  visit(progress);
}

void BeamProgress(Program& /*program*/, const Visit& visit) {
  CBeamProgressDlg progress;
  progress.SetStatus(strings::Load(ids::kBeamSearchingForReceiver), false);
  ui_seams::PushModalHandler(
      Expect<CBeamProgressDlg>([&visit](CBeamProgressDlg& dialog) { visit(dialog); }));
  progress.WaitForDone();
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Program

Program::Program(COvelinApp& app) : m_app(app) {}

CMainFrame& Program::Frame() const {
  return *m_app.MainFrame();
}

CPatientTabCtrl& Program::Strip() const {
  return *Frame().View()->TabCtrl();
}

void Program::SelectPatient(const QString& name) const {
  CPatientListCtrl& list = *Strip().ListPage().List();
  for (int row = 0; row < list.GetItemCount(); ++row) {
    if (list.GetItemText(row, CPatientListPage::kNameColumn) == name) {
      list.SelectRow(row);
      return;
    }
  }
  ADD_FAILURE() << "no patient " << name.toStdString();
}

bool Program::ShowTab(const QString& title) const {
  const int index = Strip().FindPage(title);
  return index >= 0 && Strip().SelectPage(index);
}

void Program::Command(int commandId) const {
  Frame().OnCommand(commandId);
}

void FillDevice() {
  AddPatient(QStringLiteral("Ana"), QStringLiteral("Chen"), 0);
  AddRecords(QString::fromLatin1(kPatient), 0);
  AddPatient(QStringLiteral("Ken"), QStringLiteral("Ito"), 7001);
  AddRecords(QString::fromLatin1(kReadOnlyPatient), 7002);
}

void ShowAndVisit(QDialog& dialog, const Visit& visit) {
  dialog.show();
  dialog.activateWindow();
  Settle();
  visit(dialog);
}

const std::vector<Window>& All() {
  static const std::vector<Window> windows = {
      {"Start-up picture", StartUpPicture},
      {"Login", Login},
      {"Main window: Main", ShowTab(ids::kTabFirst)},
      {"Main window: Info", ShowTab(ids::kTabFirst + 1)},
      {"Main window: Meds/Rx", ShowTab(ids::kTabFirst + 2)},
      {"Main window: VS/Tests, labs", ShowSubPage(&CVSTestsPage::OnShowLabs)},
      {"Main window: VS/Tests, vitals", ShowSubPage(&CVSTestsPage::OnShowVitals)},
      {"Main window: VS/Tests, tests", ShowSubPage(&CVSTestsPage::OnShowTests)},
      {"Main window: Notes", ShowTab(ids::kTabFirst + 4)},
      {"Main window: Todo", ShowTab(ids::kTabFirst + 5)},
      {"Main window: Trends", ShowTab(QStringLiteral("Trends"))},
      {"Main window: Trends, a series chosen", TrendsWithASeries},
      {"Main window: Main, read-only patient", ShowTab(ids::kTabFirst, kReadOnlyPatient)},
      {"Main window: Info, read-only patient", ShowTab(ids::kTabFirst + 1, kReadOnlyPatient)},
      {"Main window: Meds/Rx, read-only patient", ShowTab(ids::kTabFirst + 2, kReadOnlyPatient)},
      {"Main window: Notes, read-only patient", ShowTab(ids::kTabFirst + 4, kReadOnlyPatient)},
      {"Main window: Todo, read-only patient", ShowTab(ids::kTabFirst + 5, kReadOnlyPatient)},
      {"Patient type pop-up", PatientTypePopup},
      {"Add Patient", CommandDialog<CAddPatientDlg>(command_ids::kNewPatient)},
      {"Edit Categories", CategoryEditor},
      {"Category name", CategoryNamePrompt},
      {"Add Meds", CommandDialog<CAddMedsDlg>(command_ids::kAddMeds)},
      {"Edit medication", EditMedication},
      {"Allergy pop-up", AllergyPopup},
      {"Remove favorites", RemoveMedFavorites},
      {"Add Lab Results", CommandDialog<CAddLabResultsDlg>(command_ids::kAddLabs),
       accessible_tree::TabOrder::kItsOwn},
      {"Edit Lab Results", EditLabResults},
      {"Add Vitals", CommandDialog<CAddVitalsDlg>(command_ids::kAddVitals)},
      {"Add Test", CommandDialog<CAddTestDlg>(command_ids::kAddTest)},
      {"New Note", CommandDialog<CAddNoteDlg>(command_ids::kAddNote)},
      {"SOAP sheet: Subjective", SoapSheet(0)},
      {"SOAP sheet: Objective", SoapSheet(1)},
      {"SOAP sheet: PE", SoapSheet(2)},
      {"SOAP sheet: A/P", SoapSheet(3)},
      {"H&P sheet: History", HpSheet(0)},
      {"H&P sheet: ROS", HpSheet(1)},
      {"H&P sheet: PE", HpSheet(2)},
      {"H&P sheet: VS/Tests", HpSheet(3)},
      {"H&P sheet: A/P", HpSheet(4)},
      {"Edit the list of systems", EditSystems},
      {"Main window: Todo, new item", NewTodo},
      {"Todo note", TodoNote},
      {"Delete todo", DeleteTodo},
      {"Print Checkout List", CommandDialog<CPrintCheckoutDlg>(command_ids::kPrintCheckoutList)},
      {"Printing progress", PrintingProgress},
      {"Beam Checkout List", CommandDialog<CBeamCheckoutListDlg>(command_ids::kBeamCheckoutList)},
      {"Beam Progress", BeamProgress},
      {"Pair Device", PairDevice},
      {"Preferences: Security", Preferences(0)},
      {"Preferences: Printing", Preferences(1)},
      {"Preferences: Ward server", Preferences(2)},
      {"Change Password", ChangePassword},
      {"Message box", MessageBox},
      {"About", CommandDialog<CAboutDlg>(command_ids::kAbout)},
      {"Help", Help},
  };
  return windows;
}

const Window* Find(const QString& name) {
  for (const Window& window : All()) {
    if (window.name == name) {
      return &window;
    }
  }
  return nullptr;
}

}  // namespace accessible_windows
