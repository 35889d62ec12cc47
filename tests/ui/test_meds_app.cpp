// The medication chart in the real main window: the toolbar's add-medication button, the
// "Meds/Rx" tab it reloads, and the pictures of the page and of "Add Meds" for docs/.

#include <gtest/gtest.h>

#include <QAction>
#include <QDateEdit>
#include <QPlainTextEdit>

#include "chart/CAddMedsDlg.h"
#include "chart/CMedsPage.h"
#include "common/ui/UiSeams.h"
#include "shell/CommandIds.h"
#include "support/TestTime.h"
#include "test_app_support.h"
#include "test_meds_support.h"

namespace {

using namespace meds_fields;
using test_time::At;

class MedsAppTest : public app_test::AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    clock_source::Fix(At(2024, 3, 10, 10, 30));
  }

  CMedsPage* MedsPage() const {
    return dynamic_cast<CMedsPage*>(Strip()->GetPage(QStringLiteral("Meds/Rx")));
  }
  QStringList Rows() const {
    QStringList rows;
    for (int row = 0; row < MedsPage()->List()->GetItemCount(); ++row) {
      rows.append(MedsPage()->List()->GetItemText(row, 0));
    }
    return rows;
  }
};

// Fills "Add Meds" as a person would and saves it.
int EnterLasix(QDialog& dialog) {
  auto* meds = qobject_cast<CAddMedsDlg*>(&dialog);
  if (meds == nullptr) {
    return static_cast<int>(QDialog::Rejected);
  }
  CBaseListCtrl& list = *meds->List();
  list.SetValue(kDrugRow, QStringLiteral("Lasix"));
  list.SetValue(kDoseRow, QStringLiteral("40mg"));
  list.SetValue(kRouteRow, QStringLiteral("PO"));
  list.SetValue(kFrequencyRow, QStringLiteral("BID"));
  if (!list.EditRow(kTrackDaysRow) || !list.PickInEditor(1)) {  // "Yes"
    return static_cast<int>(QDialog::Rejected);
  }
  list.SetValue(kDaysRow, QStringLiteral("7"));
  list.SetValue(kDispensedRow, QStringLiteral("14"));
  list.SetValue(kRefillsRow, QStringLiteral("0"));
  meds->OnSave();
  return meds->result();
}

TEST_F(MedsAppTest, TheToolbarButtonAddsAMedicationThatMedsRxShowsWithItsDay) {
  const QString name =
      meds_test::AddPatient(QStringLiteral("Ana"), QStringLiteral("Chen"), QStringLiteral("Sulfa"));
  ASSERT_TRUE(Start());
  ASSERT_EQ(Strip()->currentPatient, name);
  ASSERT_TRUE(Strip()->SelectPage(2));
  ASSERT_NE(MedsPage(), nullptr);
  EXPECT_EQ(MedsPage()->List()->GetItemCount(), 0);
  EXPECT_EQ(MedsPage()->AllergiesBox()->toPlainText(), QStringLiteral("Sulfa"));

  bool panelUp = false;
  ui_seams::PushModalHandler([&panelUp](QDialog& dialog) {
    panelUp = input_panel::IsUp();
    return EnterLasix(dialog);
  });
  QAction* addMeds = Frame()->Action(command_ids::kAddMeds);
  ASSERT_NE(addMeds, nullptr);
  ASSERT_TRUE(addMeds->isEnabled());
  addMeds->trigger();

  EXPECT_EQ(ui_seams::ModalTitles().last(), QStringLiteral("Add Meds"));
  EXPECT_TRUE(panelUp);
  EXPECT_FALSE(input_panel::IsUp());
  EXPECT_EQ(Rows(), QStringList{QStringLiteral("Lasix 40mg PO BID    Day 1 14 0")});
  const std::vector<uint32_t> ids = meds_test::MedIds(name);
  ASSERT_EQ(ids.size(), 1u);
  const auto stored = meds_test::Stored(ids[0]);
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(stored->patient, name);
  EXPECT_EQ(stored->trackDays, QStringLiteral("Yes"));
  EXPECT_EQ(stored->days, QStringLiteral("7"));
  EXPECT_EQ(CDBBaseDatabase::TimeToDayString(stored->startDate), QStringLiteral("20240310"));

  // Three days on, the page counts the fourth day of treatment.
  clock_source::Fix(At(2024, 3, 13, 8));
  ASSERT_TRUE(Strip()->SelectPage(0));
  ASSERT_TRUE(Strip()->SelectPage(2));
  EXPECT_EQ(Rows(), QStringList{QStringLiteral("Lasix 40mg PO BID    Day 4 14 0")});
}

TEST_F(MedsAppTest, CancellingAddMedsStoresNothing) {
  const QString name =
      meds_test::AddPatient(QStringLiteral("Ana"), QStringLiteral("Chen"), QString());
  ASSERT_TRUE(Start());
  Frame()->Action(command_ids::kAddMeds)->trigger();  // the test program's handler cancels
  EXPECT_EQ(ui_seams::ModalTitles().last(), QStringLiteral("Add Meds"));
  EXPECT_TRUE(meds_test::MedIds(name).empty());
  EXPECT_FALSE(input_panel::IsUp());
}

// Writes docs/meds-page.png and docs/add-meds.png when OVELIN_SCREENSHOT_DIR names a folder.
TEST_F(MedsAppTest, Screenshot) {
  const QString folder = qEnvironmentVariable("OVELIN_SCREENSHOT_DIR");
  if (folder.isEmpty()) {
    GTEST_SKIP() << "OVELIN_SCREENSHOT_DIR is not set";
  }
  const QString name = meds_test::AddPatient(QStringLiteral("Edward"), QStringLiteral("Eames"),
                                             QStringLiteral("Penicillin (rash), Sulfa, Latex"));
  meds_test::Medication med;
  med.start = At(2024, 3, 7);
  const struct {
    const char* drug;
    const char* dose;
    const char* route;
    const char* frequency;
    const char* days;
  } meds[] = {{"Lisinopril", "10mg", "PO", "QD", ""},
              {"Ceftriaxone", "1g", "IV", "QD", "7"},
              {"Heparin", "5000u", "SQ", "Q12H", ""},
              {"Metoprolol", "25mg", "PO", "BID", ""},
              {"Acetaminophen", "650mg", "PO", "PRN", ""}};
  uint32_t selected = 0;
  for (const auto& m : meds) {
    med.drug = QString::fromUtf8(m.drug);
    med.dose = QString::fromUtf8(m.dose);
    med.route = QString::fromUtf8(m.route);
    med.frequency = QString::fromUtf8(m.frequency);
    med.days = QString::fromUtf8(m.days);
    med.trackDays = med.days.isEmpty() ? QStringLiteral("No") : QStringLiteral("Yes");
    const uint32_t id = meds_test::AddMed(name, med);
    selected = med.trackDays == QStringLiteral("Yes") ? id : selected;
  }
  ASSERT_TRUE(Start());
  ASSERT_TRUE(Strip()->SelectPage(2));
  for (int row = 0; row < MedsPage()->List()->GetItemCount(); ++row) {
    if (MedsPage()->List()->GetItemData(row) == selected) {
      MedsPage()->List()->SelectRow(row);
    }
  }
  QCoreApplication::processEvents();
  if (QWidget* focused = QApplication::focusWidget()) {
    focused->clearFocus();  // no caret in the picture
  }
  EXPECT_TRUE(Frame()->grab().save(folder + QStringLiteral("/meds-page.png"), "PNG"));

  CAddMedsDlg dialog(selected, 0);
  dialog.setGeometry(QRect(QPoint(0, 0), QSize(480, 640)));
  dialog.show();
  dialog.DatePicker()->setDate(QDate(2024, 3, 8));  // an edit: SAVE is offered
  QCoreApplication::processEvents();
  if (QWidget* focused = QApplication::focusWidget()) {
    focused->clearFocus();
  }
  EXPECT_TRUE(dialog.grab().save(folder + QStringLiteral("/add-meds.png"), "PNG"));
}

}  // namespace
