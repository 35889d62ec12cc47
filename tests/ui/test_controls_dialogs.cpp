#include <gtest/gtest.h>

#include <sqlite3.h>

#include <QMainWindow>

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "common/CDBCategories.h"
#include "common/CDBPatient.h"
#include "common/MessageService.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CEditCategoriesDlg.h"
#include "common/ui/CPictureButton.h"
#include "common/ui/CPopupList.h"
#include "common/ui/CProgressDlg.h"
#include "common/ui/CTabPage.h"
#include "common/ui/InputPanel.h"
#include "common/ui/OnScreenKeyboard.h"
#include "common/ui/QtControls.h"
#include "common/ui/UiSeams.h"
#include "platform/Device.h"
#include "support/TempDevice.h"
#include "support/TestGuard.h"

namespace {

class DialogTest : public ::testing::Test {
 protected:
  // Scripts the next name prompt: types text and confirms, or cancels.
  static void AnswerPrompt(const QString& text, bool accept = true) {
    ui_seams::PushModalHandler([text, accept](QDialog& dialog) {
      auto* prompt = dynamic_cast<CNamePromptDlg*>(&dialog);
      EXPECT_NE(prompt, nullptr) << "a name prompt was expected";
      if (prompt == nullptr) {
        return int{QDialog::Rejected};
      }
      prompt->Edit()->setText(text);
      return accept ? int{QDialog::Accepted} : int{QDialog::Rejected};
    });
  }

  static QStringList Stored(int listId) { return CDBCategories().GetListItems(listId); }

  TestGuard guard;
  TempDevice device;
};

TEST_F(DialogTest, CategoryEditorAddsRenamesAndDeletesThroughItsPrompts) {
  const int list = CDBCategories::kPatientTypeList;
  const QStringList factory = Stored(list);
  ASSERT_EQ(factory, QStringList({QStringLiteral("Hospital"), QStringLiteral("Clinic")}));

  CEditCategoriesDlg editor(list);
  EXPECT_EQ(editor.windowTitle(), strings::Load(ids::kEditCategoriesTitle));
  EXPECT_EQ(editor.Entries(), factory);
  auto* entries = editor.findChild<QListWidget*>(QStringLiteral("entries"));
  ASSERT_NE(entries, nullptr);

  AnswerPrompt(QStringLiteral("Nursing Home"));
  editor.findChild<QPushButton*>(QStringLiteral("new"))->click();
  EXPECT_EQ(Stored(list).last(), QStringLiteral("Nursing Home"));
  EXPECT_EQ(entries->currentItem()->text(), QStringLiteral("Nursing Home"));

  // The rename prompt starts with the entry's name.
  entries->setCurrentRow(1);
  ui_seams::PushModalHandler([](QDialog& dialog) {
    auto* prompt = dynamic_cast<CNamePromptDlg*>(&dialog);
    EXPECT_NE(prompt, nullptr);
    if (prompt == nullptr) {
      return int{QDialog::Rejected};
    }
    EXPECT_EQ(prompt->Text(), QStringLiteral("Clinic"));
    prompt->Edit()->setText(QStringLiteral("Outpatient Clinic"));
    return int{QDialog::Accepted};
  });
  editor.findChild<QPushButton*>(QStringLiteral("rename"))->click();
  EXPECT_EQ(Stored(list),
            QStringList({QStringLiteral("Hospital"), QStringLiteral("Outpatient Clinic"),
                         QStringLiteral("Nursing Home")}));

  entries->setCurrentRow(0);
  editor.findChild<QPushButton*>(QStringLiteral("delete"))->click();
  EXPECT_EQ(Stored(list),
            QStringList({QStringLiteral("Outpatient Clinic"), QStringLiteral("Nursing Home")}));
  EXPECT_EQ(editor.Entries(), Stored(list));
}

TEST_F(DialogTest, DeletingAPatientTypeThatPatientsUseAsksFirst) {
  for (const char* last : {"Ames", "Baker"}) {
    CDBPatient patient;
    patient.firstName = "Al";
    patient.lastName = last;
    patient.patientType = "Hospital";
    ASSERT_TRUE(patient.CreateRecord(false));
  }
  CEditCategoriesDlg editor(CDBCategories::kPatientTypeList);
  auto* entries = editor.findChild<QListWidget*>(QStringLiteral("entries"));
  auto* remove = editor.findChild<QPushButton*>(QStringLiteral("delete"));
  messages::Recorder& recorder = messages::DefaultRecorder();

  // "Hospital" holds two patients: Cancel keeps it.
  entries->setCurrentRow(0);
  recorder.SetNextAnswer(messages::Answer::Cancel);
  remove->click();
  ASSERT_EQ(recorder.Messages().size(), 1u);
  EXPECT_TRUE(recorder.Messages()[0].text.startsWith("2 patients are filed under \"Hospital\"."));
  EXPECT_EQ(recorder.Messages()[0].buttons, messages::Buttons::OkCancel);
  EXPECT_EQ(Stored(CDBCategories::kPatientTypeList), (QStringList{"Hospital", "Clinic"}));

  // An unused type goes without a question; a used one after OK.
  entries->setCurrentRow(1);
  remove->click();
  EXPECT_EQ(recorder.Messages().size(), 1u);
  entries->setCurrentRow(0);
  recorder.SetNextAnswer(messages::Answer::Ok);
  remove->click();
  EXPECT_TRUE(Stored(CDBCategories::kPatientTypeList).isEmpty());

  // Other lists are not about patients: their entries go at once.
  CEditCategoriesDlg races(CDBCategories::kRaceList);
  races.findChild<QListWidget*>(QStringLiteral("entries"))->setCurrentRow(0);
  races.findChild<QPushButton*>(QStringLiteral("delete"))->click();
  EXPECT_EQ(recorder.Messages().size(), 2u);
}

TEST_F(DialogTest, CategoryEditorIgnoresCancelledAndBlankNamesAndDuplicates) {
  const int list = CDBCategories::kRoomList;
  CEditCategoriesDlg editor(list);
  auto* add = editor.findChild<QPushButton*>(QStringLiteral("new"));
  AnswerPrompt(QStringLiteral("ICU"), false);
  add->click();
  AnswerPrompt(QStringLiteral("   "));
  add->click();
  EXPECT_TRUE(Stored(list).isEmpty());
  AnswerPrompt(QStringLiteral("ICU"));
  add->click();
  AnswerPrompt(QStringLiteral("icu"));
  add->click();
  EXPECT_EQ(Stored(list), QStringList({QStringLiteral("ICU")}));
  EXPECT_EQ(ui_seams::PendingModalHandlers(), 0);

  // Rename and Delete need a selected entry.
  editor.findChild<QListWidget*>(QStringLiteral("entries"))->setCurrentRow(-1);
  EXPECT_FALSE(editor.findChild<QPushButton*>(QStringLiteral("rename"))->isEnabled());
  EXPECT_FALSE(editor.findChild<QPushButton*>(QStringLiteral("delete"))->isEnabled());
}

// A new or renamed entry that cannot be stored is told (here the device met damage, so it refuses
// every change), and the list shows what is stored.
TEST_F(DialogTest, CategoryEditorTellsOfAnEntryItCouldNotStore) {
  const int list = CDBCategories::kPatientTypeList;
  const QStringList factory = Stored(list);
  CEditCategoriesDlg editor(list);
  device.device().NoteDamage(
      {SQLITE_CORRUPT, QStringLiteral("objectstore.db"), QStringLiteral("test")});
  AnswerPrompt(QStringLiteral("Nursing Home"));
  editor.findChild<QPushButton*>(QStringLiteral("new"))->click();
  editor.findChild<QListWidget*>(QStringLiteral("entries"))->setCurrentRow(0);
  AnswerPrompt(QStringLiteral("Ward"));
  editor.findChild<QPushButton*>(QStringLiteral("rename"))->click();
  const std::vector<messages::Shown>& shown = messages::DefaultRecorder().Messages();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].text, QStringLiteral("The category could not be saved."));
  EXPECT_EQ(shown[1].text, QStringLiteral("The category could not be saved."));
  EXPECT_EQ(editor.Entries(), factory);
}

TEST_F(DialogTest, CategoryEditorRunsModallyThroughTheSeam) {
  CEditCategoriesDlg editor(CDBCategories::kRaceList);
  ui_seams::PushModalHandler([](QDialog& dialog) {
    dialog.findChild<QPushButton*>(QStringLiteral("ok"))->click();
    return dialog.result();
  });
  EXPECT_EQ(editor.DoModal(), QDialog::Accepted);
  EXPECT_EQ(ui_seams::PendingModalHandlers(), 0);
  EXPECT_EQ(ui_seams::ModalTitles(), QStringList({strings::Load(ids::kEditCategoriesTitle)}));
}

// Picks the entry with that text in the next pop-up list.
void PickInPopup(const QString& text) {
  ui_seams::PushModalHandler([text](QDialog& dialog) {
    auto* entries = dialog.findChild<QListWidget*>(QStringLiteral("entries"));
    const QList<QListWidgetItem*> found =
        entries != nullptr ? entries->findItems(text, Qt::MatchExactly) : QList<QListWidgetItem*>();
    EXPECT_EQ(found.size(), 1) << text.toStdString();
    if (found.isEmpty()) {
      return int{QDialog::Rejected};
    }
    entries->setCurrentItem(found.constFirst());
    return int{QDialog::Accepted};
  });
}

TEST_F(DialogTest, PopupListOffersItsListAndNotifiesThePick) {
  CPopupList popup;
  popup.SetType(CDBCategories::kAllergiesList);
  // The allergies pick list brings the auto-text allergies with it.
  EXPECT_TRUE(popup.Entries().contains(QStringLiteral("NKDA")));
  QSignalSpy notified(&popup, &CPopupList::notify);

  PickInPopup(QStringLiteral("NKDA"));
  EXPECT_TRUE(popup.DoPopup());
  ASSERT_EQ(notified.count(), 1);
  EXPECT_EQ(notified.at(0).at(0).toInt(), 1);
  EXPECT_EQ(notified.at(0).at(1).toString(), QStringLiteral("NKDA"));

  // Dismissing the pop-up picks nothing.
  ui_seams::PushModalHandler([](QDialog& /*dialog*/) { return int{QDialog::Rejected}; });
  EXPECT_FALSE(popup.DoPopup());
  EXPECT_EQ(notified.count(), 1);

  // Tapping the button opens the pop-up.
  popup.SetEntries({QStringLiteral("Cough"), QStringLiteral("Fever")});
  PickInPopup(QStringLiteral("Fever"));
  popup.show();
  QTest::mouseClick(&popup, Qt::LeftButton);
  ASSERT_EQ(notified.count(), 2);
  EXPECT_EQ(notified.at(1).at(1).toString(), QStringLiteral("Fever"));
}

TEST_F(DialogTest, PopupListOpensNextToItsButtonInsideTheWindow) {
  QWidget window;
  window.setGeometry(0, 0, 480, 640);
  CPopupList popup;
  popup.setParent(&window);
  popup.SetEntries(
      QStringLiteral("Entry").repeated(12).split(QStringLiteral("y"), Qt::SkipEmptyParts));
  window.show();
  QRect shown;
  const auto record = [&shown](QDialog& dialog) {
    shown = dialog.geometry();
    return int{QDialog::Rejected};
  };
  // Near the top: the list drops down from the button's bottom edge, their left edges aligned.
  popup.move(20, 100);
  ui_seams::PushModalHandler(record);
  popup.DoPopup();
  const QRect button(popup.mapToGlobal(QPoint()), popup.size());
  EXPECT_EQ(shown.top(), button.bottom() + 1);
  EXPECT_EQ(shown.left(), button.left());
  // Near the bottom right: above the button, still inside the window.
  popup.move(470, 600);
  ui_seams::PushModalHandler(record);
  popup.DoPopup();
  const QRect corner(popup.mapToGlobal(QPoint()), popup.size());
  EXPECT_EQ(shown.bottom(), corner.top() - 1);
  EXPECT_TRUE(QRect(window.mapToGlobal(QPoint()), window.size()).contains(shown)) << shown.x();
}

TEST_F(DialogTest, PopupListCtrlOffersACategoryList) {
  QWidget owner;
  CPopupListCtrl popup;
  QSignalSpy notified(&popup, &CPopupListCtrl::notify);
  PickInPopup(QStringLiteral("Clinic"));
  EXPECT_EQ(popup.DoPopup(0, 0, CDBCategories::kPatientTypeList, &owner, QPoint(10, 10)),
            QStringLiteral("Clinic"));
  ASSERT_EQ(notified.count(), 1);
  EXPECT_EQ(notified.at(0).at(0).toInt(), 1);
  EXPECT_EQ(notified.at(0).at(1).toString(), QStringLiteral("Clinic"));

  // An empty list shows nothing and picks nothing.
  EXPECT_EQ(popup.DoPopup(0, 0, CDBCategories::kDoctorList, &owner, QPoint()), QString());
  EXPECT_EQ(ui_seams::ModalTitles().size(), 1);
}

TEST_F(DialogTest, ProgressDialogShowsTheStatusAndReportsCancel) {
  CProgressDlg progress;
  progress.Start();
  progress.SetStatus(ids::kAppName);
  EXPECT_EQ(progress.Status(), strings::Load(ids::kAppName));
  progress.SetStatus(QStringLiteral("\nSending record"));
  EXPECT_EQ(progress.Status(), QStringLiteral("Sending record"));
  progress.SetProgress(3, 10);
  EXPECT_EQ(progress.Position(), 3);
  EXPECT_EQ(progress.Range(), 10);
  EXPECT_FALSE(progress.IsCancelled());
  progress.findChild<QPushButton*>(QStringLiteral("cancel"))->click();
  EXPECT_TRUE(progress.IsCancelled());
  EXPECT_TRUE(progress.isVisible()) << "the work closes the dialog when it stops";
}

TEST(PictureButtonTest, EveryButtonCaptionHasItsThreePictures) {
  for (int id = ids::kPictureSave; id <= ids::kPicturePopup; ++id) {
    const QString caption = strings::Load(id);
    for (const char* suffix : {"U", "D", "X"}) {
      EXPECT_TRUE(QFile::exists(CPictureButton::PicturePath(caption, QString::fromLatin1(suffix))))
          << caption.toStdString() << suffix;
    }
  }
  CPictureButton save(QStringLiteral("SAVE"));
  EXPECT_TRUE(save.LoadBitmaps(QStringLiteral("SAVE")));
  EXPECT_FALSE(save.IsInert());
  EXPECT_GE(save.sizeHint().width(), 60);
  CPictureButton unknown(QStringLiteral("NOPICTURE"));
  EXPECT_FALSE(unknown.LoadBitmaps(QStringLiteral("NOPICTURE")));
}

TEST(PictureButtonTest, TheNoTwinLooksLikeTheButtonAndDoesNothing) {
  QWidget page;
  auto* save = new CPictureButton(QStringLiteral("SAVE"), &page);
  auto* noSave = new CPictureButton(QStringLiteral("NOSAVE"), &page);
  page.show();
  EXPECT_TRUE(noSave->IsInert());
  EXPECT_EQ(noSave->size(), save->size());
  QSignalSpy saveClicks(save, &QAbstractButton::clicked);
  QSignalSpy noSaveClicks(noSave, &QAbstractButton::clicked);
  QTest::mouseClick(save, Qt::LeftButton);
  QTest::mouseClick(noSave, Qt::LeftButton);
  EXPECT_EQ(saveClicks.count(), 1);
  EXPECT_EQ(noSaveClicks.count(), 0);
}

// A window that counts the settings-change notifications it receives.
class CountingWindow : public QWidget {
 public:
  bool event(QEvent* event) override {
    if (event->type() == input_panel::SettingChangeEvent::EventType()) {
      ++changes;
    }
    return QWidget::event(event);
  }
  int changes = 0;
};

TEST(InputPanelTest, ChangesReachEveryTopLevelWindowAndShrinkTheVisibleDesktop) {
  input_panel::Show(false);
  input_panel::SetDesktop(QRect(0, 0, 360, 480));
  input_panel::SetPanelHeight(120);
  CountingWindow first;
  CountingWindow second;
  first.show();
  second.show();
  QAbstractButton* toggle = input_panel::CreateToggleButton(&first);

  input_panel::SipInfo info;
  ASSERT_TRUE(input_panel::GetInfo(info));
  EXPECT_FALSE(info.up);
  EXPECT_EQ(info.visibleDesktop.height(), 480);

  CTabPage::ShowSIP(true);
  EXPECT_TRUE(CTabPage::GetSIPState());
  EXPECT_TRUE(toggle->isChecked());
  EXPECT_EQ(first.changes, 1);
  EXPECT_EQ(second.changes, 1);
  ASSERT_TRUE(input_panel::GetInfo(info));
  EXPECT_TRUE(info.up);
  EXPECT_EQ(info.visibleDesktop.height(), 360);

  input_panel::Show(true);  // no change, no notification
  EXPECT_EQ(first.changes, 1);

  toggle->click();  // the command bar's toggle
  EXPECT_FALSE(input_panel::IsUp());
  EXPECT_EQ(second.changes, 2);

  {
    input_panel::RaisedScope raised;
    EXPECT_TRUE(input_panel::IsUp());
  }
  EXPECT_FALSE(input_panel::IsUp());
  input_panel::SetDesktop(QRect());
}

TEST(UiSeamsTest, ScriptedHandlersAnswerInOrderAndNestedDialogsTakeTheNext) {
  ui_seams::ClearModalHandlers();
  ui_seams::ClearModalTitles();
  ui_seams::SetModalHandler([](QDialog& /*dialog*/) { return int{QDialog::Rejected}; });
  QDialog outer;
  outer.setWindowTitle(QStringLiteral("Outer"));
  ui_seams::PushModalHandler([](QDialog& /*dialog*/) {
    QDialog inner;
    inner.setWindowTitle(QStringLiteral("Inner"));
    EXPECT_EQ(ui_seams::RunModal(inner), 42);
    return int{QDialog::Accepted};
  });
  ui_seams::PushModalHandler([](QDialog& /*dialog*/) { return 42; });
  EXPECT_EQ(ui_seams::RunModal(outer), QDialog::Accepted);
  EXPECT_EQ(outer.result(), QDialog::Accepted);
  EXPECT_EQ(ui_seams::ModalTitles(),
            QStringList({QStringLiteral("Outer"), QStringLiteral("Inner")}));
  // Without a script the installed handler answers.
  EXPECT_EQ(ui_seams::RunModal(outer), QDialog::Rejected);
}

// Answers the message box that is about to run with its button of that role.
void ClickInNextMessageBox(QMessageBox::StandardButton button, messages::Shown* seen) {
  QTimer::singleShot(0, [button, seen] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    seen->caption = box->windowTitle();
    seen->text = box->text();
    seen->icon = box->icon() == QMessageBox::Warning    ? messages::Icon::Exclamation
                 : box->icon() == QMessageBox::Question ? messages::Icon::Question
                                                        : messages::Icon::None;
    box->button(button)->click();
  });
}

TEST(UiSeamsTest, QtMessageBoxesShowTheCaptionTextAndIconAndAnswerByButton) {
  ui_seams::QtMessageService service;
  messages::Shown shown;
  ClickInNextMessageBox(QMessageBox::No, &shown);
  EXPECT_EQ(service.Show({QStringLiteral("Delete?"), QStringLiteral("Ovelin"),
                          messages::Buttons::YesNo, messages::Icon::Question}),
            messages::Answer::No);
  EXPECT_EQ(shown.caption, QStringLiteral("Ovelin"));
  EXPECT_EQ(shown.text, QStringLiteral("Delete?"));
  EXPECT_EQ(shown.icon, messages::Icon::Question);

  ClickInNextMessageBox(QMessageBox::Cancel, &shown);
  EXPECT_EQ(service.Show({QStringLiteral("Go on?"), QStringLiteral("Ovelin"),
                          messages::Buttons::OkCancel, messages::Icon::Exclamation}),
            messages::Answer::Cancel);
  EXPECT_EQ(shown.icon, messages::Icon::Exclamation);

  ClickInNextMessageBox(QMessageBox::Ok, &shown);
  EXPECT_EQ(service.Show({QStringLiteral("Saved."), QStringLiteral("Ovelin"), messages::Buttons::Ok,
                          messages::Icon::None}),
            messages::Answer::Ok);
}

TEST(UiSeamsTest, MessageBoxesAndDialogsOpenOverTheWindowTheyBelongTo) {
  TestGuard guard;
  // The program's window at the left of a wide screen.
  QMainWindow window;
  window.setGeometry(0, 0, 480, 640);
  window.show();
  window.activateWindow();
  ui_seams::QtMessageService service;
  QRect boxAt;
  QTimer::singleShot(0, [&boxAt] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    boxAt = box->frameGeometry();
    box->button(QMessageBox::Cancel)->click();
  });
  service.Show({QStringLiteral("Are you sure you want to delete this patient?"),
                QStringLiteral("Ovelin"), messages::Buttons::OkCancel, messages::Icon::Question});
  EXPECT_TRUE(window.frameGeometry().contains(boxAt)) << boxAt.x() << "," << boxAt.width();
  EXPECT_LE(std::abs(boxAt.center().x() - window.frameGeometry().center().x()), 8);

  QDialog dialog(&window);
  dialog.resize(200, 100);
  QRect dialogAt;
  QSize dialogSize;
  ui_seams::PushModalHandler([&dialogAt, &dialogSize](QDialog& shown) {
    dialogAt = shown.frameGeometry();
    dialogSize = shown.size();
    return int{QDialog::Rejected};
  });
  ui_seams::RunModal(dialog);
  // A dialog that chose its size keeps it (Preferences would otherwise open squeezed).
  EXPECT_EQ(dialogSize, QSize(200, 100));
  EXPECT_TRUE(window.frameGeometry().contains(dialogAt));
  EXPECT_LE(std::abs(dialogAt.center().x() - window.frameGeometry().center().x()), 1);
}

TEST(UiSeamsTest, AMessageBoxWiderThanItsWindowWrapsItsTextToStayOnTheWindow) {
  TestGuard guard;
  // A narrow window at the screen's left edge: centred on it, a box sized for the screen would
  // start left of the screen and cut off its icon.
  QMainWindow window;
  window.setGeometry(0, 0, 300, 640);
  window.show();
  window.activateWindow();
  ui_seams::QtMessageService service;
  QRect boxAt;
  QRect textAt;
  QTimer::singleShot(0, [&boxAt, &textAt] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    boxAt = box->frameGeometry();
    auto* text = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    ASSERT_NE(text, nullptr);
    textAt = QRect(text->mapTo(box, QPoint()), text->size());
    // The wrapped text needs no more room than it was given.
    EXPECT_LE(text->heightForWidth(text->width()), text->height());
    box->button(QMessageBox::Ok)->click();
  });
  service.Show({QStringLiteral("You must synchronize this record with the desktop before you can "
                               "beam it to another device.  Synchronize and try again."),
                QStringLiteral("Ovelin"), messages::Buttons::Ok, messages::Icon::Stop});
  EXPECT_TRUE(window.frameGeometry().contains(boxAt))
      << boxAt.x() << "," << boxAt.width() << " in " << window.frameGeometry().width();
  EXPECT_GE(textAt.left(), 0);
}

TEST(UiSeamsTest, SaveFileDialogIsScriptedAndGetsItsDefaultSuffix) {
  ui_seams::SaveFileRequest asked;
  ui_seams::SetSaveFileHandler([&asked](const ui_seams::SaveFileRequest& request) {
    asked = request;
    return QStringLiteral("/tmp/note");
  });
  EXPECT_EQ(ui_seams::GetSaveFileName(nullptr, QStringLiteral("Save As"), QStringLiteral("/tmp"),
                                      QStringLiteral("Text Files (*.txt)"), QStringLiteral("txt")),
            QStringLiteral("/tmp/note.txt"));
  EXPECT_EQ(asked.caption, QStringLiteral("Save As"));
  EXPECT_EQ(asked.filter, QStringLiteral("Text Files (*.txt)"));
  ui_seams::SetSaveFileHandler(
      [](const ui_seams::SaveFileRequest& /*request*/) { return QString(); });
  EXPECT_EQ(ui_seams::GetSaveFileName(nullptr, {}, {}, {}, QStringLiteral("txt")), QString());
  ui_seams::SetSaveFileHandler({});
}

TEST(QtControlsTest, StoresFillQtWidgetsWithTextsAndItemData) {
  TempDevice device;
  QComboBox combo;
  qt_controls::ComboBox types(combo);
  CDBCategories().PopulateComboBox(CDBCategories::kPatientTypeList, types, true);
  ASSERT_EQ(combo.count(), 3);
  EXPECT_EQ(combo.itemText(0), QStringLiteral("Hospital"));
  EXPECT_NE(qt_controls::ItemData(combo, 0), 0u);
  EXPECT_EQ(qt_controls::ItemData(combo, 2), CDBCategories::kEditEntryData);
  types.SetCurSel(7);
  EXPECT_EQ(combo.currentIndex(), -1);

  QListWidget listWidget;
  qt_controls::ListBox box(listWidget);
  box.SetItemData(box.AddString(QStringLiteral("Lisinopril")), 41);
  EXPECT_EQ(qt_controls::ItemData(listWidget, 0), 41u);
  EXPECT_EQ(qt_controls::ItemData(listWidget, 5), 0u);
}

TEST(QtControlsTest, DateExchangeKeepsTheDayAndTheTimeOfDay) {
  SYSTEMTIME admitted{};
  admitted.wYear = 2024;
  admitted.wMonth = 2;
  admitted.wDay = 29;
  admitted.wHour = 14;
  admitted.wMinute = 5;
  FILETIME value;
  ASSERT_TRUE(filetime::FromSystemTime(admitted, value));
  QDateEdit picker;
  qt_controls::DDX_DateTimeCtrl(false, picker, value);
  EXPECT_EQ(picker.date(), QDate(2024, 2, 29));
  picker.setDate(QDate(2024, 3, 1));
  qt_controls::DDX_DateTimeCtrl(true, picker, value);
  SYSTEMTIME taken{};
  ASSERT_TRUE(filetime::ToSystemTime(value, taken));
  EXPECT_EQ(taken.wMonth, 3);
  EXPECT_EQ(taken.wDay, 1);
  EXPECT_EQ(taken.wHour, 14);
  EXPECT_EQ(taken.wMinute, 5);
}

}  // namespace

namespace {

// Sets an environment variable for one test and puts it back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const QByteArray& value)
      : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name)) {
    value.isNull() ? qunsetenv(name) : qputenv(name, value);
  }
  ~ScopedEnv() { m_had ? qputenv(m_name, m_old) : qunsetenv(m_name); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* m_name;
  bool m_had;
  QByteArray m_old;
};

TEST(OnScreenKeyboard, ChosenOnlyOnARealScreenWhenNothingElseWasChosen) {
  const bool installed =
      QFile::exists(QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                    QStringLiteral("/platforminputcontexts/libqtvirtualkeyboardplugin.so"));
  const struct {
    const char* platform;
    const char* asked;
    const char* chosenBefore;
    bool chosen;
  } cases[] = {
      {"xcb", "1", nullptr, installed},    // asked for, on a real screen
      {"xcb", "0", nullptr, false},        // turned off
      {"offscreen", "1", nullptr, false},  // no screen to show it on
      {"xcb", "1", "ibus", false},         // the person chose another input method
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.platform) + " " + c.asked);
    const ScopedEnv platform("QT_QPA_PLATFORM", c.platform);
    const ScopedEnv asked("OVELIN_ON_SCREEN_KEYBOARD", c.asked);
    const ScopedEnv module("QT_IM_MODULE",
                           c.chosenBefore != nullptr ? QByteArray(c.chosenBefore) : QByteArray());
    const ScopedEnv backend("QT_QUICK_BACKEND", QByteArray());
    on_screen_keyboard::ChooseBeforeStart();
    EXPECT_EQ(qgetenv("QT_IM_MODULE") == "qtvirtualkeyboard", c.chosen);
  }
  // This run draws offscreen: the input panel stays the emulated one.
  EXPECT_FALSE(on_screen_keyboard::Available());
}

}  // namespace
