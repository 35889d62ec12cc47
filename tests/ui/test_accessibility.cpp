// Every window and dialog read through Qt's accessibility interfaces, the way a screen reader or
// a UI robot reads the program.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QFile>
#include <QFileInfo>

#include <QAccessibleActionInterface>
#include <QApplication>
#include <QDateEdit>
#include <QDateTime>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "AccessibleTree.h"
#include "AccessibleWindows.h"
#include "common/MessageService.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CPictureButton.h"
#include "patients/CAddPatientDlg.h"
#include "patients/CPatientInfoPage.h"
#include "security/CPreferencesDlg.h"
#include "security/CPrefsTabCtrl.h"
#include "security/CPrintingPage.h"
#include "shell/CommandIds.h"
#include "support/Wait.h"
#include "test_app_support.h"

namespace {

using accessible_windows::Window;

// The program started on a device with the patients of the window table.
class ProgramTest : public app_test::AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    QAccessible::setActive(true);
    accessible_windows::FillDevice();
    // The program as it is installed: with the extensions beside it (the Trends tab).
    StartOptions options = Options();
    options.extensionsFolder = QFileInfo(QStringLiteral(OVELIN_TRENDS_MODULE)).absolutePath();
    ASSERT_TRUE(Start(options));
    m_program = std::make_unique<accessible_windows::Program>(*m_app);
  }

  void TearDown() override {
    ui_seams::ClearModalHandlers();
    m_program.reset();
    AppTest::TearDown();
  }

  // Opens window and hands it to check; fails when it never showed.
  void OpenAndCheck(const Window& window, const accessible_windows::Visit& check) {
    int visits = 0;
    window.open(*m_program, [&](QWidget& shown) {
      ++visits;
      check(shown);
    });
    EXPECT_EQ(visits, 1) << window.name.toStdString() << " did not open";
    EXPECT_EQ(ui_seams::PendingModalHandlers(), 0);
  }

  std::unique_ptr<accessible_windows::Program> m_program;
};

class AccessibleWindowTest : public ProgramTest, public ::testing::WithParamInterface<Window> {
 protected:
  void OpenAndCheck(const accessible_windows::Visit& check) {
    ProgramTest::OpenAndCheck(GetParam(), check);
  }
};

TEST_P(AccessibleWindowTest, NamesEveryControlAndShowsWhatItSaysIsEnabled) {
  OpenAndCheck([](QWidget& window) {
    const auto findings = accessible_tree::Check(window);
    EXPECT_TRUE(findings.empty()) << accessible_tree::Report(findings).toStdString();
  });
}

TEST_P(AccessibleWindowTest, TabReachesEveryControlInReadingOrder) {
  OpenAndCheck([this](QWidget& window) {
    const auto findings = accessible_tree::CheckKeyboard(window, GetParam().tabOrder);
    EXPECT_TRUE(findings.empty()) << accessible_tree::Report(findings).toStdString();
  });
}

// What a person notices of the program: the window's reading, the windows that show, the
// dialogs, messages, file choosers and pop-up menus that opened, and what was stored or printed
// (the files of the device).
struct Noticed {
  QStringList reading;
  QStringList files;
  QStringList windows;
  qsizetype dialogs = 0;
  size_t messages = 0;
  int fileChoosers = 0;
  int popups = 0;
  bool operator==(const Noticed&) const = default;
};

// Presses every button of a window through its accessibility action, as a screen reader or a
// UI robot does, and answers the buttons after whose press nothing could be noticed. Pop-up
// menus are closed as they open, and file choosers answered with none.
class PressWalk : public QObject {
 public:
  PressWalk(QWidget& window, QString deviceFolder)
      : m_window(window), m_deviceFolder(std::move(deviceFolder)) {
    ui_seams::SetSaveFileHandler([this](const ui_seams::SaveFileRequest&) {
      ++m_fileChoosers;
      return QString();
    });
    m_closer.setInterval(20);
    connect(&m_closer, &QTimer::timeout, this, [this] {
      if (QWidget* popup = QApplication::activePopupWidget()) {
        ++m_popups;
        popup->close();
      }
    });
    m_closer.start();
  }

  QStringList PressEveryButton() {
    QStringList silent;
    for (const QPointer<QObject>& button : Buttons()) {
      QAccessibleInterface* object =
          button != nullptr ? QAccessible::queryAccessibleInterface(button) : nullptr;
      if (object == nullptr || object->state().invisible || object->state().disabled ||
          object->actionInterface() == nullptr ||
          !object->actionInterface()->actionNames().contains(
              QAccessibleActionInterface::pressAction())) {
        continue;  // gone, hidden or off since an earlier press
      }
      const QString name = object->text(QAccessible::Name);
      const Noticed before = Notice();
      object->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
      if (!test_wait::Until([this, &before] { return Notice() != before; }, 2000)) {
        silent << name;
      }
    }
    return silent;
  }

 private:
  std::vector<QPointer<QObject>> Buttons() const {
    std::vector<QPointer<QObject>> buttons;
    std::vector<QAccessibleInterface*> pending{QAccessible::queryAccessibleInterface(&m_window)};
    while (!pending.empty()) {
      QAccessibleInterface* object = pending.back();
      pending.pop_back();
      if (object == nullptr || object->state().invisible) {
        continue;
      }
      const QAccessible::Role role = object->role();
      if ((role == QAccessible::PushButton || role == QAccessible::Button ||
           role == QAccessible::ButtonMenu) &&
          object->object() != nullptr) {
        buttons.emplace_back(object->object());
      }
      for (int i = object->childCount() - 1; i >= 0; --i) {
        pending.push_back(object->child(i));
      }
    }
    return buttons;
  }

  Noticed Notice() const {
    Noticed noticed;
    noticed.reading = accessible_tree::Announcements(m_window);
    for (QDirIterator file(m_deviceFolder, QDir::Files, QDirIterator::Subdirectories);
         file.hasNext();) {
      const QFileInfo info(file.next());
      noticed.files << QStringLiteral("%1 %2 %3")
                           .arg(info.filePath())
                           .arg(info.size())
                           .arg(info.lastModified().toMSecsSinceEpoch());
    }
    for (const QWidget* window : QApplication::topLevelWidgets()) {
      if (window->isVisible()) {
        noticed.windows << window->windowTitle() + QLatin1Char('/') + window->objectName();
      }
    }
    noticed.dialogs = ui_seams::ModalTitles().size();
    noticed.messages = messages::DefaultRecorder().Messages().size();
    noticed.fileChoosers = m_fileChoosers;
    noticed.popups = m_popups;
    return noticed;
  }

  QWidget& m_window;
  QString m_deviceFolder;
  QTimer m_closer;
  int m_fileChoosers = 0;
  int m_popups = 0;
};

TEST_P(AccessibleWindowTest, EveryButtonPressedThroughItsActionDoesWhatATapDoes) {
  OpenAndCheck([this](QWidget& window) {
    PressWalk walk(window, m_program->App().DeviceFolder());
    const QStringList silent = walk.PressEveryButton();
    EXPECT_TRUE(silent.isEmpty()) << "nothing happened on pressing: "
                                  << silent.join(QStringLiteral(", ")).toStdString();
  });
}

std::string TestName(const ::testing::TestParamInfo<Window>& info) {
  std::string name;
  for (const QChar c : info.param.name) {
    name += c.isLetterOrNumber() ? static_cast<char>(c.toLatin1()) : '_';
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(EveryWindow, AccessibleWindowTest,
                         ::testing::ValuesIn(accessible_windows::All()), TestName);

// ---------------------------------------------------------------------------------------------
// The checks themselves: a control planted into a window that passes them

QAccessibleInterface* Accessible(QObject* object) {
  return QAccessible::queryAccessibleInterface(object);
}

std::vector<QString> Problems(const std::vector<accessible_tree::Finding>& findings) {
  std::vector<QString> problems;
  for (const auto& finding : findings) {
    problems.push_back(finding.problem);
  }
  return problems;
}

TEST(AccessibleStateTest, ALabelNamedForWhatItShowsSaysWhatItShowsInItsName) {
  // A reader that reads names alone hears the state and the progress, not only what they are.
  QLabel state;
  state.setAccessibleName(QStringLiteral("Access state"));
  state.setText(QStringLiteral("Read Only"));
  QAccessibleInterface* label = Accessible(&state);
  EXPECT_EQ(label->text(QAccessible::Name), QStringLiteral("Access state: Read Only"));
  state.setText(QStringLiteral("\nSending 2 of 3 patients"));
  EXPECT_EQ(label->text(QAccessible::Name),
            QStringLiteral("Access state: Sending 2 of 3 patients"));
  // A blank state leaves the name alone.
  state.setText(QStringLiteral(" "));
  EXPECT_EQ(label->text(QAccessible::Name), QStringLiteral("Access state"));
}

TEST(AccessibleStateTest, AScrollBarThatShowsBesideALongTextIsNamed) {
  QPlainTextEdit text;
  text.setAccessibleName(QStringLiteral("Note text"));
  text.resize(200, 80);
  text.setPlainText(QStringLiteral("line\n").repeated(40));
  text.show();
  ASSERT_TRUE(text.verticalScrollBar()->isVisible());
  EXPECT_EQ(Accessible(text.verticalScrollBar())->text(QAccessible::Name),
            QStringLiteral("Vertical scroll bar"));
  const auto findings = accessible_tree::Check(text);
  EXPECT_TRUE(findings.empty()) << accessible_tree::Report(findings).toStdString();
}

TEST_F(ProgramTest, TheChecksFindAControlPlantedWithoutANameOrOutOfReach) {
  OpenAndCheck(*accessible_windows::Find(QStringLiteral("Add Patient")), [](QWidget& dialog) {
    ASSERT_TRUE(accessible_tree::Check(dialog).empty());
    auto* planted = new QLineEdit(&dialog);
    planted->setObjectName(QStringLiteral("planted"));
    planted->setGeometry(10, 10, 80, 20);
    planted->show();
    auto findings = accessible_tree::Check(dialog);
    ASSERT_EQ(findings.size(), 1u) << accessible_tree::Report(findings).toStdString();
    EXPECT_TRUE(findings[0].path.contains(QStringLiteral("planted")));
    EXPECT_EQ(findings[0].problem, QStringLiteral("has no name"));

    planted->setAccessibleName(QStringLiteral("Planted"));
    EXPECT_TRUE(accessible_tree::Check(dialog).empty());
    // Its name removed again, it is found again.
    planted->setAccessibleName(QString());
    EXPECT_EQ(Problems(accessible_tree::Check(dialog)),
              std::vector<QString>{QStringLiteral("has no name")});
    planted->setAccessibleName(QStringLiteral("Planted"));
    planted->hide();
    EXPECT_EQ(Problems(accessible_tree::Check(dialog)),
              std::vector<QString>{QStringLiteral("is enabled but hidden")});
    planted->setEnabled(false);
    EXPECT_TRUE(accessible_tree::Check(dialog).empty());

    // A picture button without a word of its own is read by its pictures' caption.
    auto* pictures = new CPictureButton(QStringLiteral("EXPORT"), &dialog);
    pictures->move(100, 10);
    pictures->show();
    EXPECT_EQ(
        Problems(accessible_tree::Check(dialog)),
        std::vector<QString>{QStringLiteral("is named by its pictures' caption, not by a word")});
    pictures->setAccessibleName(QStringLiteral("Export"));
    EXPECT_TRUE(accessible_tree::Check(dialog).empty());

    // A button that takes no focus is out of the keyboard's reach.
    ASSERT_TRUE(accessible_tree::CheckKeyboard(dialog).empty());
    pictures->setFocusPolicy(Qt::NoFocus);
    findings = accessible_tree::CheckKeyboard(dialog);
    ASSERT_EQ(findings.size(), 1u) << accessible_tree::Report(findings).toStdString();
    EXPECT_TRUE(findings[0].path.contains(QStringLiteral("Export")));
    EXPECT_EQ(findings[0].problem, QStringLiteral("is never reached by Tab"));
    delete pictures;
    delete planted;
  });
}

// ---------------------------------------------------------------------------------------------
// Operating the program through its accessibility interfaces and its keys

void Press(QAccessibleInterface* object, const QString& action) {
  ASSERT_NE(object, nullptr);
  QAccessibleActionInterface* actions = object->actionInterface();
  ASSERT_NE(actions, nullptr);
  ASSERT_TRUE(actions->actionNames().contains(action))
      << object->text(QAccessible::Name).toStdString();
  actions->doAction(action);
}

QAccessibleInterface* ChildNamed(QAccessibleInterface* parent, const QString& name) {
  for (int i = 0; parent != nullptr && i < parent->childCount(); ++i) {
    if (QAccessibleInterface* child = parent->child(i);
        child != nullptr && child->text(QAccessible::Name) == name) {
      return child;
    }
  }
  return nullptr;
}

class AccessibleControlTest : public ProgramTest {
 protected:
  CPatientTabCtrl& Strip() const { return m_program->Strip(); }
  CPatientListPage& MainPage() const { return Strip().ListPage(); }
  // The main window becomes the active one again (a menu or dialog had it), so that its keys
  // and focus work.
  void ActivateFrame() const {
    m_program->Frame().activateWindow();
    ASSERT_TRUE(
        test_wait::Until([this] { return QApplication::activeWindow() == &m_program->Frame(); }));
  }
};

TEST_F(AccessibleControlTest, ChartTabsMarkTheCurrentTabAndArePickedByActionAndArrowKeys) {
  QAccessibleInterface* tabs = Accessible(Strip().TabBar());
  ASSERT_NE(tabs, nullptr);
  EXPECT_EQ(tabs->role(), QAccessible::PageTabList);
  EXPECT_EQ(tabs->text(QAccessible::Name), QStringLiteral("Chart tabs"));
  EXPECT_EQ(tabs->text(QAccessible::Value), QStringLiteral("Main"));
  QAccessibleInterface* info = ChildNamed(tabs, QStringLiteral("Info"));
  ASSERT_NE(info, nullptr);
  EXPECT_TRUE(ChildNamed(tabs, QStringLiteral("Main"))->state().selected);
  EXPECT_FALSE(info->state().selected);
  EXPECT_EQ(tabs->indexOfChild(info), 1);

  Press(info, QAccessibleActionInterface::pressAction());
  EXPECT_EQ(Strip().GetCurSel(), 1);
  EXPECT_TRUE(info->state().selected);
  EXPECT_FALSE(ChildNamed(tabs, QStringLiteral("Main"))->state().selected);

  Strip().TabBar()->setFocus(Qt::TabFocusReason);
  QTest::keyClick(Strip().TabBar(), Qt::Key_Right);
  EXPECT_EQ(Strip().GetCurSel(), 2);
  EXPECT_EQ(tabs->text(QAccessible::Value), QStringLiteral("Meds/Rx"));
}

TEST_F(AccessibleControlTest, APageThatRefusesToBeLeftKeepsItsTabWhenItIsPickedByAction) {
  ui_seams::PushModalHandler(
      accessible_windows::Expect<CPreferencesDlg>([](CPreferencesDlg& dialog) {
        auto* strip = dialog.findChild<CPrefsTabCtrl*>();
        ASSERT_TRUE(strip->SelectPage(1));
        auto* printing = dynamic_cast<CPrintingPage*>(strip->GetPage(1));
        printing->LinesPerPageEdit()->setText(QStringLiteral("many"));
        Press(ChildNamed(Accessible(strip->TabBar()), QStringLiteral("Security")),
              QAccessibleActionInterface::pressAction());
        EXPECT_EQ(strip->GetCurSel(), 1);
        ASSERT_EQ(messages::DefaultRecorder().Messages().size(), 1u);
        EXPECT_EQ(messages::DefaultRecorder().Messages()[0].text,
                  QStringLiteral("Please enter an integer."));
      }));
  m_program->Command(command_ids::kPreferences);
  EXPECT_EQ(ui_seams::PendingModalHandlers(), 0);
}

TEST_F(AccessibleControlTest, TheFileMenuOpensThroughItsButtonAndWithF10OrAltF) {
  auto* file = m_program->Frame().findChild<QToolButton*>(QStringLiteral("fileMenuButton"));
  ASSERT_NE(file, nullptr);
  QMenu* menu = file->menu();
  int opened = 0;
  QObject::connect(menu, &QMenu::aboutToShow, menu, [&opened, menu] {
    ++opened;
    QTimer::singleShot(0, menu, &QMenu::close);
  });
  QAccessibleInterface* button = Accessible(file);
  EXPECT_EQ(button->text(QAccessible::Name), QStringLiteral("File"));
  EXPECT_EQ(button->role(), QAccessible::ButtonMenu);
  Press(button, QAccessibleActionInterface::showMenuAction());
  ASSERT_TRUE(test_wait::Until([&opened] { return opened == 1; }));

  ActivateFrame();
  QTest::keyClick(&m_program->Frame(), Qt::Key_F10);
  ASSERT_TRUE(test_wait::Until([&opened] { return opened == 2; }));
  ActivateFrame();
  QTest::keyClick(&m_program->Frame(), Qt::Key_F, Qt::AltModifier);
  ASSERT_TRUE(test_wait::Until([&opened] { return opened == 3; }));
}

TEST_F(AccessibleControlTest, TheTypeBoxIsNamedByItsLabelAndItsEntriesAreChosenByAction) {
  QComboBox* type = MainPage().TypeCombo();
  QAccessibleInterface* box = Accessible(type);
  EXPECT_EQ(box->role(), QAccessible::ComboBox);
  EXPECT_EQ(box->text(QAccessible::Name), QStringLiteral("Type:"));
  EXPECT_EQ(box->text(QAccessible::Value), type->currentText());
  // The label and the box are related both ways on the bus.
  const auto labels = box->relations(QAccessible::Label);
  ASSERT_EQ(labels.size(), 1);
  EXPECT_EQ(labels[0].first->text(QAccessible::Name), QStringLiteral("Type:"));
  const auto labelled = labels[0].first->relations(QAccessible::Labelled);
  ASSERT_EQ(labelled.size(), 1);
  EXPECT_EQ(labelled[0].first, box);
  EXPECT_EQ(box->childCount(), type->count());
  QAccessibleInterface* hospital = ChildNamed(box, QStringLiteral("Hospital"));
  QAccessibleInterface* clinic = ChildNamed(box, QStringLiteral("Clinic"));
  ASSERT_NE(hospital, nullptr);
  ASSERT_NE(clinic, nullptr);

  Press(hospital, QAccessibleActionInterface::pressAction());
  EXPECT_EQ(MainPage().CurrentType(), QStringLiteral("Hospital"));
  EXPECT_EQ(box->text(QAccessible::Value), QStringLiteral("Hospital"));
  EXPECT_TRUE(hospital->state().selected);
  EXPECT_FALSE(clinic->state().selected);
  EXPECT_EQ(MainPage().List()->GetItemCount(), 0);

  Press(clinic, QAccessibleActionInterface::pressAction());
  EXPECT_EQ(MainPage().CurrentType(), QStringLiteral("Clinic"));
  EXPECT_EQ(box->text(QAccessible::Name), QStringLiteral("Type:"));
  EXPECT_TRUE(clinic->state().selected);
  // The list shows the patients of the type chosen.
  EXPECT_EQ(MainPage().List()->GetItemCount(), 2);
}

TEST_F(AccessibleControlTest, TheAdmitDateGivesTheDateItShowsAndStepsByAction) {
  m_program->SelectPatient(QString::fromLatin1(accessible_windows::kPatient));
  ASSERT_TRUE(m_program->ShowTab(QStringLiteral("Info")));
  auto* page = dynamic_cast<CPatientInfoPage*>(Strip().GetPage(1));
  QDateEdit* picker = page->AdmitDatePicker();
  QAccessibleInterface* field = Accessible(picker);
  EXPECT_EQ(field->text(QAccessible::Name), strings::Load(ids::kAdmitDateLabel));
  EXPECT_EQ(field->text(QAccessible::Value), picker->text());
  EXPECT_FALSE(picker->text().isEmpty());
  // No number stands for the date: a reader would say 0.
  EXPECT_EQ(field->valueInterface(), nullptr);
  QAccessibleTextInterface* text = field->textInterface();
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->text(0, text->characterCount()), picker->text());

  const QDate before = picker->date();
  // Down a step (the admission cannot be later than today).
  Press(field, QAccessibleActionInterface::decreaseAction());
  EXPECT_NE(picker->date(), before);
  EXPECT_EQ(field->text(QAccessible::Value), picker->text());
}

TEST_F(AccessibleControlTest, PictureButtonsAreWordsAndTheirLookAlikesCannotBePressed) {
  m_program->SelectPatient(QString::fromLatin1(accessible_windows::kPatient));
  QAccessibleInterface* remove = Accessible(MainPage().DeleteButton());
  QAccessibleInterface* move = Accessible(MainPage().MoveButton());
  QAccessibleInterface* lookAlike = Accessible(MainPage().NoMoveButton());
  ASSERT_NE(lookAlike, nullptr);
  EXPECT_EQ(remove->text(QAccessible::Name), QStringLiteral("Delete"));
  EXPECT_EQ(move->text(QAccessible::Name), QStringLiteral("Move"));
  EXPECT_FALSE(move->state().disabled);
  // Hidden, the look-alike is nothing to press.
  EXPECT_TRUE(lookAlike->state().invisible);
  EXPECT_TRUE(lookAlike->state().disabled);

  m_program->SelectPatient(QString::fromLatin1(accessible_windows::kReadOnlyPatient));
  EXPECT_FALSE(lookAlike->state().invisible);
  EXPECT_EQ(lookAlike->text(QAccessible::Name), QStringLiteral("Move (read only)"));
  EXPECT_TRUE(lookAlike->state().disabled);
  QAccessibleActionInterface* lookAlikeActions = lookAlike->actionInterface();
  ASSERT_NE(lookAlikeActions, nullptr);
  EXPECT_TRUE(lookAlikeActions->actionNames().isEmpty());
  // The button it stands in for is hidden and cannot be pressed either.
  EXPECT_TRUE(move->state().disabled);
  QAccessibleActionInterface* moveActions = move->actionInterface();
  ASSERT_NE(moveActions, nullptr);
  EXPECT_TRUE(moveActions->actionNames().isEmpty());

  m_program->SelectPatient(QString::fromLatin1(accessible_windows::kPatient));
  messages::DefaultRecorder().SetNextAnswer(messages::Answer::Cancel);
  Press(remove, QAccessibleActionInterface::pressAction());
  ASSERT_EQ(messages::DefaultRecorder().Messages().size(), 1u);
  EXPECT_EQ(messages::DefaultRecorder().Messages()[0].text,
            QStringLiteral("Are you sure you want to delete this patient?"));
  EXPECT_EQ(MainPage().List()->GetItemCount(), 2);
}

TEST_F(AccessibleControlTest, PictureButtonsTakeTheFocusFromTabOnlyShowItAndPressWithSpace) {
  m_program->SelectPatient(QString::fromLatin1(accessible_windows::kPatient));
  CPictureButton* remove = MainPage().DeleteButton();
  EXPECT_EQ(remove->focusPolicy(), Qt::TabFocus);
  EXPECT_EQ(MainPage().findChild<CPictureButton*>(QStringLiteral("NODELETE"))->focusPolicy(),
            Qt::NoFocus);
  const QImage unfocused = remove->grab().toImage();
  ActivateFrame();
  remove->setFocus(Qt::TabFocusReason);
  ASSERT_TRUE(test_wait::Until([remove] { return remove->hasFocus(); }));
  EXPECT_NE(remove->grab().toImage(), unfocused);

  messages::DefaultRecorder().SetNextAnswer(messages::Answer::Cancel);
  QTest::keyClick(remove, Qt::Key_Space);
  EXPECT_EQ(messages::DefaultRecorder().Messages().size(), 1u);
}

TEST_F(AccessibleControlTest, AnInPlaceEditorIsNamedForItsRow) {
  ui_seams::PushModalHandler(accessible_windows::Expect<CAddPatientDlg>([](CAddPatientDlg& dialog) {
    CBaseListCtrl* list = dialog.List();
    ASSERT_TRUE(list->EditRow(0));
    QApplication::processEvents();
    QAccessibleInterface* editor = Accessible(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(QAccessible::Name), list->GetItemText(0, CBaseListCtrl::kLabelColumn));
    EXPECT_TRUE(accessible_tree::Check(dialog).empty());
  }));
  m_program->Command(command_ids::kNewPatient);
}

TEST_F(AccessibleControlTest, ThePasswordBoxIsNamedByItsLabelAndToldTheHint) {
  OpenAndCheck(*accessible_windows::Find(QStringLiteral("Login")), [](QWidget& login) {
    QAccessibleInterface* box =
        Accessible(login.findChild<QLineEdit*>(QStringLiteral("passwordEdit")));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(QAccessible::Name), QStringLiteral("Password:"));
    EXPECT_TRUE(box->state().passwordEdit);
    EXPECT_TRUE(box->text(QAccessible::Description).startsWith(QStringLiteral("Hint:")));
    const auto labels = box->relations(QAccessible::Label);
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels[0].first->text(QAccessible::Name), QStringLiteral("Password:"));
  });
}

TEST_F(AccessibleControlTest, EscapeCancelsAnEntryDialogAndStoresNothing) {
  int result = -1;
  bool closed = false;
  ui_seams::PushModalHandler([&result, &closed](QDialog& dialog) {
    dialog.setResult(QDialog::Accepted);  // so that only a cancel makes it Rejected
    accessible_windows::ShowAndVisit(dialog, [&closed](QWidget& shown) {
      QTest::keyClick(&shown, Qt::Key_Escape);
      closed = !shown.isVisible();
    });
    result = dialog.result();
    return result;
  });
  m_program->Command(command_ids::kNewPatient);
  EXPECT_TRUE(closed);
  EXPECT_EQ(result, QDialog::Rejected);
  EXPECT_EQ(MainPage().List()->GetItemCount(), 2);
}

TEST_F(AccessibleControlTest, EnterInAPreferenceFieldPressesOk) {
  int result = -1;
  ui_seams::PushModalHandler([&result](QDialog& dialog) {
    accessible_windows::ShowAndVisit(dialog, [](QWidget& shown) {
      auto* hint = shown.findChild<QLineEdit*>(QStringLiteral("hintEdit"));
      hint->setFocus();
      QTest::keyClick(hint, Qt::Key_Return);
    });
    result = dialog.result();
    return result;
  });
  m_program->Command(command_ids::kPreferences);
  EXPECT_EQ(result, QDialog::Accepted);
}

// What a screen reader announces for the windows that docs/accessibility.md lists: the test
// rewrites that file's walk (everything after its marker line) when OVELIN_ACCESSIBILITY_DOC
// names the file, and is skipped otherwise.
class ScreenReaderWalk : public ProgramTest {};

const char* const kDocumentedWindows[] = {
    "Main window: Main",
    "Main window: Info",
    "Main window: Meds/Rx",
    "Main window: VS/Tests, labs",
    "Main window: VS/Tests, vitals",
    "Main window: VS/Tests, tests",
    "Main window: Notes",
    "Main window: Todo",
    "Main window: Trends",
    "Login",
    "Add Patient",
    "Preferences: Security",
    "Preferences: Printing",
    "Main window: Main, read-only patient",
};

TEST_F(ScreenReaderWalk, WritesWhatIsAnnouncedForTheDocumentedWindows) {
  const QString path = qEnvironmentVariable("OVELIN_ACCESSIBILITY_DOC");
  if (path.isEmpty()) {
    GTEST_SKIP() << "OVELIN_ACCESSIBILITY_DOC names no file";
  }
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QString marker = QStringLiteral("<!-- The walk below is written by the test. -->\n");
  QString text = QString::fromUtf8(file.readAll());
  file.close();
  const qsizetype at = text.indexOf(marker);
  ASSERT_GE(at, 0) << "no marker line in " << path.toStdString();
  text.truncate(at + marker.size());
  for (const char* name : kDocumentedWindows) {
    const Window* window = accessible_windows::Find(QString::fromLatin1(name));
    ASSERT_NE(window, nullptr) << name;
    OpenAndCheck(*window, [&](QWidget& shown) {
      text += QStringLiteral("\n### %1\n\n```\n").arg(window->name);
      text += accessible_tree::Announcements(shown).join(QLatin1Char('\n'));
      text += QStringLiteral("\n```\n");
    });
    m_program->Strip().SelectPage(0);
  }
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(text.toUtf8());
}

}  // namespace
