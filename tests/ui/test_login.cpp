// The password: the prompt at start-up, the inactivity lock with its time-out, changing the
// password.

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimerEvent>

#include "FakeHost.h"
#include "security/CChangePasswordDlg.h"
#include "security/CLoginDlg.h"
#include "shell/Options.h"
#include "support/Wait.h"
#include "test_app_support.h"

namespace {

using app_test::AddPatient;
using app_test::AppTest;

// Answers the login with a password: OK when it is accepted, else Exit.
ui_seams::ModalHandler TypePassword(const QString& password, QStringList* shownMessages = nullptr) {
  return [password, shownMessages](QDialog& dialog) {
    auto& login = dynamic_cast<CLoginDlg&>(dialog);
    login.PasswordEdit()->setText(password);
    login.OkButton()->click();
    if (login.result() == QDialog::Accepted) {
      return int{QDialog::Accepted};
    }
    if (shownMessages != nullptr) {
      for (const messages::Shown& shown : messages::DefaultRecorder().Messages()) {
        *shownMessages << shown.caption + ": " + shown.text;
      }
    }
    EXPECT_FALSE(login.isHidden() && login.result() == QDialog::Accepted);
    login.ExitButton()->click();
    return login.result();
  };
}

class LoginTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    m_askPassword = true;
  }
  void SetTimeout(uint32_t milliseconds) {
    ASSERT_TRUE(app_options::WriteOptions(nullptr, nullptr, &milliseconds));
  }
  // Delivers one tick of the 50 ms lock check, as its timer does, and runs what it posted.
  void TickTheLockCheck() {
    if (m_app->TimerRunning()) {
      QTimerEvent tick(m_app->LockTimerId());
      QCoreApplication::sendEvent(Frame(), &tick);
    }
    test_wait::Drain();
  }
};

TEST_F(LoginTest, StartUpAsksThePasswordWhenATimeOutIsSet) {
  SetTimeout(60000);
  ui_seams::PushModalHandler(TypePassword("zqx"));
  ASSERT_TRUE(Start());
  EXPECT_EQ(ui_seams::ModalTitles(), QStringList{"Login"});
  EXPECT_TRUE(m_app->TimerRunning());
  EXPECT_FALSE(input_panel::IsUp());  // raised for the prompt, then put back
}

TEST_F(LoginTest, ExitAtStartUpEndsTheProgram) {
  SetTimeout(60000);
  ui_seams::PushModalHandler([](QDialog& dialog) {
    dynamic_cast<CLoginDlg&>(dialog).ExitButton()->click();
    return dialog.result();
  });
  ASSERT_TRUE(Start());
  CMainFrame* frame = Frame();
  ASSERT_NE(frame, nullptr);
  ASSERT_TRUE(test_wait::Until([&] { return frame->IsClosed(); }));
}

TEST_F(LoginTest, ATimeOutOfZeroNeverAsksAndNeverLocks) {
  SetTimeout(0);
  clock_source::Fix(filetime::FromTicks(130'000'000'000'000'000ull));
  ASSERT_TRUE(Start());
  EXPECT_TRUE(ui_seams::ModalTitles().isEmpty());
  EXPECT_FALSE(m_app->TimerRunning());
  clock_source::Advance(24ull * 3600 * 1000);
  TickTheLockCheck();
  EXPECT_TRUE(ui_seams::ModalTitles().isEmpty());
  EXPECT_NE(Frame(), nullptr);
}

TEST_F(LoginTest, TheLockComesAfterTheTimeOutAndNotBefore) {
  SetTimeout(60000);
  clock_source::Fix(filetime::FromTicks(130'000'000'000'000'000ull));
  ui_seams::PushModalHandler(TypePassword("zqx"));
  ASSERT_TRUE(Start());
  ui_seams::ClearModalTitles();

  clock_source::Advance(59999);
  TickTheLockCheck();
  EXPECT_TRUE(ui_seams::ModalTitles().isEmpty());
  EXPECT_TRUE(m_app->TimerRunning());

  ui_seams::PushModalHandler(TypePassword("zqx"));
  clock_source::Advance(2);
  TickTheLockCheck();
  EXPECT_EQ(ui_seams::ModalTitles(), QStringList{"Login"});
  // Unlocked with a fresh deadline, a full time-out from now.
  EXPECT_TRUE(m_app->TimerRunning());
  EXPECT_EQ(filetime::ToTicks(m_app->Deadline()),
            filetime::ToTicks(clock_source::Now()) + 60000 * filetime::kTicksPerMillisecond);
  EXPECT_FALSE(COvelinApp::LockInProgress());
}

TEST_F(LoginTest, TypingMovesTheDeadline) {
  SetTimeout(60000);
  clock_source::Fix(filetime::FromTicks(130'000'000'000'000'000ull));
  ui_seams::PushModalHandler(TypePassword("zqx"));
  ASSERT_TRUE(Start());
  ui_seams::ClearModalTitles();

  clock_source::Advance(50000);
  QTest::keyClick(ListPage().LookupEdit(), Qt::Key_A);
  clock_source::Advance(50000);  // 100 s after start, 50 s after the key
  TickTheLockCheck();
  EXPECT_TRUE(ui_seams::ModalTitles().isEmpty());
}

TEST_F(LoginTest, AWrongPasswordKeepsTheLoginOpenAndExitFromTheLockEndsTheProgram) {
  const QString password = "Secret";
  ASSERT_TRUE(app_options::WriteOptions(&password, nullptr, nullptr));
  SetTimeout(60000);
  AddPatient("Ana", "Chen", "Clinic");
  clock_source::Fix(filetime::FromTicks(130'000'000'000'000'000ull));
  ui_seams::PushModalHandler(TypePassword("Secret"));
  ASSERT_TRUE(Start());
  CMainFrame* frame = Frame();
  ASSERT_NE(frame, nullptr);

  QStringList shown;
  // The stored password in another letter case does not open.
  ui_seams::PushModalHandler(TypePassword("secret", &shown));
  clock_source::Advance(61000);
  ASSERT_TRUE(test_wait::Until([&] { return frame->IsClosed(); }));
  EXPECT_EQ(shown, QStringList{"Login: The password you entered is incorrect!"});
  ASSERT_EQ(messages::DefaultRecorder().Messages().size(), 1u);
  EXPECT_EQ(messages::DefaultRecorder().Messages()[0].icon, messages::Icon::Stop);
  EXPECT_FALSE(m_app->TabStripVisible());
}

TEST_F(LoginTest, WritingATimeOutRestartsOrStopsTheLock) {
  SetTimeout(60000);
  clock_source::Fix(filetime::FromTicks(130'000'000'000'000'000ull));
  ui_seams::PushModalHandler(TypePassword("zqx"));
  ASSERT_TRUE(Start());
  ui_seams::ClearModalTitles();

  const uint32_t off = 0;
  m_app->WriteOptions(nullptr, nullptr, &off);
  EXPECT_FALSE(m_app->TimerRunning());
  clock_source::Advance(3600 * 1000);
  TickTheLockCheck();
  EXPECT_TRUE(ui_seams::ModalTitles().isEmpty());

  const uint32_t minute = 60000;
  m_app->WriteOptions(nullptr, nullptr, &minute);
  EXPECT_TRUE(m_app->TimerRunning());
  EXPECT_EQ(m_app->Timeout(), 60000u);
  ui_seams::PushModalHandler(TypePassword("zqx"));
  clock_source::Advance(60001);
  ASSERT_TRUE(test_wait::Until([&] { return ui_seams::ModalTitles() == QStringList{"Login"}; }))
      << "waited for ui_seams::ModalTitles()";
}

TEST_F(LoginTest, TheLoginPaintsItsLabelsAndTheHintOnThePicture) {
  const QString hint = "the usual";
  ASSERT_TRUE(app_options::WriteOptions(nullptr, &hint, nullptr));
  FakeShell shell;
  CLoginDlg login(shell);
  EXPECT_EQ(login.Hint(), "the usual");
  QStringList texts;
  for (const CBitmapTextWnd::Entry& entry : login.ShownPicture()->Texts()) {
    texts << entry.text;
    EXPECT_FALSE(entry.rect.isEmpty());
  }
  EXPECT_EQ(texts, (QStringList{"Hint:", "Password:", "the usual"}));
}

TEST_F(LoginTest, TheLoginAcceptsOnlyTheStoredPasswordInItsOwnLetterCase) {
  const QString password = "Secret";
  ASSERT_TRUE(app_options::WriteOptions(&password, nullptr, nullptr));
  FakeShell shell;
  for (const char* typed : {"secret", "SECRET", "Secret ", ""}) {
    CLoginDlg login(shell);
    login.PasswordEdit()->setText(typed);
    login.OkButton()->click();
    EXPECT_NE(login.result(), QDialog::Accepted) << typed;
  }
  ASSERT_EQ(messages::DefaultRecorder().Messages().size(), 4u);
  EXPECT_EQ(messages::DefaultRecorder().Messages()[0].text,
            "The password you entered is incorrect!");
  CLoginDlg login(shell);
  login.PasswordEdit()->setText("Secret");
  login.OkButton()->click();
  EXPECT_EQ(login.result(), QDialog::Accepted);
}

TEST_F(LoginTest, ChangingThePasswordNeedsTheOldOne) {
  FakeShell shell;
  CChangePasswordDlg change(shell);
  EXPECT_EQ(change.windowTitle(), "Change Password");
  change.OldPasswordEdit()->setText("ZQX");
  change.NewPasswordEdit()->setText("Zebra");
  change.OkButton()->click();
  EXPECT_NE(change.result(), QDialog::Accepted);
  ASSERT_EQ(messages::DefaultRecorder().Messages().size(), 1u);
  EXPECT_EQ(messages::DefaultRecorder().Messages()[0].caption, "Login");

  change.OldPasswordEdit()->setText("zqx");
  change.OkButton()->click();
  EXPECT_EQ(change.result(), QDialog::Accepted);
  QString password;
  app_options::ReadOptions(&password, nullptr, nullptr);
  EXPECT_EQ(password, "Zebra");

  // An empty new password is stored too.
  CChangePasswordDlg again(shell);
  again.OldPasswordEdit()->setText("Zebra");
  again.OkButton()->click();
  app_options::ReadOptions(&password, nullptr, nullptr);
  EXPECT_EQ(password, "");
}

}  // namespace
