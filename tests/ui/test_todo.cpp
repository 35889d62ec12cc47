#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTest>
#include <memory>
#include <string>

#include "FakeHost.h"
#include "chart/CDeleteToDoDlg.h"
#include "chart/CToDoDlg.h"
#include "chart/CToDoPage.h"
#include "common/CDBPatient.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CPictureButton.h"
#include "store/CDBToDo.h"
#include "support/TempDevice.h"
#include "support/TestGuard.h"
#include "test_app_support.h"

namespace {

struct StoredItem {
  QString text;
  uint32_t flags = 0;
  QString note;
};

// The patient's items as the store holds them, in store order.
std::vector<StoredItem> Stored(const QString& patient) {
  std::vector<StoredItem> items;
  CDBToDo store;
  for (bool found = store.FindFirstOfPatient(patient, -1); found;
       found = store.FindNextOfPatient(patient, -1)) {
    items.push_back({store.text, store.flags, store.note});
  }
  return items;
}

const StoredItem* Find(const std::vector<StoredItem>& items, const QString& text) {
  for (const StoredItem& item : items) {
    if (item.text == text) {
      return &item;
    }
  }
  return nullptr;
}

// An item of the patient; with a desktopId it is an item from the desktop, as writable as its
// patient.
uint32_t AddItem(const QString& patient, const QString& text, uint32_t flags,
                 const QString& note = {}, int32_t desktopId = 0) {
  CDBToDo store;
  store.patient = patient;
  store.text = text;
  store.flags = flags;
  store.note = note;
  store.desktopId = desktopId;
  store.timeStamp = QStringLiteral("20240301093000");
  const uint32_t id = store.AddNew(desktopId != 0);
  EXPECT_NE(id, 0u);
  return id;
}

// A patient from the desktop: access state 1 (read-only) or 2 (read/write).
QString AddDesktopPatient(const QString& first, const QString& last, int32_t accessState) {
  CDBPatient patient;
  patient.firstName = first;
  patient.lastName = last;
  patient.patientType = QStringLiteral("Clinic");
  patient.desktopId = 40;
  patient.accessState = accessState;
  EXPECT_TRUE(patient.CreateRecord(true));
  return patient.name;
}

// Runs the next modal dialog as a CToDoDlg: act on it, then answer as the dialog would.
template <typename Act>
void ScriptNoteDialog(Act act) {
  ui_seams::PushModalHandler([act](QDialog& dialog) {
    auto* note = qobject_cast<CToDoDlg*>(&dialog);
    if (note == nullptr) {
      ADD_FAILURE() << "expected the To Do dialog";
      return int{QDialog::Rejected};
    }
    return act(*note);
  });
}

// The page alone, on a fresh device, with "Smith, Ann" as the current patient.
class ToDoPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_patient = app_test::AddPatient(QStringLiteral("Ann"), QStringLiteral("Smith"),
                                     QStringLiteral("Clinic"));
    m_host.Select(m_patient);
    m_page = std::make_unique<CToDoPage>();
    m_page->SetHost(&m_host);
    m_page->resize(240, 260);
  }

  void TearDown() override { m_page.reset(); }

  CBaseListCtrl& List() const { return *m_page->List(); }
  QString Text(int row) const { return List().GetItemText(row, CToDoPage::kTextColumn); }
  QString Priority(int row) const { return List().GetItemText(row, CToDoPage::kPriorityColumn); }
  int RowOf(const QString& text) const {
    for (int row = 0; row < List().GetItemCount(); ++row) {
      if (Text(row) == text) {
        return row;
      }
    }
    return -1;
  }
  // Ticks or clears a row's box as a tap on it does.
  void Tick(int row, bool checked) {
    List().topLevelItem(row)->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
  }
  // Types over a row's text as the user does (the editor opens with the text selected).
  void TypeText(int row, const QString& text) {
    ASSERT_TRUE(List().EditRow(row, CToDoPage::kTextColumn));
    ASSERT_TRUE(List().InsertInEditor(text));
    List().CloseEdit();
  }
  // Picks priority 1-5 from the row's drop-down.
  void PickPriority(int row, int priority) {
    ASSERT_TRUE(List().EditRow(row, CToDoPage::kPriorityColumn));
    ASSERT_TRUE(List().PickInEditor(priority - 1));
  }
  void Reload() {
    m_page->OnKillActive();
    m_page->OnSetActive();
  }
  const std::vector<messages::Shown>& Shown() const {
    return messages::DefaultRecorder().Messages();
  }

  TestGuard m_guard;
  TempDevice m_device;
  FakePageHost m_host;
  QString m_patient;
  std::unique_ptr<CToDoPage> m_page;
};

// ---------------------------------------------------------------------------------------------
// Loading and saving

TEST_F(ToDoPageTest, ShowsThePatientsItemsByPriorityWithTheirMarksAndNoteIcons) {
  AddItem(m_patient, QStringLiteral("Call family"), 3);
  AddItem(m_patient, QStringLiteral("Consult"), 1 | CDBToDo::kCheckedFlag,
          QStringLiteral("cardio"));
  AddItem(m_patient, QStringLiteral("Labs"), 3, QStringLiteral("CBC"));
  AddItem(QStringLiteral("Smith, Annabel"), QStringLiteral("Not hers"), 1);
  AddItem(QStringLiteral("smith, ann"), QStringLiteral("Nor this"), 1);
  {
    CDBPatient legacy;
    ASSERT_TRUE(legacy.UpdateTodo(m_patient, QStringLiteral("old text")));
  }
  m_page->OnSetActive();

  ASSERT_EQ(List().GetItemCount(), 4);
  // The converted item of the earlier release comes first, with priority 0.
  EXPECT_EQ(Text(0), strings::Load(ids::kConvertedTodoItem));
  EXPECT_EQ(Priority(0), QStringLiteral("0"));
  EXPECT_EQ(List().GetRowItem(0)->note, QStringLiteral("old text"));
  EXPECT_EQ(Text(1), QStringLiteral("Consult"));
  EXPECT_TRUE(List().GetCheck(1));
  EXPECT_EQ(List().GetItemImage(1), 1);
  // Items of one priority keep the store's order.
  EXPECT_EQ(Text(2), QStringLiteral("Call family"));
  EXPECT_EQ(Priority(2), QStringLiteral("3"));
  EXPECT_FALSE(List().GetCheck(2));
  EXPECT_EQ(List().GetItemImage(2), 0);
  EXPECT_EQ(Text(3), QStringLiteral("Labs"));
  EXPECT_TRUE(m_page->NewTodoButton()->isEnabled());
  // Nothing selected: no note to open, a blank state; the checked item can be deleted.
  EXPECT_TRUE(m_page->DeleteButton()->isEnabled());
  EXPECT_FALSE(m_page->EditNoteButton()->isEnabled());
  EXPECT_EQ(m_page->StatusLabel()->text(), strings::Load(ids::kAccessStateNone));
}

TEST_F(ToDoPageTest, CheckingAnItemAndLeavingStoresTheDoneMarkAndComingBackShowsIt) {
  AddItem(m_patient, QStringLiteral("Labs"), 3);
  AddItem(m_patient, QStringLiteral("Done already"), 2 | CDBToDo::kCheckedFlag);
  m_page->OnSetActive();
  Tick(RowOf(QStringLiteral("Labs")), true);
  Tick(RowOf(QStringLiteral("Done already")), false);
  EXPECT_TRUE(m_page->DeleteButton()->isEnabled());  // a checked item can be deleted

  m_page->OnKillActive();
  const auto stored = Stored(m_patient);
  EXPECT_EQ(Find(stored, QStringLiteral("Labs"))->flags, 131u);
  EXPECT_EQ(Find(stored, QStringLiteral("Done already"))->flags, 2u);

  m_page->OnSetActive();
  EXPECT_TRUE(List().GetCheck(RowOf(QStringLiteral("Labs"))));
  EXPECT_FALSE(List().GetCheck(RowOf(QStringLiteral("Done already"))));
}

TEST_F(ToDoPageTest, TheCheckBoxAndTheNoteAreReachedByKeyboard) {
  AddItem(m_patient, QStringLiteral("Labs"), 1, QStringLiteral("CBC"));
  m_page->show();
  m_page->OnSetActive();
  List().setFocus();
  List().SelectRow(0);
  QTest::keyClick(&List(), Qt::Key_Space);
  EXPECT_TRUE(List().GetCheck(0));
  EXPECT_TRUE(m_page->DeleteButton()->isEnabled());

  // Return on the row opens its note.
  ScriptNoteDialog([](CToDoDlg&) { return int{QDialog::Rejected}; });
  QTest::keyClick(&List(), Qt::Key_Return);
  ASSERT_EQ(ui_seams::ModalTitles().size(), 1);
  EXPECT_EQ(ui_seams::ModalTitles().first(), QStringLiteral("To Do"));
  // The buttons are on the Tab chain.
  for (QWidget* button : {static_cast<QWidget*>(m_page->EditNoteButton()),
                          static_cast<QWidget*>(m_page->NewTodoButton()),
                          static_cast<QWidget*>(m_page->DeleteButton())}) {
    EXPECT_TRUE(button->focusPolicy() & Qt::TabFocus);
  }
}

TEST_F(ToDoPageTest, PriorityThreeToOneMovesTheRowUpAtOnceAndKeepsTheSelection) {
  AddItem(m_patient, QStringLiteral("First"), 1);
  AddItem(m_patient, QStringLiteral("Second"), 2);
  const uint32_t moved = AddItem(m_patient, QStringLiteral("Third"), 3);
  m_page->OnSetActive();
  ASSERT_EQ(RowOf(QStringLiteral("Third")), 2);
  List().SelectRow(2);

  PickPriority(2, 1);
  EXPECT_EQ(RowOf(QStringLiteral("Third")), 1);
  EXPECT_EQ(Priority(1), QStringLiteral("1"));
  EXPECT_EQ(List().GetSelectedRow(), 1);
  EXPECT_EQ(List().GetRowItem(1)->choiceId, ids::kTodoPriority1);
  int type = 0;
  uint32_t id = 0;
  ASSERT_TRUE(m_page->GetSelectedRecord(type, id));
  EXPECT_EQ(type, 6);
  EXPECT_EQ(id, moved);
  // Reporting the record saved the list first.
  EXPECT_EQ(Find(Stored(m_patient), QStringLiteral("Third"))->flags, 1u);
}

TEST_F(ToDoPageTest, NewItemsAreTypedInPlaceAndStoredWhenThePageIsLeft) {
  m_page->OnSetActive();
  m_page->OnNewTodo();
  ASSERT_EQ(List().GetItemCount(), 1);
  EXPECT_EQ(Priority(0), QStringLiteral("1"));
  // The new item's text editor is open at once.
  ASSERT_TRUE(List().IsEditing());
  EXPECT_EQ(List().EditingColumn(), CToDoPage::kTextColumn);
  ASSERT_TRUE(List().InsertInEditor(QStringLiteral("Discharge summary")));
  List().CloseEdit();
  PickPriority(0, 4);
  EXPECT_TRUE(Stored(m_patient).empty());  // nothing is stored before the page is left

  m_page->OnKillActive();
  auto stored = Stored(m_patient);
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(stored[0].text, QStringLiteral("Discharge summary"));
  EXPECT_EQ(stored[0].flags, 4u);

  // Retyping an item rewrites it; leaving twice adds nothing.
  m_page->OnSetActive();
  TypeText(0, QStringLiteral("Discharge letter"));
  Reload();
  stored = Stored(m_patient);
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(stored[0].text, QStringLiteral("Discharge letter"));
}

TEST_F(ToDoPageTest, ReturnEndsTheTypingOfAnItemWithoutOpeningItsNote) {
  m_page->show();
  m_page->OnSetActive();
  m_page->OnNewTodo();
  auto* editor = qobject_cast<QLineEdit*>(List().Editor());
  ASSERT_NE(editor, nullptr);
  QTest::keyClicks(editor, QStringLiteral("Call family"));
  bool noteOpened = false;
  ScriptNoteDialog([&noteOpened](CToDoDlg&) {
    noteOpened = true;
    return int{QDialog::Rejected};
  });
  QTest::keyClick(editor, Qt::Key_Return);
  EXPECT_FALSE(noteOpened);
  EXPECT_FALSE(List().IsEditing());
  EXPECT_EQ(Text(0), QStringLiteral("Call family"));
  // Return on the row itself, not in an editor, still opens the note.
  List().setFocus();
  QTest::keyClick(&List(), Qt::Key_Return);
  EXPECT_TRUE(noteOpened);
}

TEST_F(ToDoPageTest, ThePriorityListDropsBelowItsCellAndLeavesTheBoxesAndIconsFree) {
  AddItem(m_patient, QStringLiteral("Chest film"), 2);
  AddItem(m_patient, QStringLiteral("Walker"), 3);
  m_page->show();
  m_page->OnSetActive();
  ASSERT_TRUE(List().EditRow(0, CToDoPage::kPriorityColumn));
  auto* combo = qobject_cast<QComboBox*>(List().Editor());
  ASSERT_NE(combo, nullptr);
  combo->showPopup();
  const QRect popup = combo->view()->window()->geometry();
  const QRect cell(combo->mapToGlobal(QPoint()), combo->size());
  EXPECT_GE(popup.top(), cell.bottom());
  // The rows' check boxes and note icons stand left of the priority.
  EXPECT_GE(popup.left(), cell.left());
  combo->hidePopup();
}

TEST_F(ToDoPageTest, ANewItemDeletedBeforeLeavingIsNeverStored) {
  AddItem(m_patient, QStringLiteral("Keep"), 2);
  m_page->OnSetActive();
  m_page->OnNewTodo();
  List().CloseEdit();
  List().SelectRow(1);
  messages::DefaultRecorder().SetNextAnswer(messages::Answer::Yes);
  m_page->OnDelete();
  EXPECT_EQ(List().GetItemCount(), 1);
  m_page->OnKillActive();
  const auto stored = Stored(m_patient);
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(stored[0].text, QStringLiteral("Keep"));
}

TEST_F(ToDoPageTest, RowsAreSavedUnderThePatientTheyWereLoadedFor) {
  const QString other =
      app_test::AddPatient(QStringLiteral("Bo"), QStringLiteral("Lee"), QStringLiteral("Clinic"));
  AddItem(m_patient, QStringLiteral("Labs"), 2);
  AddItem(other, QStringLiteral("His"), 1);
  m_page->OnSetActive();
  TypeText(0, QStringLiteral("Labs today"));
  m_page->OnNewTodo();
  ASSERT_TRUE(List().InsertInEditor(QStringLiteral("Pending")));
  List().CloseEdit();

  // The current patient changes while the page is shown (a refresh after a beam), then the
  // page is reloaded: the edits go to Ann, the list shows Bo.
  m_host.Select(other);
  m_page->OnSetActive();
  const auto ann = Stored(m_patient);
  ASSERT_EQ(ann.size(), 2u);
  EXPECT_NE(Find(ann, QStringLiteral("Labs today")), nullptr);
  EXPECT_NE(Find(ann, QStringLiteral("Pending")), nullptr);
  ASSERT_EQ(Stored(other).size(), 1u);
  ASSERT_EQ(List().GetItemCount(), 1);
  EXPECT_EQ(Text(0), QStringLiteral("His"));

  // Without a current patient nobody's items are shown and none can be added.
  m_host.Select(QString());
  m_page->OnSetActive();
  EXPECT_EQ(List().GetItemCount(), 0);
  EXPECT_FALSE(m_page->NewTodoButton()->isEnabled());
  int type = 0;
  uint32_t id = 0;
  EXPECT_FALSE(m_page->GetSelectedRecord(type, id));
}

TEST_F(ToDoPageTest, ReloadKeepsTheSelectedItemSelected) {
  AddItem(m_patient, QStringLiteral("A"), 1);
  AddItem(m_patient, QStringLiteral("B"), 2);
  m_page->OnSetActive();
  List().SelectRow(1);
  AddItem(m_patient, QStringLiteral("Before B"), 1);  // arrives meanwhile, sorts above B
  Reload();
  ASSERT_EQ(List().GetItemCount(), 3);
  EXPECT_EQ(Text(List().GetSelectedRow()), QStringLiteral("B"));
}

// ---------------------------------------------------------------------------------------------
// Deleting

TEST_F(ToDoPageTest, DeleteWithOnlyTheSelectedItemAsksForItAndDeletesOnlyIt) {
  AddItem(m_patient, QStringLiteral("A"), 1);
  AddItem(m_patient, QStringLiteral("B"), 2);
  m_page->OnSetActive();
  List().SelectRow(RowOf(QStringLiteral("B")));
  ASSERT_TRUE(m_page->DeleteButton()->isEnabled());

  messages::DefaultRecorder().SetNextAnswer(messages::Answer::No);
  m_page->OnDelete();
  EXPECT_EQ(List().GetItemCount(), 2);
  messages::DefaultRecorder().SetNextAnswer(messages::Answer::Yes);
  m_page->OnDelete();

  ASSERT_EQ(Shown().size(), 2u);
  EXPECT_EQ(Shown()[1].text, QStringLiteral("Delete the selected todo item?"));
  EXPECT_EQ(Shown()[1].caption, QStringLiteral("Ovelin"));
  EXPECT_EQ(Shown()[1].buttons, messages::Buttons::YesNo);
  EXPECT_EQ(Shown()[1].icon, messages::Icon::Question);
  ASSERT_EQ(List().GetItemCount(), 1);
  EXPECT_EQ(Text(0), QStringLiteral("A"));
  // Deletions reach the store at once.
  const auto stored = Stored(m_patient);
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(stored[0].text, QStringLiteral("A"));
  EXPECT_TRUE(ui_seams::ModalTitles().isEmpty());
}

TEST_F(ToDoPageTest, DeleteWithCheckedItemsOnlyAsksForAllCheckedOnesAndKeepsDesktopItems) {
  const QString shared = AddDesktopPatient(QStringLiteral("Rae"), QStringLiteral("Ward"), 2);
  m_host.Select(shared);
  AddItem(shared, QStringLiteral("Mine"), 1);
  AddItem(shared, QStringLiteral("Mine too"), 2);
  AddItem(shared, QStringLiteral("From desktop"), 3, {}, 900);
  AddItem(shared, QStringLiteral("Unchecked"), 4);
  m_page->OnSetActive();
  for (const char* text : {"Mine", "Mine too", "From desktop"}) {
    Tick(RowOf(QString::fromUtf8(text)), true);
  }
  EXPECT_EQ(m_page->UpdateButtons(), 3);
  EXPECT_EQ(m_page->StatusLabel()->text(), strings::Load(ids::kAccessStateNone));

  messages::DefaultRecorder().SetNextAnswer(messages::Answer::Yes);
  m_page->OnDelete();
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_EQ(Shown()[0].text, QStringLiteral("Delete all checked todo items?"));
  EXPECT_EQ(Shown()[0].buttons, messages::Buttons::YesNo);
  const auto stored = Stored(shared);
  ASSERT_EQ(stored.size(), 2u);
  EXPECT_NE(Find(stored, QStringLiteral("From desktop")), nullptr);
  EXPECT_NE(Find(stored, QStringLiteral("Unchecked")), nullptr);
  EXPECT_EQ(List().GetItemCount(), 2);
}

TEST_F(ToDoPageTest, DeleteWithTheSelectedItemReadOnlyAsksForTheCheckedOnes) {
  const QString readOnly = AddDesktopPatient(QStringLiteral("Ro"), QStringLiteral("Reed"), 1);
  m_host.Select(readOnly);
  AddItem(readOnly, QStringLiteral("Made here"), 1);
  AddItem(readOnly, QStringLiteral("Desktop"), 2, QStringLiteral("from the office"), 901);
  m_page->OnSetActive();
  Tick(RowOf(QStringLiteral("Made here")), true);
  List().SelectRow(RowOf(QStringLiteral("Desktop")));
  EXPECT_EQ(m_page->StatusLabel()->text(), QStringLiteral("Read Only"));

  messages::DefaultRecorder().SetNextAnswer(messages::Answer::Yes);
  m_page->OnDelete();
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_EQ(Shown()[0].text, QStringLiteral("Delete all checked todo items?"));
  const auto stored = Stored(readOnly);
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(stored[0].text, QStringLiteral("Desktop"));
}

TEST_F(ToDoPageTest, DeleteWithTheSelectedAndCheckedItemsLetsTheUserChooseTheScope) {
  AddItem(m_patient, QStringLiteral("A"), 1);
  AddItem(m_patient, QStringLiteral("B"), 2);
  AddItem(m_patient, QStringLiteral("C"), 3);
  m_page->OnSetActive();
  Tick(RowOf(QStringLiteral("A")), true);
  Tick(RowOf(QStringLiteral("B")), true);
  List().SelectRow(RowOf(QStringLiteral("C")));

  const struct {
    const char* button;
    std::vector<QString> left;
  } cases[] = {
      {"cancel", {"A", "B", "C"}},
      {"currentOnly", {"A", "B"}},
      {"all", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.button);
    List().SelectRow(List().GetItemCount() - 1);
    QString message;
    ui_seams::PushModalHandler([&message, &c](QDialog& dialog) {
      auto* scope = qobject_cast<CDeleteToDoDlg*>(&dialog);
      if (scope == nullptr) {
        return int{QDialog::Rejected};
      }
      message = scope->MessageLabel()->text();
      scope->findChild<QPushButton*>(QString::fromUtf8(c.button))->click();
      return scope->result();
    });
    m_page->OnDelete();
    EXPECT_EQ(message,
              QStringLiteral("Delete the checked todo items, or only the currently selected todo "
                             "item?"));
    std::vector<QString> left;
    for (const StoredItem& item : Stored(m_patient)) {
      left.push_back(item.text);
    }
    EXPECT_EQ(left, c.left);
    EXPECT_EQ(List().GetItemCount(), static_cast<int>(c.left.size()));
  }
  EXPECT_TRUE(Shown().empty());
  EXPECT_EQ(ui_seams::ModalTitles().first(), QStringLiteral("Delete Todo Item"));
}

TEST_F(ToDoPageTest, NothingSelectedOrCheckedDeletesNothingAndAsksNothing) {
  AddItem(m_patient, QStringLiteral("A"), 1);
  m_page->OnSetActive();
  EXPECT_EQ(m_page->ChooseDeleteScope(ids::kVerbDelete), CToDoPage::kScopeNothing);
  m_page->OnDelete();
  EXPECT_TRUE(Shown().empty());
  EXPECT_EQ(Stored(m_patient).size(), 1u);
}

// ---------------------------------------------------------------------------------------------
// Read-only items and notes

TEST_F(ToDoPageTest, ASelectedReadOnlyItemWithoutANoteOffersNothingAndOpensNothing) {
  const QString readOnly = AddDesktopPatient(QStringLiteral("Ro"), QStringLiteral("Reed"), 1);
  m_host.Select(readOnly);
  AddItem(readOnly, QStringLiteral("Desktop"), 2 | CDBToDo::kCheckedFlag, {}, 901);
  AddItem(readOnly, QStringLiteral("With note"), 3, QStringLiteral("read me"), 902);
  m_page->OnSetActive();
  const int bare = RowOf(QStringLiteral("Desktop"));
  List().SelectRow(bare);
  EXPECT_FALSE(m_page->EditNoteButton()->isEnabled());
  EXPECT_FALSE(m_page->DeleteButton()->isEnabled());
  m_page->EditNoteButton()->click();
  emit List().rowActivated(bare);
  EXPECT_FALSE(List().EditRow(bare, CToDoPage::kTextColumn));
  EXPECT_FALSE(List().EditRow(bare, CToDoPage::kPriorityColumn));
  EXPECT_TRUE(ui_seams::ModalTitles().isEmpty());
  // Its done mark is the desktop's: a tick on the box does not change it.
  Tick(bare, false);
  EXPECT_TRUE(List().GetCheck(bare));

  // A read-only item with a note shows the note, which cannot be changed.
  List().SelectRow(RowOf(QStringLiteral("With note")));
  EXPECT_TRUE(m_page->EditNoteButton()->isEnabled());
  EXPECT_FALSE(m_page->DeleteButton()->isEnabled());
  bool panelUp = true;
  ScriptNoteDialog([&panelUp](CToDoDlg& dialog) {
    panelUp = input_panel::IsUp();
    EXPECT_EQ(dialog.NoteBox()->toPlainText(), QStringLiteral("read me"));
    EXPECT_TRUE(dialog.NoteBox()->isReadOnly());
    EXPECT_TRUE(dialog.NoSaveButton()->isVisibleTo(&dialog));
    EXPECT_FALSE(dialog.SaveButton()->isVisibleTo(&dialog));
    dialog.OnSave();  // nothing: there is no working SAVE
    EXPECT_NE(dialog.result(), int{QDialog::Accepted});
    dialog.CancelButton()->click();
    return dialog.result();
  });
  m_page->OnEditNote();
  EXPECT_FALSE(panelUp);  // nothing to type: the input panel stays down
  m_page->OnKillActive();
  EXPECT_EQ(Find(Stored(readOnly), QStringLiteral("Desktop"))->flags, 2u | CDBToDo::kCheckedFlag);
}

TEST_F(ToDoPageTest, SavedNoteIsStoredAndSetsTheNoteIconWhileCancelChangesNothing) {
  AddItem(m_patient, QStringLiteral("Labs"), 1);
  m_page->OnSetActive();
  List().SelectRow(0);
  ASSERT_TRUE(m_page->EditNoteButton()->isEnabled());

  ScriptNoteDialog([](CToDoDlg& dialog) {
    dialog.NoteBox()->setPlainText(QStringLiteral("not this"));
    dialog.CancelButton()->click();
    return dialog.result();
  });
  m_page->OnEditNote();
  EXPECT_TRUE(List().GetRowItem(0)->note.isEmpty());
  EXPECT_EQ(List().GetItemImage(0), 0);

  bool panelUp = false;
  QString shownText;
  ScriptNoteDialog([&](CToDoDlg& dialog) {
    panelUp = input_panel::IsUp();
    shownText = dialog.ItemLabel()->text();
    dialog.NoteBox()->setPlainText(QStringLiteral("CBC and lytes\nat 6"));
    dialog.SaveButton()->click();
    return dialog.result();
  });
  m_page->OnEditNote();
  EXPECT_TRUE(panelUp);
  EXPECT_FALSE(input_panel::IsUp());  // put back as it was
  EXPECT_EQ(shownText, QStringLiteral("Labs"));
  EXPECT_EQ(List().GetItemImage(0), 1);
  m_page->OnKillActive();
  EXPECT_EQ(Stored(m_patient)[0].note, QStringLiteral("CBC and lytes\nat 6"));
  EXPECT_EQ(ui_seams::ModalTitles(), QStringList({"To Do", "To Do"}));
}

TEST_F(ToDoPageTest, ANoteEditThatRacesAReloadIsDroppedWithTheSynchronisationMessage) {
  AddItem(m_patient, QStringLiteral("Labs"), 1);
  AddItem(m_patient, QStringLiteral("Call"), 2);
  m_page->OnSetActive();
  TypeText(RowOf(QStringLiteral("Call")), QStringLiteral("Call family"));
  List().SelectRow(RowOf(QStringLiteral("Labs")));

  ScriptNoteDialog([this](CToDoDlg& dialog) {
    dialog.NoteBox()->setPlainText(QStringLiteral("lost"));
    m_page->OnSetActive();  // a refresh reloads the shown page meanwhile
    dialog.SaveButton()->click();
    return dialog.result();
  });
  m_page->OnEditNote();

  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_EQ(Shown()[0].text, QStringLiteral("Synchronization occurred while the note was being "
                                            "edited, causing changes to be lost."));
  EXPECT_EQ(Shown()[0].caption, QStringLiteral("Ovelin"));
  EXPECT_EQ(Shown()[0].icon, messages::Icon::Exclamation);
  m_page->OnKillActive();
  const auto stored = Stored(m_patient);
  EXPECT_TRUE(Find(stored, QStringLiteral("Labs"))->note.isEmpty());
  EXPECT_NE(Find(stored, QStringLiteral("Call family")), nullptr);
}

// ---------------------------------------------------------------------------------------------
// Store failures reach the user

class FailingToDoStore {
 public:
  // Makes the device's todo database refuse what is named: "INSERT" (new items) or "DELETE".
  explicit FailingToDoStore(const char* operation) {
    sqlite3* db = platform::Device::Current()->ObjectStore();
    sqlite3_stmt* find = nullptr;
    sqlite3_prepare_v2(db, "SELECT num FROM volumes WHERE name = 'OVToDo'", -1, &find, nullptr);
    const int volume = sqlite3_step(find) == SQLITE_ROW ? sqlite3_column_int(find, 0) : 0;
    sqlite3_finalize(find);
    EXPECT_NE(volume, 0);
    const std::string sql = std::string("CREATE TRIGGER ov_test_fail BEFORE ") + operation +
                            " ON v" + std::to_string(volume) +
                            "_rec BEGIN SELECT RAISE(ABORT, 'refused'); END";
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
  }
  ~FailingToDoStore() { Heal(); }
  void Heal() {
    sqlite3_exec(platform::Device::Current()->ObjectStore(), "DROP TRIGGER IF EXISTS ov_test_fail",
                 nullptr, nullptr, nullptr);
  }
};

TEST_F(ToDoPageTest, AnItemTheStoreRefusesStaysOnThePageAndTheUserIsTold) {
  m_page->OnSetActive();
  FailingToDoStore failing("INSERT");
  m_page->OnNewTodo();
  ASSERT_TRUE(List().InsertInEditor(QStringLiteral("Pending")));
  m_page->OnKillActive();
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_EQ(Shown()[0].text, strings::Load(ids::kTodoNotStored));
  EXPECT_EQ(List().GetItemCount(), 1);
  EXPECT_TRUE(Stored(m_patient).empty());

  failing.Heal();
  m_page->OnSetActive();  // saves before it reloads
  EXPECT_EQ(Shown().size(), 1u);
  ASSERT_EQ(Stored(m_patient).size(), 1u);
  EXPECT_EQ(Text(0), QStringLiteral("Pending"));
}

TEST_F(ToDoPageTest, AnItemTheStoreCannotDeleteStaysInTheList) {
  AddItem(m_patient, QStringLiteral("A"), 1);
  m_page->OnSetActive();
  List().SelectRow(0);
  FailingToDoStore failing("DELETE");
  messages::DefaultRecorder().SetNextAnswer(messages::Answer::Yes);
  m_page->OnDelete();
  ASSERT_EQ(Shown().size(), 2u);
  EXPECT_EQ(Shown()[1].text, strings::Load(ids::kTodoNotDeleted));
  EXPECT_EQ(List().GetItemCount(), 1);
  EXPECT_EQ(Stored(m_patient).size(), 1u);
}

// ---------------------------------------------------------------------------------------------
// Layout and names

TEST_F(ToDoPageTest, TheListReachesSevenPixelsAboveThePageBottomAndNamesItsControls) {
  m_page->resize(240, 300);
  m_page->UpdateSize();
  EXPECT_EQ(List().geometry().bottom(), 300 - 7 - 1);
  const int priority = List().GetColumnWidth(CToDoPage::kPriorityColumn);
  EXPECT_GE(priority, 45);
  const int scrollBar = List().style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &List());
  EXPECT_EQ(List().GetColumnWidth(CToDoPage::kTextColumn),
            List().width() - scrollBar - priority - 2);
  // The priority is shown whole beside the check box and the icon.
  AddItem(m_patient, QStringLiteral("Labs"), 5, QStringLiteral("with a note"));
  m_page->OnSetActive();
  EXPECT_LE(List().sizeHintForIndex(List().model()->index(0, 0)).width(), priority);
  // The buttons stand side by side at the top, the status at the right.
  EXPECT_LT(m_page->EditNoteButton()->x(), m_page->NewTodoButton()->x());
  EXPECT_LT(m_page->NewTodoButton()->x(), m_page->DeleteButton()->x());
  EXPECT_LT(m_page->EditNoteButton()->geometry().bottom(), List().y());
  EXPECT_GT(m_page->StatusLabel()->x(), m_page->DeleteButton()->x());
  for (QWidget* control : m_page->findChildren<QWidget*>()) {
    if (control->parentWidget() == m_page.get()) {
      EXPECT_FALSE(control->accessibleName().isEmpty()) << control->metaObject()->className();
    }
  }
}

// ---------------------------------------------------------------------------------------------
// The two dialogs alone

class ToDoDialogsTest : public ::testing::Test {
 protected:
  TestGuard m_guard;
  TempDevice m_device;
};

TEST_F(ToDoDialogsTest, TheNoteBoxEndsAboveTheInputPanel) {
  CToDoDlg dialog;
  dialog.itemText = QStringLiteral("Labs");
  dialog.note = QStringLiteral("CBC");
  int upBottom = 0;
  int downBottom = 0;
  input_panel::SipInfo up;
  input_panel::SipInfo down;
  ui_seams::PushModalHandler([&](QDialog&) {
    input_panel::Show(true);
    input_panel::GetInfo(up);
    upBottom = dialog.NoteBox()->geometry().bottom() + 1;
    input_panel::Show(false);
    input_panel::GetInfo(down);
    downBottom = dialog.NoteBox()->geometry().bottom() + 1;
    return int{QDialog::Rejected};
  });
  EXPECT_EQ(dialog.DoModal(), int{QDialog::Rejected});
  EXPECT_EQ(dialog.geometry(), input_panel::Desktop());  // full screen
  EXPECT_EQ(upBottom, up.visibleDesktop.height() - 5);
  EXPECT_EQ(downBottom, down.visibleDesktop.height() - 35);
  EXPECT_EQ(dialog.note, QStringLiteral("CBC"));  // a cancelled dialog changes nothing
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("To Do"));
  for (QWidget* control :
       {static_cast<QWidget*>(dialog.NoteBox()), static_cast<QWidget*>(dialog.ItemLabel()),
        static_cast<QWidget*>(dialog.SaveButton()), static_cast<QWidget*>(dialog.NoSaveButton()),
        static_cast<QWidget*>(dialog.CancelButton())}) {
    EXPECT_FALSE(control->accessibleName().isEmpty()) << control->objectName().toStdString();
  }
}

TEST_F(ToDoDialogsTest, DeleteScopeDialogAsksWithTheVerbAndAnswersEachButton) {
  CDeleteToDoDlg dialog(ids::kVerbDelete);
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Delete Todo Item"));
  EXPECT_EQ(
      dialog.MessageLabel()->text(),
      QStringLiteral("Delete the checked todo items, or only the currently selected todo item?"));
  EXPECT_EQ(dialog.CurrentOnlyButton()->text(), QStringLiteral("Current Only"));
  EXPECT_EQ(dialog.AllButton()->text(), QStringLiteral("All"));
  EXPECT_EQ(dialog.CancelButton()->text(), QStringLiteral("Cancel"));
  dialog.show();
  EXPECT_LT(dialog.CurrentOnlyButton()->x(), dialog.AllButton()->x());
  EXPECT_LT(dialog.AllButton()->x(), dialog.CancelButton()->x());
  dialog.hide();

  const struct {
    QPushButton* button;
    int answer;
  } cases[] = {{dialog.CurrentOnlyButton(), 1083},
               {dialog.AllButton(), 1109},
               {dialog.CancelButton(), 2},
               {nullptr, 2}};
  for (const auto& c : cases) {
    ui_seams::PushModalHandler([&c](QDialog& shown) {
      if (c.button == nullptr) {
        shown.reject();  // closed with Escape
      } else {
        c.button->click();
      }
      return shown.result();
    });
    EXPECT_EQ(dialog.DoModal(), c.answer);
  }
}

}  // namespace
