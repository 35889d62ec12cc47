// The application object and the main window: options, single instance, registered messages,
// the command bar, the chart tabs, help and about.

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QInputMethod>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QWindow>

#include "app/CAboutDlg.h"
#include "app/CHelpViewer.h"
#include "app/HelpFile.h"
#include "common/CAsciiPr.h"
#include "common/ui/OnScreenKeyboard.h"
#include "platform/Registry.h"
#include "shell/CommandIds.h"
#include "shell/Options.h"
#include "support/LegacyCategories.h"
#include "support/Wait.h"
#include "test_app_support.h"
#include "test_vitals_support.h"

namespace {

using app_test::AddPatient;
using app_test::AppTest;

// ---------------------------------------------------------------------------------------------
// Options

TEST(AppOptions, PasswordScramblingKeepsEveryCharacterAndRejectsBrokenValues) {
  const QString password = QStringLiteral("aZ\u00e9Z");  // 'Z' scrambles to a zero unit
  const QByteArray stored = app_options::ScramblePassword(password);
  ASSERT_EQ(stored.size(), (password.size() + 1) * 2);
  EXPECT_EQ(stored[2], '\0');
  EXPECT_EQ(stored[3], '\0');
  EXPECT_EQ(static_cast<uint8_t>(stored[0]), 'a' ^ 0x5A);
  QString back;
  ASSERT_TRUE(app_options::UnscramblePassword(stored, back));
  EXPECT_EQ(back, password);

  EXPECT_FALSE(app_options::UnscramblePassword(QByteArray("\x3b\x00\x00", 3), back));
  // Odd length, although its whole units end in a zero unit: a stray byte, not a password.
  EXPECT_FALSE(app_options::UnscramblePassword(QByteArray("\x3b\x00\x00\x00\x00", 5), back));
  EXPECT_FALSE(app_options::UnscramblePassword(QByteArray("\x3b\x00", 2), back));
  EXPECT_FALSE(app_options::UnscramblePassword(QByteArray(), back));
  ASSERT_TRUE(app_options::UnscramblePassword(QByteArray(2, '\0'), back));
  EXPECT_TRUE(back.isEmpty());
}

TEST(AppOptions, MissingOrBrokenValuesKeepTheDefaults) {
  TempDevice device;
  QString password;
  QString hint;
  uint32_t timeout = 0;
  app_options::ReadOptions(&password, &hint, &timeout);
  EXPECT_EQ(password, "zqx");
  EXPECT_EQ(hint, "Password is zqx");
  EXPECT_EQ(timeout, 600000u);

  platform::RegistryKey key;
  ASSERT_TRUE(key.Create(platform::Hive::CurrentUser, app_options::kOptionsKey));
  ASSERT_TRUE(key.SetBinary("Password", QByteArray("\x20\x00\x21", 3)));
  ASSERT_TRUE(key.SetBinary("Timeout", QByteArray("\x01\x02", 2)));
  app_options::ReadOptions(&password, nullptr, &timeout);
  EXPECT_EQ(password, "zqx");
  EXPECT_EQ(timeout, 600000u);

  const QString newPassword = "Zebra";
  const QString newHint = "stripes";
  const uint32_t newTimeout = 60000;
  ASSERT_TRUE(app_options::WriteOptions(&newPassword, &newHint, &newTimeout));
  app_options::ReadOptions(&password, &hint, &timeout);
  EXPECT_EQ(password, "Zebra");
  EXPECT_EQ(hint, "stripes");
  EXPECT_EQ(timeout, 60000u);
}

TEST(AppOptions, TheDesktopCompanionIsSeenByItsValueOfAnyType) {
  TempDevice device;
  EXPECT_FALSE(app_options::DesktopCompanionInstalled());
  platform::RegistryKey key;
  ASSERT_TRUE(key.Create(platform::Hive::LocalMachine, app_options::kInstallKey));
  ASSERT_TRUE(key.SetBinary("DCVersion", QByteArray("\x01", 1)));
  EXPECT_TRUE(app_options::DesktopCompanionInstalled());
}

// ---------------------------------------------------------------------------------------------
// Start-up, single instance and registered messages

class AppStartTest : public AppTest {};

TEST_F(AppStartTest, TheRecordButtonsNeedASelectedPatient) {
  ASSERT_TRUE(Start());
  EXPECT_EQ(Frame()->windowTitle(), "Ovelin");
  EXPECT_FALSE(Strip()->patientSelected);
  for (int id = command_ids::kAddMeds; id <= command_ids::kAddNote; ++id) {
    EXPECT_FALSE(Frame()->Action(id)->isEnabled()) << id;
  }
  EXPECT_TRUE(Frame()->Action(command_ids::kNewPatient)->isEnabled());
  EXPECT_TRUE(Frame()->Action(command_ids::kReader)->isEnabled());

  AddPatient("Ana", "Chen", "Clinic", "4B", "20017");
  Strip()->RefillPatientList(false, false);
  EXPECT_EQ(Frame()->View()->Header()->text(), "Chen, Ana 20017 4B");
  // Without an MR number or a room the header has no doubled or trailing blank.
  Strip()->SetCurrentPatient("Chen, Ana", "", "4B");
  EXPECT_EQ(Frame()->View()->Header()->text(), "Chen, Ana 4B");
  Strip()->SetCurrentPatient("Chen, Ana", "", "");
  EXPECT_EQ(Frame()->View()->Header()->text(), "Chen, Ana");
  Strip()->SetCurrentPatient("Chen, Ana", "20017", "4B");
  for (int id = command_ids::kAddMeds; id <= command_ids::kAddNote; ++id) {
    EXPECT_TRUE(Frame()->Action(id)->isEnabled()) << id;
  }
}

TEST_F(AppStartTest, AnOlderDevicesAgeUnitsMoveToTheirOwnListAtStartUp) {
  legacy_categories::MakeLegacyAgeUnits();
  ASSERT_TRUE(Start());
  EXPECT_TRUE(vs_tests_test::Shown().empty());
  EXPECT_EQ(CDBCategories().GetListItems(CDBCategories::kAgeUnitList),
            (QStringList{"Days", "Months", "Years"}));
  EXPECT_EQ(CDBCategories().GetListItems(50), QStringList{"Chest pain"});
}

TEST_F(AppStartTest, AMoveOfTheAgeUnitsThatCannotBeStoredIsToldAndChangesNothing) {
  legacy_categories::MakeLegacyAgeUnits();
  vs_tests_test::RefuseWrites(m_device.device(), CDBCategories::kVolumeName);
  ASSERT_TRUE(Start());
  ASSERT_EQ(vs_tests_test::Shown().size(), 1u);
  EXPECT_TRUE(vs_tests_test::Shown()[0].text.startsWith(
      "The age units of this device could not be moved to their own list:\nobjectstore.db: "))
      << vs_tests_test::Shown()[0].text.toStdString();
  EXPECT_TRUE(CDBCategories().GetListItems(CDBCategories::kAgeUnitList).isEmpty());
  EXPECT_EQ(CDBCategories().GetListItems(50),
            (QStringList{"Days", "Chest pain", "Months", "Years"}));
}

TEST_F(AppStartTest, ADeviceOpenedReadOnlyKeepsItsOlderListsWithoutAWord) {
  legacy_categories::MakeLegacyAgeUnits();
  m_device.device().SetReadOnly(true);
  ASSERT_TRUE(Start());
  EXPECT_TRUE(vs_tests_test::Shown().empty());
  EXPECT_EQ(CDBCategories().GetListItems(50),
            (QStringList{"Days", "Chest pain", "Months", "Years"}));
}

TEST_F(AppStartTest, TheMenuHoldsEveryCommand) {
  ASSERT_TRUE(Start());
  const int ids[] = {command_ids::kPrintLog,       command_ids::kPrintCheckoutList,
                     command_ids::kReceiveBeam,    command_ids::kBeam,
                     command_ids::kBeamCategories, command_ids::kBeamCheckoutList,
                     command_ids::kPreferences,    command_ids::kHelp,
                     command_ids::kAbout,          command_ids::kClose};
  QStringList texts;
  for (const int id : ids) {
    ASSERT_NE(Frame()->Action(id), nullptr) << id;
    texts << Frame()->Action(id)->text();
  }
  EXPECT_EQ(texts, (QStringList{"Print Log", "Print Checkout List...", "Receive Beam...", "Beam",
                                "Beam Categories", "Beam Checkout List...", "Preferences", "Help",
                                "About", "Close"}));
  CMainFrame* frame = Frame();
  ASSERT_NE(frame, nullptr);
  Frame()->Action(command_ids::kClose)->trigger();
  ASSERT_TRUE(test_wait::Until([&] { return frame->IsClosed(); }));
}

TEST_F(AppStartTest, TheSixTabsComeInOrderAndTheCurrentOneCannotBeRemoved) {
  ASSERT_TRUE(Start());
  ASSERT_EQ(Strip()->GetPageCount(), 6);
  QStringList titles;
  for (int i = 0; i < 6; ++i) {
    titles << Strip()->PageTitle(i);
  }
  EXPECT_EQ(titles, (QStringList{"Main", "Info", "Meds/Rx", "VS/Tests", "Notes", "Todo"}));
  ITabHost* host = Strip();
  EXPECT_EQ(host->GetActivePage(), &ListPage());
  EXPECT_EQ(host->GetPage(6), nullptr);
  EXPECT_EQ(host->GetPage(-1), nullptr);
  EXPECT_EQ(host->FindPage("notes"), -1);  // titles compare exactly
  EXPECT_FALSE(host->RemovePage("Main"));
  EXPECT_EQ(host->SelectPage("Todo"), 5);
  EXPECT_EQ(host->GetActivePage(), host->GetPage(5));
  EXPECT_TRUE(host->RemovePage("Main"));
  EXPECT_EQ(host->GetPageCount(), 5);
  EXPECT_EQ(host->FindPage("Todo"), 4);
  EXPECT_EQ(Strip()->GetCurSel(), 4);
  EXPECT_EQ(host->SelectPage("Nowhere"), -1);
}

TEST_F(AppStartTest, PagesSitBelowTheTabsAndFollowTheInputPanel) {
  ASSERT_TRUE(Start());
  CTabPage* page = Strip()->GetActivePage();
  const int y = Strip()->TabBar()->height() + 5;
  EXPECT_EQ(page->geometry(), QRect(2, y, Strip()->width() - 4, Strip()->height() - y - 3));

  const int downHeight = Strip()->height();
  input_panel::Show(true);
  QCoreApplication::processEvents();
  EXPECT_LT(Strip()->height(), downHeight);
  input_panel::SipInfo info;
  ASSERT_TRUE(input_panel::GetInfo(info));
  const int stripBottom = Strip()->mapToGlobal(QPoint(0, Strip()->height())).y();
  EXPECT_LE(stripBottom, info.visibleDesktop.bottom() - 2);
  input_panel::Show(false);
  QCoreApplication::processEvents();
  EXPECT_EQ(Strip()->height(), downHeight);
}

TEST_F(AppStartTest, ASecondCopyWithSlashDClosesTheFirstAndOneWithoutLeavesItRunning) {
  ASSERT_TRUE(Start());
  CMainFrame* frame = Frame();
  ASSERT_NE(frame, nullptr);

  // The first copy shows itself when the second asks it to: once it is no longer minimised, it
  // has handled the request, and it is still running.
  frame->showMinimized();
  COvelinApp activating;
  StartOptions second = Options();
  EXPECT_FALSE(activating.Initialise(second));
  ASSERT_TRUE(test_wait::Until([&] { return !frame->isMinimized(); }));
  EXPECT_FALSE(frame->IsClosed());
  EXPECT_EQ(COvelinApp::Current(), m_app.get());

  // A dialog open at that moment is cancelled; the window it belongs to stays in memory until
  // the program ends, so that the dialog's handler can still unwind.
  QDialog open(Frame());
  open.setModal(true);
  open.show();
  COvelinApp closing;
  second.arguments = {"/D"};
  EXPECT_FALSE(closing.Initialise(second));
  ASSERT_TRUE(test_wait::Until([&] { return frame->IsClosed(); }));
  EXPECT_EQ(open.result(), QDialog::Rejected);
  EXPECT_TRUE(open.isHidden());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(Frame(), frame);
}

TEST_F(AppStartTest, RefreshScreenFromTheCommandLineRefillsAndKeepsTheSelection) {
  AddPatient("Maria", "Alvarez", "Clinic");
  AddPatient("John", "Becker", "Clinic");
  ASSERT_TRUE(Start());
  CPatientListCtrl* list = ListPage().List();
  list->setCurrentItem(list->topLevelItem(1));
  ASSERT_EQ(Strip()->currentPatient, "Becker, John");

  AddPatient("Bea", "Aaron", "Clinic");  // sorts first
  QProcess cli;
  cli.start(QStringLiteral(OVELIN_CLI_PATH),
            {"--device", m_device.folder(), "post", "OvelinRefreshScreen"});
  ASSERT_TRUE(cli.waitForFinished(60000));
  EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();

  ASSERT_TRUE(test_wait::Until([&] { return list->GetItemCount() == 3; }))
      << "waited for list->GetItemCount()";
  EXPECT_EQ(list->GetItemText(0, 0), "Aaron, Bea");
  EXPECT_EQ(list->GetItemText(list->GetSelectedRow(), 0), "Becker, John");
  EXPECT_EQ(Strip()->currentPatient, "Becker, John");
}

TEST_F(AppStartTest, ABackupImportedFromTheCommandLineShowsInTheRunningProgram) {
  AddPatient("Maria", "Alvarez", "Clinic");
  ASSERT_TRUE(Start());
  CPatientListCtrl* list = ListPage().List();
  ASSERT_EQ(list->GetItemCount(), 1);

  QTemporaryDir other;
  const QString backup = other.path() + "/backup.json";
  const auto cli = [](const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(OVELIN_CLI_PATH), arguments);
    return process.waitForFinished(60000) && process.exitCode() == 0;
  };
  ASSERT_TRUE(cli({"--device", other.path() + "/device", "patient", "add", "--first", "Bea",
                   "--last", "Aaron", "--type", "Clinic"}));
  ASSERT_TRUE(cli({"--device", other.path() + "/device", "export", "--output", backup}));
  ASSERT_TRUE(cli({"--device", m_device.folder(), "import", backup}));

  ASSERT_TRUE(test_wait::Until([&] { return list->GetItemCount() == 2; }))
      << "waited for list->GetItemCount()";
  EXPECT_EQ(list->GetItemText(0, 0), "Aaron, Bea");
}

TEST_F(AppStartTest, PostFailsWhenNoProgramRunsOnTheDevice) {
  QProcess cli;
  cli.start(QStringLiteral(OVELIN_CLI_PATH),
            {"--device", m_device.folder(), "post", "OvelinRefreshScreen"});
  ASSERT_TRUE(cli.waitForFinished(60000));
  EXPECT_EQ(cli.exitCode(), 1);
}

TEST_F(AppStartTest, NewSoftwareInstalledAsksForARestart) {
  ASSERT_TRUE(Start());
  m_app->PostRegisteredMessage("OvelinNewSoftwareInstalled");
  ASSERT_TRUE(test_wait::Until([&] {
    return messages::DefaultRecorder().Messages().size() == size_t{1};
  })) << "waited for messages::DefaultRecorder().Messages().size()";
  const messages::Shown& shown = messages::DefaultRecorder().Messages()[0];
  EXPECT_EQ(shown.caption, "Ovelin");
  EXPECT_EQ(shown.buttons, messages::Buttons::Ok);
  EXPECT_TRUE(shown.text.startsWith("Ovelin has detected new software."));
}

// ---------------------------------------------------------------------------------------------
// Help, about and the reader

TEST_F(AppStartTest, HelpIsInstalledAndWithoutExtensionTextsTheCopyEqualsIt) {
  ASSERT_TRUE(Start());
  const QString windows = m_device.folder() + "/windows";
  QFile original(windows + "/ov.htc");
  ASSERT_TRUE(original.open(QIODevice::ReadOnly));
  const QByteArray help = original.readAll();
  EXPECT_TRUE(help.contains("<html>"));

  Frame()->OnCommand(command_ids::kHelp);
  CHelpViewer* viewer = Frame()->View()->HelpViewer();
  ASSERT_NE(viewer, nullptr);
  EXPECT_EQ(viewer->File(), windows + "/ovcopy.htc");
  QFile copy(windows + "/ovcopy.htc");
  ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
  EXPECT_EQ(copy.readAll(), help);
  EXPECT_TRUE(viewer->Browser()->toPlainText().contains("Choosing a patient"));

  // The window has its own way out: its Close button, and Escape.
  viewer->CloseButton()->click();
  ASSERT_TRUE(test_wait::Until([&] { return Frame()->View()->HelpViewer() == nullptr; }));
  Frame()->OnCommand(command_ids::kHelp);
  viewer = Frame()->View()->HelpViewer();
  ASSERT_NE(viewer, nullptr);
  QTest::keyClick(viewer->Browser(), Qt::Key_Escape);
  ASSERT_TRUE(test_wait::Until([&] { return Frame()->View()->HelpViewer() == nullptr; }));
}

TEST(HelpFile, MergeAppendsTextsInTheCodePageAndFallsBackToTheOriginal) {
  QTemporaryDir dir;
  const QString windows = dir.path();
  EXPECT_EQ(help_file::Merge(windows, {}), "file:ov.htc");  // no ov.htc

  QByteArray original(250, 'h');  // more than two copy blocks
  QFile file(windows + "/ov.htc");
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(original);
  file.close();
  EXPECT_EQ(help_file::Merge(windows, {"<p>caf\u00e9</p>", "", "\u4e2d"}), "file:ovcopy.htc");
  QFile copy(windows + "/ovcopy.htc");
  ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
  EXPECT_EQ(copy.readAll(), original + "<p>caf\xe9</p>?");
}

TEST_F(AppStartTest, AboutShowsTheVersionAndNoBoxWithoutExtensionTexts) {
  ASSERT_TRUE(Start());
  bool boxShown = true;
  QString version;
  ui_seams::PushModalHandler([&](QDialog& dialog) {
    auto& about = dynamic_cast<CAboutDlg&>(dialog);
    boxShown = about.TextBox()->isVisibleTo(&about);
    version = about.VersionLine();
    return int{QDialog::Accepted};
  });
  Frame()->OnCommand(command_ids::kAbout);
  EXPECT_EQ(ui_seams::ModalTitles().value(0), "About Ovelin");
  EXPECT_EQ(version, "Ovelin 5.2.0.0");
  EXPECT_FALSE(boxShown);
}

TEST_F(AppStartTest, TheReaderOpensItsShortcutOrSaysWhereToGetIt) {
  ASSERT_TRUE(Start());
  QStringList opened;
  COvelinView::SetShellOpener([&](const QString& target) {
    opened << target;
    return true;
  });
  Frame()->OnCommand(command_ids::kReader);
  ASSERT_EQ(messages::DefaultRecorder().Messages().size(), 1u);
  EXPECT_TRUE(messages::DefaultRecorder().Messages()[0].text.startsWith(
      "Ovelin is unable to locate the Lumio reader.  Please reinstall the reader or visit"));
  EXPECT_TRUE(messages::DefaultRecorder().Messages()[0].text.endsWith(" for more information."));

  const QString folder = m_device.folder() + "/windows/start menu/programs";
  ASSERT_TRUE(QDir().mkpath(folder));
  QFile shortcut(folder + "/Lumio reader.lnk");
  ASSERT_TRUE(shortcut.open(QIODevice::WriteOnly));
  shortcut.write("27#\"/opt/reader/reader.html\"");
  shortcut.close();
  Frame()->OnCommand(command_ids::kReader);
  COvelinView::SetShellOpener({});
  EXPECT_EQ(opened, QStringList{"/opt/reader/reader.html"});
  EXPECT_EQ(messages::DefaultRecorder().Messages().size(), 1u);
}

// ---------------------------------------------------------------------------------------------
// The test extension

TEST_F(AppStartTest, TheExtensionsPageCommandAndTextsAppear) {
#ifndef OVELIN_TEST_EXTENSION
  GTEST_SKIP() << "the test extension is not built";
#else
  ASSERT_TRUE(QFile::copy(QStringLiteral(OVELIN_TEST_EXTENSION),
                          m_device.folder() + "/extensions/" +
                              QFileInfo(QStringLiteral(OVELIN_TEST_EXTENSION)).fileName()));
  AddPatient("Ana", "Chen", "Clinic");
  ASSERT_TRUE(Start());
  ASSERT_EQ(XMExtensionMgr::Instance()->GetSize(), 1);
  EXPECT_EQ(Strip()->GetPageCount(), 7);
  EXPECT_EQ(Strip()->FindPage("Checklist"), 6);
  auto* label = Strip()->GetPage(6)->findChild<QLabel*>("patient");
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->text(), "Checklist for Chen, Ana");
  ASSERT_EQ(m_app->Listeners().size(), 1u);

  QAction* command = Frame()->Action(15001);
  ASSERT_NE(command, nullptr);
  EXPECT_EQ(command->text(), "Reset Checklist");
  command->trigger();

  QString shownText;
  ui_seams::PushModalHandler([&](QDialog& dialog) {
    auto& about = dynamic_cast<CAboutDlg&>(dialog);
    EXPECT_TRUE(about.TextBox()->isVisibleTo(&about));
    shownText = about.TextBox()->toPlainText();
    return int{QDialog::Accepted};
  });
  Frame()->OnCommand(command_ids::kAbout);
  EXPECT_EQ(CAboutDlg::ExtensionTexts(),
            "Bedside Checklist 1.0\r\nPatients seen this session: 0\r\n");
  EXPECT_TRUE(shownText.startsWith("Bedside Checklist 1.0")) << shownText.toStdString();

  Frame()->OnCommand(command_ids::kHelp);
  QFile copy(m_device.folder() + "/windows/ovcopy.htc");
  ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
  EXPECT_TRUE(copy.readAll().endsWith("bedside of the selected patient.</p>\r\n"));

  // The listener hears of the deletion: its page forgets the patient.
  ListPage().OnDelete();
  EXPECT_EQ(label->text(), "No patient selected");
#endif
}

}  // namespace

TEST_F(AppStartTest, PrintLogSpoolsTheLogWithTheApplicationsPageSettings) {
  AddPatient("Ana", "Chen", "Clinic", "4B", "20017");
  ASSERT_TRUE(Start());
  COvelinApp::Current()->PrintSettings().leftMargin = 2;
  Frame()->Action(command_ids::kPrintLog)->trigger();
  const QDir spool(m_device.folder() + "/spool");
  const QStringList jobs = spool.entryList(QDir::Files);
  ASSERT_EQ(jobs.size(), 1);
  QFile job(spool.filePath(jobs.first()));
  ASSERT_TRUE(job.open(QIODevice::ReadOnly));
  EXPECT_TRUE(job.readAll().contains("\n  Chen, Ana   Room: 4B   MR: 20017"));
  // The person is told where the job went.
  const auto& shown = messages::DefaultRecorder().Messages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text,
            "The patient log was written to the printer spool:\n" + spool.filePath(jobs.first()));

  // A printer that does not answer is told too, and nothing claims the log was printed.
  CAsciiPr::SetTarget("tcp:127.0.0.1:1");
  Frame()->Action(command_ids::kPrintLog)->trigger();
  CAsciiPr::SetTarget({});
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[1].text, "An error occurred while connecting to the printer!");
}

// Writes docs/message-box.png (a question over the window it belongs to) when
// OVELIN_SCREENSHOT_DIR names a folder.
TEST_F(AppStartTest, MessageBoxScreenshot) {
  const QString folder = qEnvironmentVariable("OVELIN_SCREENSHOT_DIR");
  if (folder.isEmpty()) {
    GTEST_SKIP() << "OVELIN_SCREENSHOT_DIR is not set";
  }
  AddPatient("Ana", "Chen", "Clinic", "4B", "20017");
  ASSERT_TRUE(Start());
  Frame()->move(0, 0);
  Frame()->activateWindow();
  ui_seams::QtMessageService boxes;
  messages::Install(&boxes);
  bool saved = false;
  QTimer::singleShot(0, [this, folder, &saved] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    QPixmap picture = Frame()->grab();
    QPainter painter(&picture);
    painter.drawPixmap(box->frameGeometry().topLeft() - Frame()->frameGeometry().topLeft(),
                       box->grab());
    painter.end();
    saved = picture.save(folder + QStringLiteral("/message-box.png"), "PNG");
    box->button(QMessageBox::Cancel)->click();
  });
  ListPage().OnDelete();
  messages::Install(nullptr);
  EXPECT_TRUE(saved);
}

// With the on-screen keyboard (the run of the tests on an X server, see tests/CMakeLists.txt):
// the keyboard rises over the entry dialogs of a window at the bottom of the screen, without the
// selection handles that showed as dark squares over their fields, and every field of each
// dialog stays in sight above it.
TEST_F(AppStartTest, TheOnScreenKeyboardLeavesEveryFieldOfTheEntryDialogsInSight) {
  if (!on_screen_keyboard::Available()) {
    GTEST_SKIP() << "needs the on-screen keyboard";
  }
  AddPatient("Ana", "Chen", "Clinic", "4B", "20017");
  ASSERT_TRUE(Start());
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  Frame()->move(0, screen.bottom() - Frame()->frameGeometry().height());
  Frame()->activateWindow();
  for (const int command : {command_ids::kAddNote, command_ids::kAddMeds, command_ids::kAddLabs}) {
    QStringList covered;
    bool risen = false;
    ui_seams::PushModalHandler([&](QDialog& dialog) {
      dialog.show();
      dialog.activateWindow();
      // A tap into a box brings the keyboard where the dialog opens on another control.
      if (auto* box = dialog.findChild<QLineEdit*>(); box != nullptr && box->isVisible()) {
        box->setFocus();
      }
      risen = test_wait::Until([] { return !on_screen_keyboard::KeyboardArea().isEmpty(); });
      const auto coveredFields = [&dialog] {
        const QRect keyboard = on_screen_keyboard::KeyboardArea();
        QStringList fields;
        for (QWidget* field : dialog.findChildren<QWidget*>()) {
          const bool read = field->focusPolicy() != Qt::NoFocus || qobject_cast<QLabel*>(field);
          if (field->isVisible() && read &&
              QRect(field->mapToGlobal(QPoint()), field->size()).intersects(keyboard)) {
            fields << field->metaObject()->className() + QStringLiteral(" ") + field->objectName();
          }
        }
        for (const QWindow* window : QGuiApplication::allWindows()) {
          if (window->isVisible() &&
              QByteArray(window->metaObject()->className()).endsWith("InputSelectionHandle")) {
            fields << QStringLiteral("a selection handle");
          }
        }
        return fields;
      };
      // The dialog follows the keyboard's height as it comes.
      test_wait::Until([&coveredFields] { return coveredFields().isEmpty(); });
      covered = coveredFields();
      return int{QDialog::Rejected};
    });
    Frame()->Action(command)->trigger();
    EXPECT_TRUE(risen) << "the keyboard did not rise, command " << command;
    EXPECT_TRUE(covered.isEmpty())
        << command << ": " << covered.join(QStringLiteral(", ")).toStdString();
  }

  // A window at the top of the screen, the keyboard far below it: the lab values list keeps the
  // window's height instead of making room for a keyboard that covers nothing of it.
  Frame()->move(0, 0);
  int listBottom = 0;
  int keyboardTop = 0;
  const int windowBottom = Frame()->frameGeometry().bottom();
  ui_seams::PushModalHandler([&](QDialog& dialog) {
    dialog.show();
    dialog.findChild<QLineEdit*>()->setFocus();
    test_wait::Until([] { return !on_screen_keyboard::KeyboardArea().isEmpty(); });
    keyboardTop = on_screen_keyboard::KeyboardArea().top();
    const QWidget* list = dialog.findChild<QWidget*>(QStringLiteral("itemList"));
    const auto bottom = [list] { return list->mapToGlobal(QPoint(0, list->height())).y(); };
    test_wait::Until([&] { return bottom() >= qMin(keyboardTop, windowBottom) - 40; });
    listBottom = bottom();
    return int{QDialog::Rejected};
  });
  Frame()->Action(command_ids::kAddLabs)->trigger();
  EXPECT_GE(listBottom, qMin(keyboardTop, windowBottom) - 40);

  // Raised for the dialog, the keyboard does not show while a button has the focus: the list
  // keeps the whole window instead of leaving the keyboard's height empty below it.
  bool keyboardHidden = false;
  ui_seams::PushModalHandler([&](QDialog& dialog) {
    dialog.show();
    const QWidget* list = dialog.findChild<QWidget*>(QStringLiteral("itemList"));
    const auto bottom = [list] { return list->mapToGlobal(QPoint(0, list->height())).y(); };
    test_wait::Until([&] { return bottom() >= windowBottom - 40; });
    keyboardHidden = on_screen_keyboard::KeyboardArea().isEmpty();
    listBottom = bottom();
    return int{QDialog::Rejected};
  });
  Frame()->Action(command_ids::kAddLabs)->trigger();
  if (keyboardHidden) {
    EXPECT_GE(listBottom, windowBottom - 40);
  }
}

// Writes docs/on-screen-keyboard.png when OVELIN_SCREENSHOT_DIR names a folder and the run has
// the on-screen keyboard (OVELIN_ON_SCREEN_KEYBOARD=1 on a real or virtual display).
TEST_F(AppStartTest, OnScreenKeyboardScreenshot) {
  const QString folder = qEnvironmentVariable("OVELIN_SCREENSHOT_DIR");
  if (folder.isEmpty() || !on_screen_keyboard::Available()) {
    GTEST_SKIP() << "needs OVELIN_SCREENSHOT_DIR and the on-screen keyboard";
  }
  AddPatient("Ana", "Chen", "Clinic", "4B", "20017");
  ASSERT_TRUE(Start());
  Frame()->move(0, 0);
  Frame()->activateWindow();
  ListPage().LookupEdit()->setFocus();
  ASSERT_TRUE(test_wait::Until([this] { return ListPage().LookupEdit()->hasFocus(); }));
  input_panel::Show(true);
  ASSERT_TRUE(test_wait::Until([] { return QGuiApplication::inputMethod()->isVisible(); }));
  test_wait::Until([] { return false; }, 1500);  // the keyboard slides in
  // The panel takes the keyboard's own height.
  const QRectF keyboard = QGuiApplication::inputMethod()->keyboardRectangle();
  EXPECT_EQ(input_panel::PanelHeight(), keyboard.toRect().height());
  const QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0);
  EXPECT_TRUE(screen.copy(0, 0, qMax(Frame()->frameGeometry().right(), 480) + 1, screen.height())
                  .save(folder + QStringLiteral("/on-screen-keyboard.png"), "PNG"));
  input_panel::Show(false);
}
