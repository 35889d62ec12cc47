// The beam dialogs and the File menu's beam commands, with the other device on a thread of its
// own over an in-memory link.

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "beam/BeamCommands.h"
#include "beam/ui/CBeamCheckoutListDlg.h"
#include "beam/ui/CBeamProgressDlg.h"
#include "chart/CToDoPage.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CPictureButton.h"
#include "print/CCheckoutPatientList.h"
#include "shell/CommandIds.h"
#include "test_app_support.h"
#include "test_beam_ui_support.h"

namespace {

using beam_ui_test::AddPatient;
using beam_ui_test::OtherDevice;

// What the "Beam Progress" window showed when its transfer ended.
struct FinalTexts {
  QString status;
  QString overall;
  QString button;
  int runs = 0;
};

// The next "Beam Progress" window's final texts; "Done" is pressed at once.
void RecordFinalTexts(FinalTexts& texts) {
  ui_seams::PushModalHandler([&texts](QDialog& dialog) {
    auto* progress = dynamic_cast<CBeamProgressDlg*>(&dialog);
    if (progress == nullptr) {
      ADD_FAILURE() << "expected the Beam Progress window";
      return int{QDialog::Rejected};
    }
    texts.status = progress->StatusLabel()->text();
    texts.overall = progress->OverallLabel()->text();
    texts.button = progress->CancelButton()->text();
    ++texts.runs;
    progress->CancelButton()->click();
    return progress->result();
  });
}

void Tap(CCheckoutPatientList& list, int row) {
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                    list.visualItemRect(list.topLevelItem(row)).center());
}

// ---------------------------------------------------------------------------------------------
// The "Beam Progress" window alone

class BeamProgressDlgTest : public ::testing::Test {
 protected:
  TestGuard m_guard;
  TempDevice m_device;
  CBeamProgressDlg m_dialog;
};

TEST_F(BeamProgressDlgTest, ErrorViewAndOverallPaneRearrangeTheWindow) {
  m_dialog.Show();
  EXPECT_EQ(m_dialog.windowTitle(), "Beam Progress");
  EXPECT_EQ(m_dialog.parentWidget(), nullptr);
  EXPECT_FALSE(m_dialog.OverallLabel()->isVisible());
  EXPECT_FALSE(m_dialog.OverallBar()->isVisible());
  EXPECT_EQ(m_dialog.CancelButton()->text(), "Cancel");
  const QRect bar = m_dialog.ItemBar()->geometry();
  const int statusTop = m_dialog.StatusLabel()->y();

  EXPECT_FALSE(m_dialog.SetStatus("\nSearching for receiver", false));
  EXPECT_EQ(m_dialog.StatusLabel()->text(), "\nSearching for receiver");
  EXPECT_TRUE(m_dialog.ItemBar()->isVisible());

  // A transfer of several patients reveals the overall pane above the status.
  m_dialog.SetOverallText("\nSending Smith, Ann, 1 of 2 patients");
  EXPECT_TRUE(m_dialog.overallShown);
  EXPECT_TRUE(m_dialog.OverallLabel()->isVisible());
  EXPECT_EQ(m_dialog.OverallLabel()->y(), statusTop);
  EXPECT_LT(m_dialog.OverallLabel()->geometry().bottom(), m_dialog.OverallBar()->y());
  EXPECT_LT(m_dialog.OverallBar()->geometry().bottom(), m_dialog.StatusLabel()->y());
  EXPECT_LT(m_dialog.StatusLabel()->geometry().bottom(), m_dialog.ItemBar()->y());
  EXPECT_LT(m_dialog.ItemBar()->geometry().bottom(), m_dialog.CancelButton()->y());
  EXPECT_EQ(m_dialog.OverallBar()->y() - m_dialog.OverallLabel()->geometry().bottom() - 1, 5);

  // An error takes the item bar's room, keeping the status text's place.
  const QRect statusBefore = m_dialog.StatusLabel()->geometry();
  const QRect barBefore = m_dialog.ItemBar()->geometry();
  m_dialog.SetStatus("\nAn error has occurred sending data to the other handheld", true);
  QCoreApplication::processEvents();
  EXPECT_FALSE(m_dialog.ItemBar()->isVisible());
  EXPECT_EQ(m_dialog.StatusLabel()->geometry().topLeft(), statusBefore.topLeft());
  EXPECT_EQ(m_dialog.StatusLabel()->width(), statusBefore.width());
  EXPECT_EQ(m_dialog.StatusLabel()->geometry().bottom(), barBefore.bottom());
  EXPECT_EQ(bar.width(), barBefore.width());
  for (QWidget* control : m_dialog.findChildren<QWidget*>()) {
    EXPECT_FALSE(control->accessibleName().isEmpty()) << control->objectName().toStdString();
  }

  // A secure transfer names the paired device at the other end, above everything else.
  EXPECT_FALSE(m_dialog.PeerLabel()->isVisible());
  m_dialog.SetPeer("Ward 5 desk");
  QCoreApplication::processEvents();
  EXPECT_TRUE(m_dialog.PeerLabel()->isVisible());
  EXPECT_EQ(m_dialog.PeerLabel()->text(), "Paired device: Ward 5 desk");
  EXPECT_LT(m_dialog.PeerLabel()->geometry().bottom(), m_dialog.OverallLabel()->y());
}

TEST_F(BeamProgressDlgTest, BarsShowCountsBeyondSixteenBitsFromEmptyToFull) {
  const struct {
    uint32_t position;
    uint32_t range;
    int maximum;
    int value;
  } cases[] = {
      {5, 10, 10, 5},           {3, 0, 10, 3},  // range 0 keeps the range
      {12, 0, 10, 10},                          // past the range: full
      {0, 70000, 65535, 0},     {35000, 0, 65535, 32767},
      {70000, 0, 65535, 65535}, {2, 65535, 65535, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.position);
    m_dialog.SetItemProgress(c.position, c.range);
    EXPECT_EQ(m_dialog.ItemBar()->maximum(), c.maximum);
    EXPECT_EQ(m_dialog.ItemBar()->value(), c.value);
  }
  m_dialog.SetOverallProgress(1, 3);
  EXPECT_EQ(m_dialog.OverallBar()->maximum(), 3);
  EXPECT_EQ(m_dialog.OverallBar()->value(), 1);
}

TEST_F(BeamProgressDlgTest, CancelStopsTheTransferAndDoneClosesTheWindow) {
  m_dialog.Show();
  // Every cancel check serves what is waiting: the window stays alive during a transfer.
  bool served = false;
  QTimer::singleShot(0, &m_dialog, [&served] { served = true; });
  EXPECT_FALSE(m_dialog.IsCancelled());
  EXPECT_TRUE(served);

  m_dialog.CancelButton()->click();
  EXPECT_TRUE(m_dialog.cancelRequested);
  EXPECT_TRUE(m_dialog.IsCancelled());
  EXPECT_TRUE(m_dialog.SetStatusId(ids::kBeamConnectError, true));
  EXPECT_TRUE(m_dialog.isVisible());

  FinalTexts texts;
  RecordFinalTexts(texts);
  m_dialog.WaitForDone();
  EXPECT_EQ(texts.runs, 1);
  EXPECT_EQ(texts.button, "Done");
  EXPECT_EQ(texts.status, "\nAn error has occurred connecting to the other handheld");
  EXPECT_TRUE(m_dialog.closeRequested);
  EXPECT_FALSE(m_dialog.isVisible());
}

// Counts the paints a widget gets.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(QWidget& widget) : QObject(&widget) { widget.installEventFilter(this); }
  bool eventFilter(QObject* /*watched*/, QEvent* event) override {
    paints += event->type() == QEvent::Paint ? 1 : 0;
    return false;
  }
  int paints = 0;
};

TEST_F(BeamProgressDlgTest, EveryChangeIsPaintedAtOnceWithoutWaitingForTheEventLoop) {
  m_dialog.Show();
  PaintCounter status(*m_dialog.StatusLabel());
  PaintCounter button(*m_dialog.CancelButton());
  // No event is served between the change and the look at the window: the transfer holds the
  // loop between its cancel checks.
  m_dialog.SetStatus(QStringLiteral("\nSending 1 of 2 patients"), false);
  EXPECT_GE(status.paints, 1);

  int buttonPaintsAtDone = -1;
  ui_seams::PushModalHandler([&](QDialog& shown) {
    buttonPaintsAtDone = button.paints;
    return shown.result();
  });
  m_dialog.WaitForDone();
  EXPECT_GE(buttonPaintsAtDone, 1);
}

// ---------------------------------------------------------------------------------------------
// "Beam Checkout List" alone

class BeamCheckoutListDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AddPatient("Ann", "Able");
    AddPatient("Bo", "Baker");
    AddPatient("Cy", "Cole");
    CDBPatient other;
    other.firstName = "Di";
    other.lastName = "Dunn";
    other.patientType = "Hospital";
    ASSERT_TRUE(other.CreateRecord(false));
  }

  TestGuard m_guard;
  TempDevice m_device;
};

TEST_F(BeamCheckoutListDlgTest, TapsMarkAnyNumberOfRowsAndBeamNeedsOne) {
  CBeamCheckoutListDlg dialog("Clinic", false);
  dialog.show();
  CCheckoutPatientList& list = *dialog.List();
  ASSERT_EQ(list.GetItemCount(), 3);  // the patients of the type shown
  EXPECT_EQ(list.headerItem()->text(0), "Patient");
  EXPECT_EQ(list.headerItem()->text(1), "MR#");
  EXPECT_EQ(list.headerItem()->text(2), "Rm#");
  EXPECT_FALSE(dialog.BeamButton()->isEnabled());

  Tap(list, 0);
  Tap(list, 2);
  EXPECT_TRUE(dialog.BeamButton()->isEnabled());
  EXPECT_EQ(list.selectedItems().size(), 2);
  EXPECT_EQ(list.MarkedNames(), std::vector<QString>({"Able, Ann", "Cole, Cy"}));
  // Nothing else changes the marks: the selection goes back to them.
  list.clearSelection();
  list.setCurrentItem(list.topLevelItem(1));
  EXPECT_EQ(list.selectedItems().size(), 2);
  EXPECT_FALSE(list.topLevelItem(1)->isSelected());

  // The keyboard marks the focused row.
  list.setFocus();
  QTest::keyClick(&list, Qt::Key_Space);
  EXPECT_EQ(list.MarkedCount(), 3);
  QTest::keyClick(&list, Qt::Key_Space);
  Tap(list, 0);
  Tap(list, 2);
  EXPECT_EQ(list.MarkedCount(), 0);
  EXPECT_TRUE(list.selectedItems().isEmpty());
  EXPECT_FALSE(dialog.BeamButton()->isEnabled());
  EXPECT_FALSE(dialog.BeamButton()->accessibleName().isEmpty());
  EXPECT_FALSE(list.accessibleName().isEmpty());
}

TEST_F(BeamCheckoutListDlgTest, OnePatientMarkedIsEnoughToBeam) {
  CBeamCheckoutListDlg dialog("Clinic", false);
  dialog.show();
  CCheckoutPatientList& list = *dialog.List();
  Tap(list, 1);
  ASSERT_EQ(list.MarkedCount(), 1);
  EXPECT_TRUE(dialog.BeamButton()->isEnabled());
  Tap(list, 1);
  EXPECT_FALSE(dialog.BeamButton()->isEnabled());
}

TEST_F(BeamCheckoutListDlgTest, TheListEndsAboveTheInputPanel) {
  CBeamCheckoutListDlg dialog(QString(), false);
  EXPECT_EQ(dialog.List()->GetItemCount(), 4);  // every type
  EXPECT_EQ(dialog.geometry(), input_panel::Desktop());
  input_panel::SipInfo info;
  input_panel::Show(true);
  input_panel::GetInfo(info);
  EXPECT_EQ(dialog.List()->geometry().bottom() + 1, info.visibleDesktop.height() - 38);
  input_panel::Show(false);
  input_panel::GetInfo(info);
  EXPECT_EQ(dialog.List()->geometry().bottom() + 1, info.visibleDesktop.height() - 70);
}

// ---------------------------------------------------------------------------------------------
// The commands in the running program

class BeamCommandTest : public app_test::AppTest {
 protected:
  QString OtherFolder() const { return m_other.path(); }

  QTemporaryDir m_other;
};

TEST_F(BeamCommandTest, BeamOnAPatientNeverSynchronisedWithTheCompanionShowsTheMessageOnly) {
  beam_ui_test::InstallDesktopCompanion();
  AddPatient("Ann", "Smith");
  ASSERT_TRUE(Start());
  ASSERT_EQ(Strip()->currentPatient, "Smith, Ann");
  OtherDevice other(OtherFolder());

  Frame()->OnCommand(command_ids::kBeam);
  const auto& shown = messages::DefaultRecorder().Messages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text,
            "You must synchronize this record with the desktop before you can beam it.");
  EXPECT_EQ(shown[0].caption, "Ovelin");
  EXPECT_EQ(shown[0].buttons, messages::Buttons::Ok);
  EXPECT_EQ(shown[0].icon, messages::Icon::Stop);
  EXPECT_EQ(other.connectorsMade, 0);
  EXPECT_TRUE(ui_seams::ModalTitles().isEmpty());
}

TEST_F(BeamCommandTest, WithoutTheCompanionBeamSendsThePatientOrTheSelectedTodoItem) {
  const QString ann = AddPatient("Ann", "Smith");
  beam_ui_test::AddRecordsOfEveryKind(ann, "a");
  ASSERT_TRUE(Start());
  {
    OtherDevice other(OtherFolder());
    other.Receive();
    FinalTexts texts;
    RecordFinalTexts(texts);
    Frame()->OnCommand(command_ids::kBeam);  // the patient list reports the patient
    other.Join();
    EXPECT_TRUE(other.result);
    EXPECT_EQ(texts.status, "\nPatient Smith, Ann sent successfully");
    EXPECT_EQ(beam_ui_test::SnapshotOn(OtherFolder(), ann), beam_ui_test::Snapshot(ann));
  }

  // From the "Todo" tab, the selected item goes with its patient, after the page saved it.
  QTemporaryDir third;
  OtherDevice other(third.path());
  ASSERT_TRUE(Strip()->SelectPage(5));
  auto* todo = dynamic_cast<CToDoPage*>(Strip()->GetPage(5));
  ASSERT_NE(todo, nullptr);
  todo->OnNewTodo();
  ASSERT_TRUE(todo->List()->InsertInEditor("Fresh item"));
  todo->List()->CloseEdit();
  other.Receive();
  Frame()->OnCommand(command_ids::kBeam);
  other.Join();
  EXPECT_TRUE(other.result);
  EXPECT_EQ(other.progress.last, "\nRecord received successfully");
  platform::Device device(third.path());
  platform::DeviceScope scope(device);
  CDBToDo received;
  ASSERT_TRUE(received.FindFirstOfPatient(ann, -1));
  EXPECT_EQ(received.text, "Fresh item");
  EXPECT_FALSE(received.FindNextOfPatient(ann, -1));
}

TEST_F(BeamCommandTest, CheckoutListSkipsTheUnsynchronisedPatientAfterOneWarning) {
  beam_ui_test::InstallDesktopCompanion();
  AddPatient("Ann", "Able", 11);
  AddPatient("Bo", "Baker");
  AddPatient("Cy", "Cole", 13);
  ASSERT_TRUE(Start());
  const struct {
    messages::Answer answer;
    std::vector<QString> received;
    const char* overall;
  } cases[] = {
      {messages::Answer::Ok, {"Able, Ann", "Cole, Cy"}, "\nSuccessfully sent 2 of 3 patients"},
      {messages::Answer::Cancel, {"Able, Ann"}, "\nSuccessfully sent 1 of 3 patients"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.overall);
    messages::DefaultRecorder().Clear();
    QTemporaryDir folder;
    OtherDevice other(folder.path());
    other.Receive();
    messages::DefaultRecorder().SetNextAnswer(c.answer);
    ui_seams::PushModalHandler([](QDialog& dialog) {
      auto* checkout = dynamic_cast<CBeamCheckoutListDlg*>(&dialog);
      if (checkout == nullptr) {
        return int{QDialog::Rejected};
      }
      checkout->show();
      for (int row = 0; row < 3; ++row) {
        Tap(*checkout->List(), row);
      }
      checkout->BeamButton()->click();
      return checkout->result();
    });
    FinalTexts texts;
    RecordFinalTexts(texts);
    Frame()->OnCommand(command_ids::kBeamCheckoutList);
    other.Join();

    const auto& shown = messages::DefaultRecorder().Messages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text,
              "Some patients are not being beamed because they have not yet been synchronized "
              "with the desktop.");
    EXPECT_EQ(shown[0].buttons, messages::Buttons::OkCancel);
    EXPECT_EQ(shown[0].icon, messages::Icon::Stop);
    EXPECT_TRUE(other.result);  // the receiver was told how many would come
    EXPECT_EQ(texts.overall, c.overall);
    EXPECT_EQ(texts.status, "\nSuccess");
    platform::Device device(folder.path());
    platform::DeviceScope scope(device);
    std::vector<QString> received;
    for (const char* name : {"Able, Ann", "Baker, Bo", "Cole, Cy"}) {
      if (CDBPatient().FindByName(name)) {
        received.push_back(name);
      }
    }
    EXPECT_EQ(received, c.received);
  }
}

TEST_F(BeamCommandTest, ReceiveShowsTheReceivedPatientsAndRecordsAtOnce) {
  AddPatient("Ann", "Smith");
  ASSERT_TRUE(Start());
  ASSERT_TRUE(Strip()->SelectPage(5));  // the "Todo" tab of Smith, Ann, empty
  auto* todo = dynamic_cast<CToDoPage*>(Strip()->GetPage(5));
  ASSERT_NE(todo, nullptr);
  ASSERT_EQ(todo->List()->GetItemCount(), 0);
  {
    platform::Device device(OtherFolder());
    device.Prepare();
    platform::DeviceScope scope(device);
    beam_ui_test::AddRecordsOfEveryKind(AddPatient("Ann", "Smith"), "beamed");
    AddPatient("Bo", "Lee");
  }
  OtherDevice other(OtherFolder());
  other.Send([](CBeamEngine& engine) {
    return beam_commands::BeamCheckoutList(engine, {"Smith, Ann", "Lee, Bo"}, false).ok;
  });
  Frame()->OnCommand(command_ids::kReceiveBeam);
  other.Join();
  EXPECT_TRUE(other.result);
  EXPECT_EQ(ListPage().List()->GetItemCount(), 2);
  EXPECT_EQ(Strip()->currentPatient, "Smith, Ann");
  ASSERT_EQ(todo->List()->GetItemCount(), 1);
  EXPECT_EQ(todo->List()->GetItemText(0, CToDoPage::kTextColumn), "Todo beamed");
  EXPECT_EQ(ui_seams::ModalTitles(), QStringList({"Beam Progress"}));
}

// A patient received under its name in other letter case takes the state it arrives with: one made
// read-only on the desktop since shows as read-only at once.
TEST_F(BeamCommandTest, AReceivedPatientNamedInOtherLetterCaseShowsItsNewState) {
  AddPatient("Al", "Case", 5);
  ASSERT_TRUE(Start());
  ASSERT_EQ(Strip()->currentPatient, "Case, Al");
  ASSERT_EQ(ListPage().AccessLabel()->text(), "Read/Write");
  {
    platform::Device device(OtherFolder());
    device.Prepare();
    platform::DeviceScope scope(device);
    CDBPatient patient;
    patient.firstName = "AL";
    patient.lastName = "CASE";
    patient.patientType = "Clinic";
    patient.desktopId = 5;
    patient.accessState = 1;
    ASSERT_TRUE(patient.CreateRecord(true));
  }
  OtherDevice other(OtherFolder());
  other.Send([](CBeamEngine& engine) {
    return beam_commands::BeamCheckoutList(engine, {"CASE, AL"}, false).ok;
  });
  Frame()->OnCommand(command_ids::kReceiveBeam);
  other.Join();
  EXPECT_TRUE(other.result);
  EXPECT_EQ(Strip()->currentPatient, "Case, Al");
  EXPECT_EQ(ListPage().AccessLabel()->text(), "Read Only");
}

TEST_F(BeamCommandTest, BeamCategoriesSendsTheCategoryLists) {
  ASSERT_TRUE(Start());
  OtherDevice other(OtherFolder());
  other.Receive();
  FinalTexts texts;
  RecordFinalTexts(texts);
  Frame()->OnCommand(command_ids::kBeamCategories);
  other.Join();
  EXPECT_TRUE(other.result);
  EXPECT_EQ(texts.status, "\nCategory send complete");
  EXPECT_EQ(other.progress.last, "\nCategory receive complete");
}

// Writes docs/beam-progress.png, docs/beam-progress-overall.png and docs/beam-checkout-list.png
// when OVELIN_SCREENSHOT_DIR names a folder.
TEST_F(BeamCheckoutListDlgTest, Screenshot) {
  const QString folder = qEnvironmentVariable("OVELIN_SCREENSHOT_DIR");
  if (folder.isEmpty()) {
    GTEST_SKIP() << "OVELIN_SCREENSHOT_DIR is not set";
  }
  CBeamCheckoutListDlg checkout("Clinic", false);
  checkout.resize(480, 640);
  checkout.show();
  Tap(*checkout.List(), 0);
  Tap(*checkout.List(), 2);
  EXPECT_TRUE(checkout.grab().save(folder + "/beam-checkout-list.png", "PNG"));

  CBeamProgressDlg error;
  error.Show();
  error.SetItemProgress(0, 100);
  error.SetStatus("\nAn error has occurred connecting to the other handheld", true);
  error.CancelButton()->setText(strings::Load(ids::kBeamDone));
  EXPECT_TRUE(error.grab().save(folder + "/beam-progress.png", "PNG"));

  CBeamProgressDlg overall;
  overall.Show();
  overall.SetOverallText("\nSending Cole, Cy, 3 of 3 patients");
  overall.SetOverallProgress(3, 3);
  overall.SetStatus("Sending 4 of 6 records for Cole, Cy.\nSending 1 of 1 Todos", false);
  overall.SetItemProgress(4, 6);
  EXPECT_TRUE(overall.grab().save(folder + "/beam-progress-overall.png", "PNG"));
}

}  // namespace
