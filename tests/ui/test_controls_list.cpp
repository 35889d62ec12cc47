#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <vector>

#include "common/CDBCategories.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CAutoListCtrl.h"
#include "common/ui/CBaseListCtrl.h"
#include "common/ui/CEditCategoriesDlg.h"
#include "common/ui/UiSeams.h"
#include "support/TempDevice.h"
#include "support/TestGuard.h"

namespace {

using ChoicePick = CBaseListCtrl::ChoicePick;

// A two-column item list on screen, recording what it tells its owner.
class ListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    list.InsertColumn(0, QStringLiteral("Item"), 90);
    list.InsertColumn(1, QStringLiteral("Value"), 140);
    list.resize(240, 300);
    list.show();
    QObject::connect(&list, &CBaseListCtrl::choicePicked, &list, [this](ChoicePick& pick) {
      picks.push_back(pick);
      if (onPick) {
        onPick(pick);
      }
    });
    QObject::connect(&list, &CBaseListCtrl::editEnded, &list,
                     [this](const CBaseListCtrl::EditEnd& end) { ends.push_back(end); });
    QObject::connect(&list, &CBaseListCtrl::rowActivated, &list,
                     [this](int row) { activations.push_back(row); });
    QObject::connect(&list, &CBaseListCtrl::valueChanged, &list,
                     [this](int row, int /*column*/) { valueChanges.push_back(row); });
    QObject::connect(&list, &CBaseListCtrl::checkChanged, &list,
                     [this](int row, bool checked) { checks.emplace_back(row, checked); });
  }

  static CListItem Row(int labelId, int kind, const QString& value = {}) {
    CListItem item(labelId, value);
    item.kind = kind;
    return item;
  }

  static CListItem ChoiceRow() {
    CListItem sex = Row(ids::kLabelSex, CListItem::kChoices);
    sex.AddChoice(strings::Load(ids::kSexMale), ids::kSexMale);
    sex.AddChoice(strings::Load(ids::kSexFemale), ids::kSexFemale);
    return sex;
  }

  static CListItem PickRow(int labelId, int listId, int kind = CListItem::kPickList) {
    CListItem item = Row(labelId, kind);
    item.listId = listId;
    return item;
  }

  static void AddCategory(int listId, const QString& entry) {
    CDBCategories categories;
    categories.text = entry;
    ASSERT_TRUE(categories.AddNew(listId));
  }

  TestGuard guard;
  TempDevice device;
  CBaseListCtrl list;
  std::vector<ChoicePick> picks;
  std::vector<CBaseListCtrl::EditEnd> ends;
  std::vector<int> activations;
  std::vector<int> valueChanges;
  std::vector<std::pair<int, bool>> checks;
  std::function<void(ChoicePick&)> onPick;
};

TEST_F(ListTest, TextRowTakesTypedTextUpToItsLimit) {
  CListItem mr = Row(ids::kLabelMrNumber, CListItem::kTextLimited, QStringLiteral("17"));
  mr.limit = 5;
  list.UnpackList(std::vector<CListItem>{mr});
  EXPECT_EQ(list.GetItemText(0, 0), strings::Load(ids::kLabelMrNumber));
  EXPECT_EQ(list.GetValue(0), QStringLiteral("17"));

  ASSERT_TRUE(list.EditRow(0));
  auto* edit = qobject_cast<QLineEdit*>(list.Editor());
  ASSERT_NE(edit, nullptr);
  EXPECT_TRUE(list.IsEditing());
  edit->clear();
  QTest::keyClicks(edit, QStringLiteral("1234567"));
  QTest::keyClick(edit, Qt::Key_Return);

  EXPECT_FALSE(list.IsEditing());
  EXPECT_EQ(list.GetValue(0), QStringLiteral("12345"));
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0].row, 0);
  EXPECT_EQ(ends[0].text, QStringLiteral("12345"));
  EXPECT_FALSE(ends[0].cancelled);
  EXPECT_FALSE(valueChanges.empty());

  std::vector<CListItem> back{mr};
  list.PackList(back);
  EXPECT_EQ(back[0].value, QStringLiteral("12345"));
  EXPECT_TRUE(back[0].changed);
}

TEST_F(ListTest, EscapeDropsTheEditAndCloseEditKeepsIt) {
  list.UnpackList(std::vector<CListItem>{Row(ids::kLabelAge, CListItem::kText, "45 Years")});
  ASSERT_TRUE(list.EditRow(0));
  auto* edit = qobject_cast<QLineEdit*>(list.Editor());
  ASSERT_NE(edit, nullptr);
  edit->setText(QStringLiteral("46 Years"));
  QTest::keyClick(edit, Qt::Key_Escape);
  EXPECT_EQ(list.GetValue(0), QStringLiteral("45 Years"));
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_TRUE(ends[0].cancelled);

  // Text typed and not yet confirmed is taken by CloseEdit.
  ASSERT_TRUE(list.EditRow(0));
  qobject_cast<QLineEdit*>(list.Editor())->setText(QStringLiteral("47 Years"));
  list.CloseEdit();
  EXPECT_EQ(list.GetValue(0), QStringLiteral("47 Years"));
  EXPECT_EQ(list.GetRowItem(0)->value, QStringLiteral("47 Years"));
}

TEST_F(ListTest, TappingARowOpensItsValueEditor) {
  list.UnpackList(std::vector<CListItem>{Row(ids::kLabelAge, CListItem::kText, "45"),
                                         Row(ids::kLabelDoctor, CListItem::kText, "Kim")});
  const QRect cell = list.visualItemRect(list.topLevelItem(1));
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, cell.center());
  EXPECT_TRUE(list.IsEditing());
  EXPECT_EQ(list.EditingRow(), 1);
  EXPECT_EQ(list.GetSelectedRow(), 1);
  auto* edit = qobject_cast<QLineEdit*>(list.Editor());
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(edit->text(), QStringLiteral("Kim"));
}

TEST_F(ListTest, FixedChoicePlacesTheTextAndReportsItsStringId) {
  list.UnpackList(std::vector<CListItem>{ChoiceRow()});
  ASSERT_TRUE(list.EditRow(0));
  auto* combo = qobject_cast<QComboBox*>(list.Editor());
  ASSERT_NE(combo, nullptr);
  EXPECT_FALSE(combo->isEditable());
  ASSERT_EQ(combo->count(), 2);

  ASSERT_TRUE(list.PickInEditor(1));
  ASSERT_EQ(picks.size(), 1u);
  EXPECT_EQ(picks[0].row, 0);
  EXPECT_EQ(picks[0].choiceId, ids::kSexFemale);
  EXPECT_EQ(picks[0].text, strings::Load(ids::kSexFemale));
  EXPECT_FALSE(list.IsEditing());
  EXPECT_EQ(list.GetValue(0), strings::Load(ids::kSexFemale));
  EXPECT_EQ(list.GetRowItem(0)->choiceId, ids::kSexFemale);
}

TEST_F(ListTest, PickListOffersTheCategoryListAndTakesPicksOrTypedText) {
  AddCategory(CDBCategories::kRoomList, QStringLiteral("ICU 4"));
  AddCategory(CDBCategories::kRoomList, QStringLiteral("Ward 12"));
  CListItem room = PickRow(ids::kLabelRoom, CDBCategories::kRoomList);
  room.limit = 6;
  list.UnpackList(std::vector<CListItem>{room});

  ASSERT_TRUE(list.EditRow(0));
  auto* combo = qobject_cast<QComboBox*>(list.Editor());
  ASSERT_NE(combo, nullptr);
  EXPECT_TRUE(combo->isEditable());
  ASSERT_EQ(combo->count(), 3);
  EXPECT_EQ(combo->itemText(0), QStringLiteral("ICU 4"));
  EXPECT_EQ(combo->itemText(2), strings::Load(ids::kEditCategoriesEntry));

  ASSERT_TRUE(list.PickInEditor(1));
  ASSERT_EQ(picks.size(), 1u);
  EXPECT_EQ(picks[0].text, QStringLiteral("Ward 12"));
  EXPECT_EQ(list.GetValue(0), QStringLiteral("Ward 12"));

  ASSERT_TRUE(list.EditRow(0));
  combo = qobject_cast<QComboBox*>(list.Editor());
  ASSERT_NE(combo, nullptr);
  combo->lineEdit()->clear();
  QTest::keyClicks(combo->lineEdit(), QStringLiteral("Room 101"));
  list.CloseEdit();
  EXPECT_EQ(list.GetValue(0), QStringLiteral("Room 1")) << "the limit holds for typed text";
}

TEST_F(ListTest, EditEntryRunsTheCategoryEditorOnceAndReloadsTheChoices) {
  AddCategory(CDBCategories::kDoctorList, QStringLiteral("Dr. Kim"));
  list.UnpackList(std::vector<CListItem>{PickRow(ids::kLabelDoctor, CDBCategories::kDoctorList)});
  list.SetValue(0, QStringLiteral("Dr. Lee"));

  // The editor adds "Dr. Ortiz" through its name prompt, then closes.
  ui_seams::PushModalHandler([](QDialog& dialog) {
    EXPECT_NE(dynamic_cast<CEditCategoriesDlg*>(&dialog), nullptr);
    ui_seams::PushModalHandler([](QDialog& prompt) {
      auto* named = dynamic_cast<CNamePromptDlg*>(&prompt);
      EXPECT_NE(named, nullptr);
      if (named != nullptr) {
        named->Edit()->setText(QStringLiteral("Dr. Ortiz"));
      }
      return int{QDialog::Accepted};
    });
    dialog.findChild<QPushButton*>(QStringLiteral("new"))->click();
    return int{QDialog::Accepted};
  });
  ASSERT_TRUE(list.EditRow(0));
  ASSERT_TRUE(list.PickInEditor(1));  // "Edit Categories..."

  ASSERT_EQ(picks.size(), 1u);
  EXPECT_EQ(picks[0].choiceId, static_cast<int32_t>(CDBCategories::kEditEntryData));
  EXPECT_EQ(ui_seams::ModalTitles().count(strings::Load(ids::kEditCategoriesTitle)), 2);
  EXPECT_EQ(list.GetValue(0), QStringLiteral("Dr. Lee")) << "the edit entry is no value";
  const CListItem* item = list.GetRowItem(0);
  ASSERT_EQ(item->choices.size(), 3u);
  EXPECT_EQ(item->choices[1].text, QStringLiteral("Dr. Ortiz"));
  EXPECT_EQ(ui_seams::PendingModalHandlers(), 0);
}

TEST_F(ListTest, AReceiverThatRunsTheEditorItselfOrHandlesThePickIsNotDoubled) {
  list.UnpackList(std::vector<CListItem>{PickRow(ids::kLabelCode, CDBCategories::kCodeStatusList)});
  int editorsRun = 0;
  ui_seams::SetModalHandler([&editorsRun](QDialog& /*dialog*/) {
    ++editorsRun;
    return int{QDialog::Accepted};
  });
  // A receiver that runs the editor itself says so by answering handled.
  onPick = [this](ChoicePick& pick) {
    CEditCategoriesDlg editor(CDBCategories::kCodeStatusList, &list);
    editor.DoModal();
    pick.handled = true;
  };
  ASSERT_TRUE(list.EditRow(0));
  const int last = qobject_cast<QComboBox*>(list.Editor())->count() - 1;
  ASSERT_TRUE(list.PickInEditor(last));
  EXPECT_EQ(editorsRun, 1);

  // A receiver that answers handled keeps the list from completing the pick.
  onPick = [](ChoicePick& pick) { pick.handled = true; };
  ASSERT_TRUE(list.EditRow(0));
  ASSERT_TRUE(list.PickInEditor(last));
  EXPECT_EQ(editorsRun, 1);
  ui_seams::SetModalHandler([](QDialog& /*dialog*/) { return int{QDialog::Rejected}; });
}

TEST_F(ListTest, ChoicesOfTheirOwnWithAnEditEntryOfIdMinusOneAreNotPlaced) {
  // The favourites row: choices with record ids, then the edit entry with id -1.
  CListItem drug = Row(ids::kAppName, CListItem::kPickList);
  drug.AddChoice(QStringLiteral("Lisinopril 10 mg PO QD"), 41);
  drug.AddChoice(strings::Load(ids::kEditCategoriesEntry), -1);
  list.UnpackList(std::vector<CListItem>{drug});
  list.SetValue(0, QStringLiteral("Aspirin"));

  ASSERT_TRUE(list.EditRow(0));
  ASSERT_TRUE(list.PickInEditor(1));
  EXPECT_EQ(picks.at(0).choiceId, -1);
  EXPECT_EQ(list.GetValue(0), QStringLiteral("Aspirin"));

  ASSERT_TRUE(list.EditRow(0));
  ASSERT_TRUE(list.PickInEditor(0));
  EXPECT_EQ(picks.at(1).choiceId, 41);
  EXPECT_EQ(list.GetValue(0), QStringLiteral("Lisinopril 10 mg PO QD"));
}

TEST_F(ListTest, MultiLineRowAddsPicksAtTheCaretAndKeepsItsLines) {
  AddCategory(CDBCategories::kDiagnosisList, QStringLiteral("HTN"));
  list.UnpackList(std::vector<CListItem>{
      PickRow(ids::kLabelDx, CDBCategories::kDiagnosisList, CListItem::kPickListMultiline)});
  ASSERT_TRUE(list.EditRow(0));
  QWidget* editor = list.Editor();
  ASSERT_NE(editor, nullptr);
  auto* text = editor->findChild<QPlainTextEdit*>(QStringLiteral("text"));
  ASSERT_NE(text, nullptr);
  QTest::keyClicks(text, QStringLiteral("Type 2 diabetes"));
  ASSERT_TRUE(list.PickInEditor(0));
  EXPECT_TRUE(list.IsEditing()) << "a multi-line row stays open after a pick";
  EXPECT_EQ(text->toPlainText(), QStringLiteral("Type 2 diabetes, HTN"));
  ASSERT_TRUE(list.InsertInEditor(QStringLiteral("\n(+) ")));
  QTest::keyClicks(text, QStringLiteral("CKD"));
  list.CloseEdit();

  EXPECT_EQ(list.GetValue(0), QStringLiteral("Type 2 diabetes, HTN\n(+) CKD"));
  EXPECT_EQ(list.PackNoteString(),
            strings::Load(ids::kLabelDx) + QStringLiteral(": Type 2 diabetes, HTN\r\n(+) CKD\r\n"));
}

TEST_F(ListTest, ATapOnAnotherRowWhileAMultiLineEditorIsOpenEndsItInItsOwnRow) {
  list.resize(240, 400);
  list.UnpackList(std::vector<CListItem>{
      PickRow(ids::kLabelDx, CDBCategories::kDiagnosisList, CListItem::kPickListMultiline),
      PickRow(ids::kLabelProblems, CDBCategories::kProblemsList, CListItem::kPickListMultiline),
      Row(ids::kLabelAge, CListItem::kText)});
  ASSERT_TRUE(list.EditRow(0));
  auto* dx = list.Editor()->findChild<QPlainTextEdit*>(QStringLiteral("text"));
  ASSERT_NE(dx, nullptr);
  QTest::keyClicks(dx, QStringLiteral("Pneumonia"));

  // The open editor covers no other row: its row grew to hold it.
  const QRect problems = list.visualRect(list.model()->index(1, 1));
  EXPECT_FALSE(list.Editor()->geometry().intersects(problems));
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, problems.center());

  EXPECT_EQ(list.GetValue(0), QStringLiteral("Pneumonia"));
  ASSERT_TRUE(list.IsEditing());
  EXPECT_EQ(list.EditingRow(), 1);
  auto* typed = list.Editor()->findChild<QPlainTextEdit*>(QStringLiteral("text"));
  ASSERT_NE(typed, nullptr);
  QTest::keyClicks(typed, QStringLiteral("Unconfirmed"));
  list.CloseEdit();
  EXPECT_EQ(list.GetValue(0), QStringLiteral("Pneumonia"));
  EXPECT_EQ(list.GetValue(1), QStringLiteral("Unconfirmed"));
  // Closed, the rows are as tall as their text again.
  EXPECT_LT(list.visualRect(list.model()->index(0, 1)).height(), 60);
}

TEST_F(ListTest, AMultiLineValueTakesReturnAsANewLineAndEndsWithCtrlReturnOrTabOrEscape) {
  list.UnpackList(std::vector<CListItem>{
      PickRow(ids::kLabelDx, CDBCategories::kDiagnosisList, CListItem::kPickListMultiline),
      Row(ids::kLabelAge, CListItem::kText)});
  list.SetValue(0, QStringLiteral("Cough"));
  const auto open = [this]() -> QPlainTextEdit* {
    return list.EditRow(0) ? list.Editor()->findChild<QPlainTextEdit*>(QStringLiteral("text"))
                           : nullptr;
  };
  // Return is a new line; Ctrl+Return ends the edit and keeps both lines.
  QPlainTextEdit* text = open();
  ASSERT_NE(text, nullptr);
  QTest::keyClick(text, Qt::Key_Return);
  QTest::keyClicks(text, QStringLiteral("Fever"));
  ASSERT_TRUE(list.IsEditing());
  QTest::keyClick(text, Qt::Key_Return, Qt::ControlModifier);
  EXPECT_FALSE(list.IsEditing());
  EXPECT_EQ(list.GetValue(0), QStringLiteral("Cough\nFever"));
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_FALSE(ends[0].cancelled);
  EXPECT_TRUE(activations.empty()) << "the key that ends the edit does not open the row";

  // Escape ends it and drops the change.
  text = open();
  ASSERT_NE(text, nullptr);
  QTest::keyClicks(text, QStringLiteral(" for days"));
  QTest::keyClick(text, Qt::Key_Escape);
  EXPECT_FALSE(list.IsEditing());
  EXPECT_EQ(list.GetValue(0), QStringLiteral("Cough\nFever"));
  ASSERT_EQ(ends.size(), 2u);
  EXPECT_TRUE(ends[1].cancelled);

  // Tab ends it and keeps the text, and Alt+Down opens the picks before that.
  AddCategory(CDBCategories::kDiagnosisList, QStringLiteral("Asthma"));
  text = open();
  ASSERT_NE(text, nullptr);
  QTest::keyClicks(text, QStringLiteral(", wheeze"));
  QComboBox* offered = list.Editor()->findChild<QComboBox*>(QStringLiteral("picks"));
  ASSERT_NE(offered, nullptr);
  QTest::keyClick(text, Qt::Key_Down, Qt::AltModifier);
  EXPECT_TRUE(offered->view()->isVisible());
  offered->hidePopup();
  QTest::keyClick(text, Qt::Key_Tab);
  EXPECT_FALSE(list.IsEditing());
  EXPECT_EQ(list.GetValue(0), QStringLiteral("Cough\nFever, wheeze"));
}

TEST_F(ListTest, DateRowOffersNoDateAndTheDecadesAndADecadeOpensThePicker) {
  list.UnpackList(std::vector<CListItem>{Row(ids::kLabelAge, CListItem::kText),
                                         Row(ids::kLabelDob, CListItem::kDate)});
  ASSERT_TRUE(list.EditRow(1));
  auto* choices = qobject_cast<QComboBox*>(list.Editor());
  ASSERT_NE(choices, nullptr);
  ASSERT_EQ(choices->count(), 11);
  EXPECT_EQ(choices->itemText(0), strings::Load(ids::kNoDate));
  EXPECT_EQ(choices->itemText(1), QStringLiteral("1910's"));
  EXPECT_EQ(choices->itemText(10), QStringLiteral("2000's"));

  ASSERT_TRUE(list.PickInEditor(5));  // 1950's
  ASSERT_EQ(picks.size(), 1u);
  EXPECT_EQ(picks[0].choiceId, ids::kDecadeFirst + 4);
  ASSERT_TRUE(list.IsDatePickerOpen());
  auto* picker = qobject_cast<QDateEdit*>(list.Editor());
  ASSERT_NE(picker, nullptr);
  EXPECT_EQ(picker->date(), QDate(1955, 6, 15));

  picker->setDate(QDate(1957, 3, 2));
  list.CloseEdit();
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0].row, 1);
  EXPECT_TRUE(ends[0].hasDate);
  EXPECT_EQ(ends[0].date.wYear, 1957);
  EXPECT_EQ(ends[0].date.wMonth, 3);
  EXPECT_EQ(ends[0].date.wDay, 2);
  EXPECT_EQ(ends[0].date.wHour, 1);
  EXPECT_EQ(ends[0].date.wSecond, 1);
  EXPECT_EQ(ends[0].date.wDayOfWeek, 6);  // a Saturday
  EXPECT_TRUE(list.GetRowItem(1)->HasDate());
  EXPECT_EQ(list.GetValue(1), strings::Format(strings::Load(ids::kDobText),
                                              strings::Load(ids::kWeekdayFirst + 6), 3, 2, 1957));

  // "No Date" clears the date and its text, and nothing else.
  list.SetValue(0, QStringLiteral("67 Years"));
  ASSERT_TRUE(list.EditRow(1));
  ASSERT_TRUE(list.PickInEditor(0));
  EXPECT_FALSE(list.IsEditing());
  EXPECT_FALSE(list.GetRowItem(1)->HasDate());
  EXPECT_EQ(list.GetValue(1), QString());
  EXPECT_EQ(list.GetValue(0), QStringLiteral("67 Years"));
}

TEST_F(ListTest, APickerOpenedByTheReceiverIsLeftAsItOpenedIt) {
  list.UnpackList(std::vector<CListItem>{Row(ids::kLabelDob, CListItem::kDate)});
  onPick = [this](ChoicePick& pick) {
    SYSTEMTIME start{};
    start.wYear = 1925;
    start.wMonth = 1;
    start.wDay = 9;
    list.ShowInPlaceDatePicker(pick.row, 1, start, 0);
  };
  ASSERT_TRUE(list.EditRow(0));
  ASSERT_TRUE(list.PickInEditor(2));  // 1920's
  ASSERT_TRUE(list.IsDatePickerOpen());
  EXPECT_EQ(qobject_cast<QDateEdit*>(list.Editor())->date(), QDate(1925, 1, 9));
}

TEST_F(ListTest, ReadOnlyRefusesEveryEditor) {
  list.UnpackList(std::vector<CListItem>{Row(ids::kLabelAge, CListItem::kText, "45"), ChoiceRow(),
                                         Row(ids::kLabelDob, CListItem::kDate)});
  ASSERT_TRUE(list.EditRow(0));
  qobject_cast<QLineEdit*>(list.Editor())->setText(QStringLiteral("46"));
  list.SetReadOnly(true);
  EXPECT_FALSE(list.IsEditing());
  EXPECT_EQ(list.GetValue(0), QStringLiteral("46")) << "the open edit is taken first";
  for (int row = 0; row < 3; ++row) {
    EXPECT_FALSE(list.EditRow(row));
  }
  SYSTEMTIME start{};
  start.wYear = 1960;
  start.wMonth = 1;
  start.wDay = 1;
  list.ShowInPlaceDatePicker(2, 1, start, 0);
  EXPECT_FALSE(list.IsEditing());
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                    list.visualItemRect(list.topLevelItem(0)).center());
  EXPECT_FALSE(list.IsEditing());

  list.SetReadOnly(false);
  EXPECT_TRUE(list.EditRow(1));
}

TEST_F(ListTest, RowsReadOnlyFromTheDesktopAndPlainReportRowsAreNotEdited) {
  CListItem row = Row(ids::kLabelAge, CListItem::kText, "45");
  row.accessState = 1;
  list.UnpackList(std::vector<CListItem>{row});
  EXPECT_FALSE(list.EditRow(0));
  const int plain = list.InsertItem(1, QStringLiteral("Doe, Jane"));
  list.SetItemText(plain, 1, QStringLiteral("12345"));
  EXPECT_FALSE(list.EditRow(plain));
}

TEST_F(ListTest, CompanionsMoveWithTheListAndTappingThemKeepsTheEditorOpen) {
  QWidget page;
  page.resize(240, 320);
  auto* items = new CBaseListCtrl(&page);
  items->InsertColumn(0, QStringLiteral("Item"), 90);
  items->InsertColumn(1, QStringLiteral("Value"), 140);
  items->setGeometry(0, 60, 240, 200);
  auto* plus = new QPushButton(QStringLiteral("(+)"), &page);
  plus->setFocusPolicy(Qt::NoFocus);
  plus->move(4, 30);
  auto* caption = new QLabel(QStringLiteral("Admit Date:"), &page);
  caption->move(4, 4);
  items->AddCompanion(plus);
  items->AddCompanion(caption);
  QObject::connect(plus, &QPushButton::clicked, items,
                   [items] { items->InsertInEditor(strings::Load(ids::kInsertPlus)); });
  page.show();
  items->UnpackList(std::vector<CListItem>{
      PickRow(ids::kLabelDx, CDBCategories::kDiagnosisList, CListItem::kPickListMultiline)});

  ASSERT_TRUE(items->EditRow(0));
  auto* text = items->Editor()->findChild<QPlainTextEdit*>(QStringLiteral("text"));
  ASSERT_NE(text, nullptr);
  QTest::keyClicks(text, QStringLiteral("Murmur "));
  QTest::mouseClick(plus, Qt::LeftButton);
  EXPECT_TRUE(items->IsEditing());
  items->CloseEdit();
  EXPECT_EQ(items->GetValue(0), QStringLiteral("Murmur ") + strings::Load(ids::kInsertPlus));
  EXPECT_FALSE(items->InsertInEditor(QStringLiteral("x"))) << "no editor open";

  items->move(0, 100);
  EXPECT_EQ(plus->pos(), QPoint(4, 70));
  EXPECT_EQ(caption->pos(), QPoint(4, 44));
  EXPECT_EQ(items->Companions().size(), 2u);
}

TEST_F(ListTest, ReturnOnARowActivatesIt) {
  list.UnpackList(std::vector<CListItem>{Row(ids::kLabelAge, CListItem::kText)});
  list.SelectRow(0);
  list.setFocus();
  QTest::keyClick(&list, Qt::Key_Return);
  ASSERT_EQ(activations.size(), 1u);
  EXPECT_EQ(activations[0], 0);
}

TEST_F(ListTest, PackStringWritesEveryRowAndUnpackStringFillsRowsByName) {
  list.UnpackList(std::vector<CListItem>{Row(0, CListItem::kText), Row(0, CListItem::kText),
                                         Row(0, CListItem::kText)},
                  {QStringLiteral("Temp"), QStringLiteral("BP"), QStringLiteral("Pulse")});
  list.SetValue(0, QStringLiteral("98.6"));
  list.SetValue(2, QStringLiteral("72"));
  const QString packed = list.PackString();
  EXPECT_EQ(packed, QStringLiteral("Temp\n98.6\nBP\n\nPulse\n72\n"));

  // Another entry fills the same rows by name; a row it does not name is emptied.
  EXPECT_FALSE(list.UnpackString(QStringLiteral("Pulse\n88\nBP\n120/80\n")));
  EXPECT_EQ(list.GetValue(0), QString());
  EXPECT_EQ(list.GetValue(1), QStringLiteral("120/80"));
  EXPECT_EQ(list.GetValue(2), QStringLiteral("88"));
  EXPECT_EQ(list.GetItemCount(), 3);

  // The round trip is exact.
  EXPECT_FALSE(list.UnpackString(packed));
  EXPECT_EQ(list.PackString(), packed);
}

TEST_F(ListTest, UnpackStringReportsRowsThatNoLongerMatchAndKeepsTheirValues) {
  list.UnpackList(std::vector<CListItem>{Row(0, CListItem::kText)}, {QStringLiteral("Temp")});
  EXPECT_TRUE(list.UnpackString(QStringLiteral("Temp\n99\nGlucose\n140\n")));
  ASSERT_EQ(list.GetItemCount(), 2);
  EXPECT_EQ(list.GetItemText(1, 0), QStringLiteral("Glucose"));
  EXPECT_EQ(list.GetValue(1), QStringLiteral("140"));
  EXPECT_EQ(list.PackString(), QStringLiteral("Temp\n99\nGlucose\n140\n"));
}

TEST_F(ListTest, UnpackStringListShowsEveryPairInStoredOrder) {
  list.UnpackStringList(QStringLiteral("WBC\n7.2\nHb\n\nHct\n41\nPlt\n250"));
  ASSERT_EQ(list.GetItemCount(), 4);
  EXPECT_EQ(list.GetItemText(0, 0), QStringLiteral("WBC"));
  EXPECT_EQ(list.GetValue(1), QString());
  EXPECT_EQ(list.GetValue(3), QStringLiteral("250")) << "a last value without its line feed";
  EXPECT_EQ(list.PackString(), QStringLiteral("WBC\n7.2\nHb\n\nHct\n41\nPlt\n250\n"));

  // The pairs end at an empty name.
  list.UnpackStringList(QStringLiteral("Na\n140\n\nK\n4.1\n"));
  EXPECT_EQ(list.GetItemCount(), 1);
  // Rows made from the text are editable like plain rows.
  EXPECT_TRUE(list.EditRow(0));
}

TEST_F(ListTest, PackListCopiesEveryRowBackAndNoteStringSkipsEmptyRows) {
  std::vector<CListItem> items{Row(ids::kLabelAge, CListItem::kText, "45"), ChoiceRow(),
                               Row(ids::kLabelRace, CListItem::kText)};
  list.UnpackList(items);
  ASSERT_TRUE(list.EditRow(1));
  ASSERT_TRUE(list.PickInEditor(0));
  list.PackList(items);
  EXPECT_EQ(items[0].value, QStringLiteral("45"));
  EXPECT_FALSE(items[0].changed);
  EXPECT_EQ(items[1].value, strings::Load(ids::kSexMale));
  EXPECT_EQ(items[1].choiceId, ids::kSexMale);
  EXPECT_TRUE(items[1].changed);
  EXPECT_EQ(list.PackNoteString(), strings::Load(ids::kLabelAge) + QStringLiteral(": 45\r\n") +
                                       strings::Load(ids::kLabelSex) + QStringLiteral(": ") +
                                       strings::Load(ids::kSexMale) + QStringLiteral("\r\n"));
}

// The todo form: check boxes, priority choices in column 0 and the text in column 1.
class TodoListTest : public ListTest {
 protected:
  void SetUp() override {
    ListTest::SetUp();
    list.SetExtendedStyle(CBaseListCtrl::kCheckBoxes | CBaseListCtrl::kFullRowSelect |
                          CBaseListCtrl::kNoColumnHeader);
    list.SetChoiceColumn(0);
    list.SetImageList({QIcon(), QIcon()});
    AddTodo(3, QStringLiteral("Call family"), CListItem::kPickList);
    AddTodo(1, QStringLiteral("Read-only item"), CListItem::kText);
    picks.clear();
    ends.clear();
    valueChanges.clear();
    checks.clear();
  }

  void AddTodo(int priority, const QString& text, int kind) {
    const int row = list.InsertItem(list.GetItemCount(), QString::number(priority));
    list.SetItemText(row, 1, text);
    auto item = std::make_unique<CListItem>();
    for (int p = 1; p <= 5; ++p) {
      item->AddChoice(QString::number(p), 3732 + p);
    }
    item->choiceId = 3732 + priority;
    item->kind = kind;
    list.SetRowItem(row, std::move(item));
    list.SetItemImage(row, 0);
  }
};

TEST_F(TodoListTest, PriorityChoicesInColumnZeroAndTextInColumnOne) {
  ASSERT_TRUE(list.EditRow(0, 0));
  ASSERT_EQ(qobject_cast<QComboBox*>(list.Editor())->count(), 5);
  ASSERT_TRUE(list.PickInEditor(0));
  ASSERT_EQ(picks.size(), 1u);
  EXPECT_EQ(picks[0].choiceId, 3733);
  EXPECT_EQ(list.GetItemText(0, 0), QStringLiteral("1"));
  EXPECT_EQ(list.GetItemText(0, 1), QStringLiteral("Call family"));

  ASSERT_TRUE(list.EditRow(0, 1));
  auto* edit = qobject_cast<QLineEdit*>(list.Editor());
  ASSERT_NE(edit, nullptr);
  edit->setText(QStringLiteral("Call daughter"));
  list.CloseEdit();
  EXPECT_EQ(list.GetItemText(0, 1), QStringLiteral("Call daughter"));
  EXPECT_EQ(ends.at(0).column, 1);

  // A read-only item (kind 0) is not edited in either column.
  EXPECT_FALSE(list.EditRow(1, 0));
  EXPECT_FALSE(list.EditRow(1, 1));
}

TEST_F(TodoListTest, CheckBoxesAndIconsAndSorting) {
  list.SetCheck(1, true);
  EXPECT_TRUE(list.GetCheck(1));
  EXPECT_TRUE(checks.empty()) << "set by the program";
  list.topLevelItem(0)->setCheckState(0, Qt::Checked);  // as a tap does
  ASSERT_EQ(checks.size(), 1u);
  EXPECT_EQ(checks[0], std::make_pair(0, true));
  EXPECT_TRUE(list.GetCheck(0));

  list.SetItemImage(0, 1);
  EXPECT_EQ(list.GetItemImage(0), 1);
  list.SetItemData(0, 77);
  list.SelectRow(0);

  list.SortRows(
      [this](int a, int b) { return list.GetRowItem(a)->choiceId < list.GetRowItem(b)->choiceId; });
  EXPECT_EQ(list.GetItemText(0, 1), QStringLiteral("Read-only item"));
  EXPECT_EQ(list.GetItemText(1, 1), QStringLiteral("Call family"));
  EXPECT_EQ(list.GetItemData(1), 77u);
  EXPECT_TRUE(list.GetCheck(1));
  EXPECT_EQ(list.GetItemImage(1), 1);
  EXPECT_EQ(list.GetSelectedRow(), 1) << "the selection moves with its row";
}

TEST(AutoListTest, PhrasesTravelAsOneTextAndAreEditedInPlace) {
  CAutoListCtrl list;
  list.resize(200, 200);
  list.show();
  list.UnpackSingleString(QStringLiteral("Cough\nFever\n\nNausea"));
  ASSERT_EQ(list.GetItemCount(), 3);
  EXPECT_EQ(list.PackSingleString(), QStringLiteral("Cough\nFever\nNausea\n"));

  ASSERT_TRUE(list.EditRow(1));
  auto* edit = qobject_cast<QLineEdit*>(list.Editor());
  ASSERT_NE(edit, nullptr);
  edit->setText(QStringLiteral("Chills"));
  list.CloseEdit();
  list.AddPhrase(QString());  // an empty new row is not packed
  list.AddPhrase(QStringLiteral("Rash"));
  EXPECT_EQ(list.PackSingleString(), QStringLiteral("Cough\nChills\nNausea\nRash\n"));
}

}  // namespace
