// "Add Meds" and "Remove Med Favorites" on their own: the rows, the checks of SAVE, favourites,
// read-only medications, the buttons' rule and the layout under the input panel.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDateEdit>
#include <QListWidget>
#include <QPushButton>

#include "chart/CAddMedsDlg.h"
#include "chart/CRemoveMedFavoritesDlg.h"
#include "common/CDBCategories.h"
#include "common/MessageService.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CEditCategoriesDlg.h"
#include "common/ui/CPictureButton.h"
#include "common/ui/InputPanel.h"
#include "common/ui/UiSeams.h"
#include "platform/Clock.h"
#include "store/CDBMedsFavorites.h"
#include "support/TempDevice.h"
#include "support/TestGuard.h"
#include "support/TestTime.h"
#include "test_meds_support.h"

namespace {

using namespace meds_fields;
using meds_test::AddMed;
using meds_test::AddPatient;
using meds_test::Medication;
using test_time::At;

// Stores a favourite; answers its record id.
uint32_t AddFavorite(const QString& drug, const QString& dose, const QString& route,
                     const QString& frequency) {
  CDBMedsFavorites favorite;
  favorite.drug = drug;
  favorite.dose = dose;
  favorite.route = route;
  favorite.frequency = frequency;
  EXPECT_TRUE(favorite.AddNew());
  uint32_t id = 0;
  CListItem choices;
  CDBMedsFavorites().FillChoices(choices);
  for (const CListItem::Choice& choice : choices.choices) {
    if (choice.text == favorite.FormatFavorite()) {
      id = static_cast<uint32_t>(choice.id);
    }
  }
  return id;
}

// The texts of the stored favourites, in store order.
QStringList StoredFavorites() {
  QStringList texts;
  CDBMedsFavorites walk;
  for (bool more = walk.First(); more; more = walk.Next()) {
    texts.append(walk.FormatFavorite());
  }
  return texts;
}

// A new medication's dialog on a fresh device; today is 10 March 2024, 10:30.
class AddMedsDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clock_source::Fix(At(2024, 3, 10, 10, 30));
    Open(0, 0);
  }

  void Open(uint32_t recordId, int readOnly) {
    m_dialog.reset();
    m_dialog = std::make_unique<CAddMedsDlg>(recordId, readOnly);
  }

  CBaseListCtrl& List() const { return *m_dialog->List(); }
  QString Value(int row) const { return List().GetValue(row); }
  void Set(int row, const QString& value) { List().SetValue(row, value); }
  bool SaveEnabled() const { return m_dialog->SaveButton()->isEnabled(); }
  bool FavEnabled() const { return m_dialog->FavButton()->isEnabled(); }
  const std::vector<messages::Shown>& Shown() const {
    return messages::DefaultRecorder().Messages();
  }

  // Picks choice index of a row's drop-down as the user would: tap the row, choose.
  void Pick(int row, int index) {
    ASSERT_TRUE(List().EditRow(row));
    ASSERT_TRUE(List().PickInEditor(index));
  }
  // The index of the "Yes" choice of "Track Days".
  static int Yes() { return 1; }
  int LastChoice(int row) const {
    return static_cast<int>(List().GetRowItem(row)->choices.size()) - 1;
  }

  TestGuard m_guard;
  TempDevice m_device;
  std::unique_ptr<CAddMedsDlg> m_dialog;
};

// ---------------------------------------------------------------------------------------------
// Rows

TEST_F(AddMedsDlgTest, ANewMedicationStartsTodayWithEightRowsAndNothingToSave) {
  EXPECT_EQ(m_dialog->windowTitle(), QStringLiteral("Add Meds"));
  ASSERT_EQ(List().GetItemCount(), kRowCount);
  const char* labels[] = {"Drug",       "Dose",   "Route",       "Frequency",
                          "Track Days", "# Days", "# Dispensed", "# Refills"};
  const int kinds[] = {7, 7, 7, 7, 3, 7, 7, 7};
  const int lists[] = {-1, 10, 11, 12, -1, 14, 15, 16};
  const int limits[] = {30, 30, 30, 30, 30, 8, 8, 8};
  for (int row = 0; row < kRowCount; ++row) {
    SCOPED_TRACE(row);
    const CListItem* item = List().GetRowItem(row);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(List().GetItemText(row, 0), QString::fromUtf8(labels[row]));
    EXPECT_EQ(item->kind, kinds[row]);
    EXPECT_EQ(item->listId, lists[row]);
    EXPECT_EQ(item->limit, limits[row]);
    EXPECT_EQ(Value(row), row == kTrackDaysRow ? QStringLiteral("No") : QString());
  }
  const auto& trackDays = List().GetRowItem(kTrackDaysRow)->choices;
  ASSERT_EQ(trackDays.size(), 2u);
  EXPECT_EQ(trackDays[0].text, QStringLiteral("No"));
  EXPECT_EQ(trackDays[1].text, QStringLiteral("Yes"));
  // Without favourites the Drug row offers only the way to them.
  const auto& drug = List().GetRowItem(kDrugRow)->choices;
  ASSERT_EQ(drug.size(), 1u);
  EXPECT_EQ(drug[0].text, QStringLiteral("Edit Categories..."));
  EXPECT_EQ(drug[0].id, -1);

  EXPECT_EQ(m_dialog->DatePicker()->date(), QDate(2024, 3, 10));
  EXPECT_FALSE(SaveEnabled());
  EXPECT_FALSE(FavEnabled());
  EXPECT_TRUE(m_dialog->SaveButton()->isVisibleTo(m_dialog.get()));
  EXPECT_FALSE(m_dialog->NoSaveButton()->isVisibleTo(m_dialog.get()));
  for (const QWidget* control :
       {static_cast<const QWidget*>(&List()), static_cast<const QWidget*>(m_dialog->DatePicker()),
        static_cast<const QWidget*>(m_dialog->FavButton()),
        static_cast<const QWidget*>(m_dialog->CancelButton()),
        static_cast<const QWidget*>(m_dialog->SaveButton()),
        static_cast<const QWidget*>(m_dialog->NoSaveButton())}) {
    EXPECT_FALSE(control->accessibleName().isEmpty()) << control->objectName().toStdString();
  }
  EXPECT_EQ(m_dialog->FavButton()->accessibleName(), QStringLiteral("Add to favorites"));
}

TEST_F(AddMedsDlgTest, SaveHandsTheCallerEveryValueAndTheStartDate) {
  const QString values[kRowCount] = {"Lasix", "40mg", "PO", "BID", "", "7", "30", "2"};
  for (int row = 0; row < kRowCount; ++row) {
    if (row != kTrackDaysRow) {
      Set(row, values[row]);
    }
  }
  Pick(kTrackDaysRow, Yes());
  m_dialog->DatePicker()->setDate(QDate(2024, 3, 4));
  m_dialog->OnSave();
  ASSERT_EQ(m_dialog->result(), QDialog::Accepted);
  EXPECT_TRUE(Shown().empty());

  CDBMeds meds;
  m_dialog->SaveTo(meds);
  EXPECT_EQ(meds.drug, QStringLiteral("Lasix"));
  EXPECT_EQ(meds.dose, QStringLiteral("40mg"));
  EXPECT_EQ(meds.route, QStringLiteral("PO"));
  EXPECT_EQ(meds.frequency, QStringLiteral("BID"));
  EXPECT_EQ(meds.trackDays, QStringLiteral("Yes"));
  EXPECT_EQ(meds.days, QStringLiteral("7"));
  EXPECT_EQ(meds.dispensed, QStringLiteral("30"));
  EXPECT_EQ(meds.refills, QStringLiteral("2"));
  const SYSTEMTIME start = test_time::Fields(meds.startDate);
  EXPECT_EQ(start.wYear, 2024);
  EXPECT_EQ(start.wMonth, 3);
  EXPECT_EQ(start.wDay, 4);
}

TEST_F(AddMedsDlgTest, SaveTakesWhatIsBeingTyped) {
  ASSERT_TRUE(List().EditRow(kDrugRow));
  ASSERT_TRUE(List().InsertInEditor(QStringLiteral("Keflex")));
  m_dialog->OnSave();
  ASSERT_EQ(m_dialog->result(), QDialog::Accepted);
  EXPECT_EQ(m_dialog->Items()[kDrugRow].value, QStringLiteral("Keflex"));
}

// ---------------------------------------------------------------------------------------------
// The checks of SAVE

TEST_F(AddMedsDlgTest, TrackedDaysNeedAPositiveLeadingNumber) {
  const struct {
    const char* trackDays;
    const char* days;
    bool accepted;
  } cases[] = {
      {"Yes", "0", false},     {"Yes", "-3", false}, {"Yes", "abc", false}, {"Yes", "", false},
      {"Yes", "5 tabs", true}, {"Yes", " 12", true}, {"No", "", true},      {"No", "abc", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.trackDays) + " / " + c.days);
    messages::DefaultRecorder().Clear();
    Open(0, 0);
    Set(kDrugRow, QStringLiteral("Keflex"));
    if (QString::fromUtf8(c.trackDays) == QStringLiteral("Yes")) {
      Pick(kTrackDaysRow, Yes());
    }
    Set(kDaysRow, QString::fromUtf8(c.days));
    m_dialog->OnSave();
    if (c.accepted) {
      EXPECT_EQ(m_dialog->result(), QDialog::Accepted);
      EXPECT_TRUE(Shown().empty());
      continue;
    }
    EXPECT_NE(m_dialog->result(), QDialog::Accepted);
    ASSERT_EQ(Shown().size(), 1u);
    EXPECT_EQ(Shown()[0].text, QStringLiteral("You must enter a valid day number before saving!"));
    EXPECT_EQ(Shown()[0].caption, QStringLiteral("Ovelin"));
    EXPECT_EQ(Shown()[0].icon, messages::Icon::Exclamation);
  }
}

TEST_F(AddMedsDlgTest, AMissingDrugIsReportedBeforeTheDayNumber) {
  Pick(kTrackDaysRow, Yes());
  Set(kDaysRow, QStringLiteral("0"));
  m_dialog->OnSave();
  EXPECT_NE(m_dialog->result(), QDialog::Accepted);
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_EQ(Shown()[0].text, QStringLiteral("You must enter a drug name before saving!"));
  EXPECT_EQ(Shown()[0].caption, QStringLiteral("Ovelin"));
  EXPECT_FALSE(SaveEnabled());
  EXPECT_FALSE(FavEnabled());

  m_dialog->OnCancel();
  EXPECT_EQ(m_dialog->result(), QDialog::Rejected);
}

// ---------------------------------------------------------------------------------------------
// The buttons' rule

TEST_F(AddMedsDlgTest, FavAndSaveFollowTheDrugName) {
  Set(kDrugRow, QStringLiteral("Lasix"));
  emit List().focusLost(kDrugRow);
  EXPECT_TRUE(SaveEnabled());
  EXPECT_TRUE(FavEnabled());

  // Emptied in its editor, the drug takes both buttons with it when the edit ends.
  ASSERT_TRUE(List().EditRow(kDrugRow));
  auto* combo = qobject_cast<QComboBox*>(List().Editor());
  ASSERT_NE(combo, nullptr);
  combo->setEditText(QString());
  List().CloseEdit();
  EXPECT_FALSE(SaveEnabled());
  EXPECT_FALSE(FavEnabled());

  // Any notification while another row is being edited counts the drug as coming.
  ASSERT_TRUE(List().EditRow(kDoseRow));
  m_dialog->DatePicker()->setDate(QDate(2024, 3, 9));
  EXPECT_TRUE(SaveEnabled());
  List().CancelEdit();
  m_dialog->DatePicker()->setDate(QDate(2024, 3, 8));
  EXPECT_FALSE(SaveEnabled());
}

TEST_F(AddMedsDlgTest, ChangingOnlyTheDateOfAStoredMedicationEnablesSave) {
  const QString name = AddPatient(QStringLiteral("Ana"), QStringLiteral("Chen"), QString());
  Medication med;
  med.drug = QStringLiteral("Lasix");
  med.trackDays = QStringLiteral("Yes");
  med.days = QStringLiteral("10");
  med.start = At(2024, 3, 5, 8);
  const uint32_t id = AddMed(name, med);
  Open(id, 0);
  EXPECT_EQ(Value(kDrugRow), QStringLiteral("Lasix"));
  EXPECT_EQ(Value(kTrackDaysRow), QStringLiteral("Yes"));
  EXPECT_EQ(Value(kDaysRow), QStringLiteral("10"));
  EXPECT_EQ(Value(kRefillsRow), QStringLiteral("2"));
  EXPECT_EQ(m_dialog->DatePicker()->date(), QDate(2024, 3, 5));
  EXPECT_FALSE(SaveEnabled());
  EXPECT_TRUE(FavEnabled());

  m_dialog->DatePicker()->setDate(QDate(2024, 3, 6));
  EXPECT_TRUE(SaveEnabled());
  m_dialog->OnSave();
  ASSERT_EQ(m_dialog->result(), QDialog::Accepted);
  CDBMeds meds;
  m_dialog->SaveTo(meds);
  EXPECT_EQ(test_time::Fields(meds.startDate).wDay, 6);
  EXPECT_EQ(meds.drug, QStringLiteral("Lasix"));
}

TEST_F(AddMedsDlgTest, AMedicationFromTheDesktopIsShownButNotChanged) {
  const QString name = AddPatient(QStringLiteral("Ana"), QStringLiteral("Chen"), QString());
  Medication med;
  med.drug = QStringLiteral("Digoxin");
  med.start = At(2024, 3, 5);
  med.accessState = 2;  // read/write on the desktop: the dialog still only shows it
  const uint32_t id = AddMed(name, med);
  Open(id, 2);
  EXPECT_EQ(Value(kDrugRow), QStringLiteral("Digoxin"));
  EXPECT_TRUE(m_dialog->NoSaveButton()->isVisibleTo(m_dialog.get()));
  EXPECT_FALSE(m_dialog->SaveButton()->isVisibleTo(m_dialog.get()));
  EXPECT_TRUE(List().IsReadOnly());
  EXPECT_FALSE(List().EditRow(kDoseRow));
  EXPECT_FALSE(m_dialog->DatePicker()->isEnabled());
  m_dialog->OnSave();
  EXPECT_NE(m_dialog->result(), QDialog::Accepted);
  m_dialog->OnCancel();
  EXPECT_EQ(m_dialog->result(), QDialog::Rejected);
}

TEST_F(AddMedsDlgTest, AMedicationThatCannotBeReadEndsWithCancelAtOnce) {
  Open(4242, 0);
  EXPECT_TRUE(m_dialog->LoadFailed());
  ui_seams::PushModalHandler([](QDialog&) { return static_cast<int>(QDialog::Accepted); });
  EXPECT_EQ(m_dialog->DoModal(), QDialog::Rejected);
  EXPECT_EQ(ui_seams::PendingModalHandlers(), 1);  // the dialog never ran
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_EQ(Shown()[0].text, strings::Load(ids::kMedicationNotRead));
}

// ---------------------------------------------------------------------------------------------
// Favourites

TEST_F(AddMedsDlgTest, FavTwiceStoresOneFavoriteAndOffersIt) {
  Set(kDrugRow, QStringLiteral("Lasix"));
  Set(kDoseRow, QStringLiteral("40mg"));
  Set(kRouteRow, QStringLiteral("PO"));
  Set(kFrequencyRow, QStringLiteral("QD"));
  Set(kDaysRow, QStringLiteral("7"));
  m_dialog->OnFav();
  m_dialog->OnFav();
  EXPECT_EQ(StoredFavorites(), QStringList{QStringLiteral("Lasix 40mg PO QD")});
  const auto& choices = List().GetRowItem(kDrugRow)->choices;
  ASSERT_EQ(choices.size(), 2u);
  EXPECT_EQ(choices[0].text, QStringLiteral("Lasix 40mg PO QD"));
  EXPECT_EQ(choices[1].text, QStringLiteral("Edit Categories..."));
  EXPECT_EQ(choices[1].id, -1);
  // Stored at once: cancelling the dialog keeps the favourite.
  m_dialog->OnCancel();
  EXPECT_EQ(StoredFavorites().size(), 1);

  // Without a drug nothing is stored, and both buttons go off.
  Open(0, 0);
  Set(kDoseRow, QStringLiteral("80mg"));
  m_dialog->OnFav();
  EXPECT_EQ(StoredFavorites().size(), 1);
  EXPECT_FALSE(FavEnabled());
  EXPECT_FALSE(SaveEnabled());
}

TEST_F(AddMedsDlgTest, AChosenFavoriteFillsDrugDoseRouteAndFrequencyOnly) {
  AddFavorite(QStringLiteral("Aspirin"), QStringLiteral("81mg"), QStringLiteral("PO"),
              QStringLiteral("QD"));
  AddFavorite(QStringLiteral("Heparin"), QStringLiteral("5000u"), QStringLiteral("SQ"),
              QStringLiteral("Q12H"));
  Open(0, 0);
  Set(kDoseRow, QStringLiteral("1g"));
  Set(kDaysRow, QStringLiteral("5"));
  Set(kDispensedRow, QStringLiteral("10"));
  Pick(kDrugRow, 1);  // favourites come in drug order
  EXPECT_EQ(Value(kDrugRow), QStringLiteral("Heparin"));
  EXPECT_EQ(Value(kDoseRow), QStringLiteral("5000u"));
  EXPECT_EQ(Value(kRouteRow), QStringLiteral("SQ"));
  EXPECT_EQ(Value(kFrequencyRow), QStringLiteral("Q12H"));
  EXPECT_EQ(Value(kTrackDaysRow), QStringLiteral("No"));
  EXPECT_EQ(Value(kDaysRow), QStringLiteral("5"));
  EXPECT_EQ(Value(kDispensedRow), QStringLiteral("10"));
  EXPECT_TRUE(Value(kRefillsRow).isEmpty());
  EXPECT_TRUE(SaveEnabled());
  EXPECT_TRUE(FavEnabled());
}

TEST_F(AddMedsDlgTest, AFavoriteRemovedMeanwhileIsTakenAsItsText) {
  const uint32_t aspirin = AddFavorite(QStringLiteral("Aspirin"), QStringLiteral("81mg"),
                                       QStringLiteral("PO"), QStringLiteral("QD"));
  Open(0, 0);
  Set(kDoseRow, QStringLiteral("1g"));
  ASSERT_TRUE(CDBMedsFavorites().RemoveByCEOID(aspirin));
  Pick(kDrugRow, 0);
  EXPECT_EQ(Value(kDrugRow), QStringLiteral("Aspirin 81mg PO QD"));
  EXPECT_EQ(Value(kDoseRow), QStringLiteral("1g"));
}

TEST_F(AddMedsDlgTest, TheDrugListsLastChoiceOpensRemoveMedFavoritesNotTheCategoryEditor) {
  AddFavorite(QStringLiteral("Aspirin"), QStringLiteral("81mg"), QStringLiteral("PO"),
              QStringLiteral("QD"));
  AddFavorite(QStringLiteral("Heparin"), QStringLiteral("5000u"), QStringLiteral("SQ"),
              QStringLiteral("Q12H"));
  Open(0, 0);
  Set(kDrugRow, QStringLiteral("Lasix"));
  QStringList offered;
  ui_seams::PushModalHandler([&offered](QDialog& dialog) {
    auto* remove = qobject_cast<CRemoveMedFavoritesDlg*>(&dialog);
    if (remove == nullptr) {
      return static_cast<int>(QDialog::Rejected);
    }
    for (int row = 0; row < remove->List()->count(); ++row) {
      offered.append(remove->List()->item(row)->text());
    }
    remove->List()->setCurrentRow(0);
    remove->OnDelete();
    return static_cast<int>(QDialog::Accepted);
  });
  Pick(kDrugRow, LastChoice(kDrugRow));

  EXPECT_EQ(ui_seams::ModalTitles(), QStringList{QStringLiteral("Remove Med Favorites")});
  EXPECT_EQ(offered, (QStringList{"Aspirin 81mg PO QD", "Heparin 5000u SQ Q12H"}));
  EXPECT_EQ(StoredFavorites(), QStringList{QStringLiteral("Heparin 5000u SQ Q12H")});
  const auto& choices = List().GetRowItem(kDrugRow)->choices;
  ASSERT_EQ(choices.size(), 2u);
  EXPECT_EQ(choices[0].text, QStringLiteral("Heparin 5000u SQ Q12H"));
  EXPECT_EQ(Value(kDrugRow), QStringLiteral("Lasix"));  // nothing else happens
}

TEST_F(AddMedsDlgTest, AnotherRowsEditEntryEditsThatRowsCategoryList) {
  int editedList = -1;
  ui_seams::PushModalHandler([&editedList](QDialog& dialog) {
    auto* editor = qobject_cast<CEditCategoriesDlg*>(&dialog);
    editedList = editor != nullptr ? editor->ListId() : -2;
    CDBCategories categories;
    categories.text = QStringLiteral("250mg");
    EXPECT_TRUE(categories.AddNew(CDBCategories::kDoseList));
    return static_cast<int>(QDialog::Accepted);
  });
  ASSERT_TRUE(List().EditRow(kDoseRow));  // the editor offers the category list, then its editor
  ASSERT_TRUE(List().PickInEditor(LastChoice(kDoseRow)));
  EXPECT_EQ(editedList, CDBCategories::kDoseList);
  const auto& choices = List().GetRowItem(kDoseRow)->choices;
  EXPECT_NE(std::find_if(choices.begin(), choices.end(),
                         [](const CListItem::Choice& c) { return c.text == "250mg"; }),
            choices.end());
}

TEST_F(AddMedsDlgTest, RemoveMedFavoritesDeletesOnlyTheSelectedLine) {
  AddFavorite(QStringLiteral("Zantac"), QStringLiteral("150mg"), QStringLiteral("PO"),
              QStringLiteral("BID"));
  AddFavorite(QStringLiteral("aspirin"), QStringLiteral("81mg"), QStringLiteral("PO"),
              QStringLiteral("QD"));
  AddFavorite(QStringLiteral("Lasix"), QStringLiteral("40mg"), QStringLiteral("IV"),
              QStringLiteral("QD"));
  CRemoveMedFavoritesDlg remove;
  EXPECT_EQ(remove.windowTitle(), QStringLiteral("Remove Med Favorites"));
  ASSERT_EQ(remove.List()->count(), 3);
  EXPECT_EQ(remove.List()->item(0)->text(), QStringLiteral("aspirin 81mg PO QD"));
  EXPECT_EQ(remove.List()->item(2)->text(), QStringLiteral("Zantac 150mg PO BID"));
  EXPECT_EQ(remove.OkButton()->text(), QStringLiteral("OK"));
  EXPECT_EQ(remove.DeleteButton()->text(), QStringLiteral("Delete"));
  EXPECT_FALSE(remove.List()->accessibleName().isEmpty());

  remove.OnDelete();  // nothing selected: nothing goes
  EXPECT_EQ(StoredFavorites().size(), 3);
  remove.List()->setCurrentRow(1);
  remove.OnDelete();
  EXPECT_EQ(StoredFavorites(), (QStringList{"aspirin 81mg PO QD", "Zantac 150mg PO BID"}));
  ASSERT_EQ(remove.List()->count(), 2);
  EXPECT_EQ(remove.List()->item(1)->text(), QStringLiteral("Zantac 150mg PO BID"));
  EXPECT_TRUE(messages::DefaultRecorder().Messages().empty());
}

// ---------------------------------------------------------------------------------------------
// Layout

TEST_F(AddMedsDlgTest, TheListEndsAboveTheInputPanel) {
  m_dialog->setGeometry(input_panel::Desktop());
  meds_test::ExpectListEndsAboveInputPanel(*m_dialog, List());
  // The columns share the list's width.
  const int w = List().width();
  EXPECT_EQ(List().GetColumnWidth(CBaseListCtrl::kLabelColumn), (2 * w) / 5 - 10);
  EXPECT_EQ(List().GetColumnWidth(CBaseListCtrl::kValueColumn), (3 * w) / 5 - 15);
}

}  // namespace
