#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>

#include <QTest>

#include "FakeHost.h"
#include "common/XMExtensionMgr.h"
#include "common/ui/CTabPage.h"
#include "security/CPreferencesDlg.h"
#include "security/CPrefsTabCtrl.h"
#include "shell/CommandIds.h"
#include "shell/Options.h"
#include "support/TestTime.h"
#include "support/Wait.h"
#include "test_app_support.h"

namespace {

using test_time::At;

const std::vector<messages::Shown>& Shown() {
  return messages::DefaultRecorder().Messages();
}

const QString kInvalidSettings = QStringLiteral(
    "The printer settings you entered are invalid. Make sure the margins do not exceed the paper "
    "size, and that you have entered the paper size properly.");

// ---------------------------------------------------------------------------------------------
// The printing page on its own

class PrintingPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app_test::EnsureApplication();
    messages::Install(nullptr);
    messages::DefaultRecorder().Clear();
    m_page = std::make_unique<CPrintingPage>(m_settings);
  }
  void TearDown() override { messages::DefaultRecorder().Clear(); }

  void Enter(int lines, int width, int left, int top, int bottom) {
    m_page->LinesPerPageEdit()->setText(QString::number(lines));
    m_page->PageWidthEdit()->setText(QString::number(width));
    m_page->LeftMarginEdit()->setText(QString::number(left));
    m_page->TopMarginEdit()->setText(QString::number(top));
    m_page->BottomMarginEdit()->setText(QString::number(bottom));
  }

  app_options::PrintSettings m_settings;
  std::unique_ptr<CPrintingPage> m_page;
};

TEST_F(PrintingPageTest, LinesPerPageMustLeaveTenLinesInsideTheMargins) {
  Enter(20, 80, 5, 5, 5);
  EXPECT_TRUE(m_page->Validate());
  EXPECT_TRUE(Shown().empty());
  EXPECT_EQ(m_settings.linesPerPage, 20);

  Enter(19, 80, 5, 5, 5);
  EXPECT_FALSE(m_page->Validate());
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_EQ(Shown()[0].text, kInvalidSettings);
  EXPECT_EQ(Shown()[0].caption, QStringLiteral("Ovelin"));
  EXPECT_EQ(Shown()[0].icon, messages::Icon::Exclamation);
  // Refused settings never reach the printer.
  EXPECT_EQ(m_settings.linesPerPage, 20);
}

TEST_F(PrintingPageTest, PageWidthMustLeaveTenColumnsRightOfTheLeftMargin) {
  Enter(60, 15, 5, 5, 5);
  EXPECT_TRUE(m_page->Validate());
  EXPECT_EQ(m_settings.pageWidth, 15);
  EXPECT_EQ(m_settings.leftMargin, 5);

  Enter(60, 14, 5, 5, 5);
  EXPECT_FALSE(m_page->Validate());
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_EQ(Shown()[0].text, kInvalidSettings);
  EXPECT_EQ(m_settings.pageWidth, 15);
}

TEST_F(PrintingPageTest, LinesPerPageStopsAt32767) {
  Enter(32767, 80, 5, 5, 5);
  EXPECT_TRUE(m_page->Validate());
  Enter(32768, 80, 5, 5, 5);
  EXPECT_FALSE(m_page->Validate());
  EXPECT_EQ(m_settings.linesPerPage, 32767);
}

TEST_F(PrintingPageTest, AFieldThatIsNoIntegerKeepsThePageAndTheSettings) {
  Enter(30, 40, 2, 3, 4);
  m_page->TopMarginEdit()->setText(QStringLiteral("x1"));
  EXPECT_FALSE(m_page->Validate());
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_EQ(Shown()[0].text, QStringLiteral("Please enter an integer."));
  EXPECT_EQ(m_settings.linesPerPage, 60);
  EXPECT_EQ(m_settings.pageWidth, 80);

  messages::DefaultRecorder().Clear();
  m_page->TopMarginEdit()->clear();
  EXPECT_FALSE(m_page->Validate());
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_EQ(Shown()[0].text, QStringLiteral("Please enter an integer."));
}

// ---------------------------------------------------------------------------------------------
// The dialog, its tabs and the security options

class TestPrefsExtension : public XMExtension {
 public:
  QString GetAboutText1() override { return {}; }
  QString GetAboutText2() override { return {}; }
  QString GetHelpContents() override { return {}; }
  void AddChartPages(ITabHost* /*host*/) override {}
  void AddPreferencePages(ITabHost* host) override {
    host->AddPage(QStringLiteral("Extra"), new CTabPage(9001));
  }
  void Initialize(XMResourceMgr* /*resources*/) override {}
  bool OnCmdMsg(int /*commandId*/) override { return false; }
  bool OnRegisteredMsg(const QString& /*message*/) override { return false; }
};

class PreferencesDlgTest : public app_test::AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    clock_source::Fix(At(2024, 3, 1, 8));
  }

  // The shell of a dialog run without the program.
  FakeShell m_shell;

  static uint32_t StoredTimeout() {
    uint32_t timeout = 12345;
    app_options::ReadOptions(nullptr, nullptr, &timeout);
    return timeout;
  }
  static QString StoredHint() {
    QString hint;
    app_options::ReadOptions(nullptr, &hint, nullptr);
    return hint;
  }

  // Runs the "Preferences" command; act gets the dialog and answers for the user.
  void RunPreferences(const std::function<int(CPreferencesDlg&)>& act) {
    bool ran = false;
    ui_seams::PushModalHandler([&](QDialog& dialog) {
      auto* prefs = qobject_cast<CPreferencesDlg*>(&dialog);
      if (prefs == nullptr) {
        return static_cast<int>(QDialog::Rejected);
      }
      ran = true;
      return act(*prefs);
    });
    Frame()->OnCommand(command_ids::kPreferences);
    EXPECT_TRUE(ran);
  }
};

TEST_F(PreferencesDlgTest, OpensOnSecurityWithTheStoredOptionsAndTheExtensionPages) {
  XMExtensionMgr::Instance()->AddExtension(std::make_unique<TestPrefsExtension>());
  const QString hint = QStringLiteral("the usual");
  const uint32_t timeout = 150000;  // two and a half minutes
  ASSERT_TRUE(app_options::WriteOptions(nullptr, &hint, &timeout));

  CPreferencesDlg dialog(m_shell);
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Preferences"));
  CPrefsTabCtrl& tabs = *dialog.TabCtrl();
  ASSERT_EQ(tabs.GetPageCount(), 3);
  EXPECT_EQ(tabs.PageTitle(0), QStringLiteral("Security"));
  EXPECT_EQ(tabs.PageTitle(1), QStringLiteral("Printing"));
  EXPECT_EQ(tabs.PageTitle(2), QStringLiteral("Extra"));
  EXPECT_EQ(tabs.GetCurSel(), 0);
  EXPECT_EQ(tabs.SecurityPage().HintEdit()->text(), hint);
  EXPECT_EQ(tabs.SecurityPage().TimeoutEdit()->text(), QStringLiteral("2"));
}

TEST_F(PreferencesDlgTest, SecurityFieldsAreSavedWhenTheDialogClosesNotWhenTheTabChanges) {
  {
    CPreferencesDlg dialog(m_shell);
    CPrefsTabCtrl& tabs = *dialog.TabCtrl();
    tabs.SecurityPage().TimeoutEdit()->setText(QStringLiteral("5"));
    tabs.SecurityPage().HintEdit()->setText(QStringLiteral("new hint"));
    tabs.TabBar()->setCurrentIndex(1);  // the user taps "Printing"
    ASSERT_EQ(tabs.GetCurSel(), 1);
    EXPECT_EQ(StoredTimeout(), app_options::kDefaultTimeout);
    EXPECT_EQ(StoredHint(), QStringLiteral("Password is zqx"));

    // Coming back shows what was typed, not the stored options again.
    tabs.TabBar()->setCurrentIndex(0);
    EXPECT_EQ(tabs.SecurityPage().TimeoutEdit()->text(), QStringLiteral("5"));
    dialog.reject();  // closing by any way stores the fields
  }
  EXPECT_EQ(StoredTimeout(), 5u * 60000u);
  EXPECT_EQ(StoredHint(), QStringLiteral("new hint"));
}

TEST_F(PreferencesDlgTest, CancelAndEscapeLeaveWithTheStoredValues) {
  for (const bool escape : {false, true}) {
    SCOPED_TRACE(escape ? "Escape" : "Cancel");
    m_shell.printSettings = app_options::PrintSettings{};
    {
      CPreferencesDlg dialog(m_shell);
      dialog.show();
      dialog.activateWindow();
      ASSERT_TRUE(test_wait::Until([&dialog] { return dialog.isActiveWindow(); }));
      CPrefsTabCtrl& tabs = *dialog.TabCtrl();
      tabs.SecurityPage().TimeoutEdit()->setText(QStringLiteral("5"));
      tabs.SecurityPage().HintEdit()->setText(QStringLiteral("new hint"));
      // Page settings taken by a tab change are put back too.
      tabs.TabBar()->setCurrentIndex(1);
      tabs.PrintingPage().PageWidthEdit()->setText(QStringLiteral("100"));
      tabs.TabBar()->setCurrentIndex(0);
      ASSERT_EQ(m_shell.printSettings.pageWidth, 100);
      // An invalid page does not keep the person from leaving either.
      tabs.TabBar()->setCurrentIndex(1);
      tabs.PrintingPage().PageWidthEdit()->setText(QStringLiteral("3"));
      if (escape) {
        QTest::keyClick(tabs.PrintingPage().PageWidthEdit(), Qt::Key_Escape);
      } else {
        dialog.CancelButton()->click();
      }
      EXPECT_EQ(dialog.result(), QDialog::Rejected);
      EXPECT_TRUE(dialog.isHidden());
    }
    EXPECT_EQ(StoredTimeout(), app_options::kDefaultTimeout);
    EXPECT_EQ(StoredHint(), QStringLiteral("Password is zqx"));
    EXPECT_EQ(m_shell.printSettings.pageWidth, 80);
    EXPECT_TRUE(Shown().empty());
  }
}

TEST_F(PreferencesDlgTest, InvalidPrintingPageKeepsItsTabAndTheDialog) {
  StartOptions options = Options();
  options.askPassword = false;
  ASSERT_TRUE(Start(options));
  CPreferencesDlg dialog(*m_app, Frame());
  CPrefsTabCtrl& tabs = *dialog.TabCtrl();
  tabs.TabBar()->setCurrentIndex(1);
  tabs.PrintingPage().PageWidthEdit()->setText(QStringLiteral("14"));
  tabs.TabBar()->setCurrentIndex(0);
  EXPECT_EQ(tabs.GetCurSel(), 1);
  EXPECT_EQ(tabs.TabBar()->currentIndex(), 1);
  dialog.OnOK();
  EXPECT_NE(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(Shown().size(), 2u);

  tabs.PrintingPage().PageWidthEdit()->setText(QStringLiteral("15"));
  dialog.OnOK();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(m_app->PrintSettings().pageWidth, 15);
}

TEST_F(PreferencesDlgTest, TimeoutZeroTurnsTheLockOffAtOnce) {
  StartOptions options = Options();
  options.askPassword = false;
  ASSERT_TRUE(Start(options));
  ASSERT_TRUE(m_app->TimerRunning());

  RunPreferences([](CPreferencesDlg& dialog) {
    dialog.TabCtrl()->SecurityPage().TimeoutEdit()->setText(QStringLiteral("0"));
    dialog.OnOK();
    return dialog.result();
  });
  EXPECT_FALSE(m_app->TimerRunning());
  EXPECT_EQ(m_app->Timeout(), 0u);
  EXPECT_EQ(StoredTimeout(), 0u);
  EXPECT_EQ(ui_seams::ModalTitles().last(), QStringLiteral("Preferences"));

  // One minute arms the lock again, one minute from now; the dialog closed without OK.
  RunPreferences([](CPreferencesDlg& dialog) {
    dialog.TabCtrl()->SecurityPage().TimeoutEdit()->setText(QStringLiteral("1"));
    dialog.reject();
    return dialog.result();
  });
  EXPECT_TRUE(m_app->TimerRunning());
  EXPECT_EQ(m_app->Timeout(), 60000u);
  EXPECT_EQ(filetime::ToTicks(m_app->Deadline()),
            filetime::ToTicks(clock_source::Now()) + 60000u * filetime::kTicksPerMillisecond);
}

TEST_F(PreferencesDlgTest, LongStoredTimeoutIsShownWholeAndKept) {
  const uint32_t timeout = 1000u * 60000u;
  ASSERT_TRUE(app_options::WriteOptions(nullptr, nullptr, &timeout));
  {
    CPreferencesDlg dialog(m_shell);
    EXPECT_EQ(dialog.TabCtrl()->SecurityPage().TimeoutEdit()->text(), QStringLiteral("1000"));
  }
  EXPECT_EQ(StoredTimeout(), timeout);
}

TEST_F(PreferencesDlgTest, TimeoutFieldTakesDigitsUpTo999Minutes) {
  CPreferencesDlg dialog(m_shell);
  QLineEdit* field = dialog.TabCtrl()->SecurityPage().TimeoutEdit();
  field->clear();
  for (const char c : std::string("9a99-9")) {
    field->insert(QString(QLatin1Char(c)));
  }
  EXPECT_EQ(field->text(), QStringLiteral("999"));
  EXPECT_EQ(CSecurityPage::TimeoutFromMinutes(QStringLiteral("999")), 999u * 60000u);
  EXPECT_EQ(CSecurityPage::TimeoutFromMinutes(QString()), 0u);
}

// Writes docs/preferences.png when OVELIN_SCREENSHOT_DIR names a folder.
TEST_F(PreferencesDlgTest, Screenshot) {
  const QString folder = qEnvironmentVariable("OVELIN_SCREENSHOT_DIR");
  if (folder.isEmpty()) {
    GTEST_SKIP() << "OVELIN_SCREENSHOT_DIR is not set";
  }
  CPreferencesDlg dialog(m_shell);
  dialog.show();
  QCoreApplication::processEvents();
  EXPECT_TRUE(dialog.grab().save(folder + QStringLiteral("/preferences.png"), "PNG"));
}

}  // namespace
