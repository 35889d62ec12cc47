// The "Meds/Rx" page on its own, with a fake strip: the list, the selection and its buttons,
// OPEN and DELETE, the allergies box with its pop-up and SAVE.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>

#include "FakeHost.h"
#include "chart/CAddMedsDlg.h"
#include "chart/CMedsPage.h"
#include "common/CDBCategories.h"
#include "common/MessageService.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CPictureButton.h"
#include "common/ui/CPopupList.h"
#include "common/ui/InputPanel.h"
#include "common/ui/UiSeams.h"
#include "platform/Clock.h"
#include "support/TempDevice.h"
#include "support/TestGuard.h"
#include "support/TestTime.h"
#include "test_meds_support.h"

namespace {

using meds_test::AddMed;
using meds_test::AddPatient;
using meds_test::Medication;
using meds_test::Stored;
using test_time::At;

// The page in a fake strip on a fresh device; today is 10 March 2024, 9:00.
class MedsPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clock_source::Fix(At(2024, 3, 10, 9));
    m_page.SetHost(&m_host);
    m_page.resize(480, 540);
  }

  void Show(const QString& patient) {
    m_host.Select(patient);
    m_page.OnSetActive();
  }

  QStringList Rows() const {
    QStringList rows;
    for (int row = 0; row < List().GetItemCount(); ++row) {
      rows.append(List().GetItemText(row, 0));
    }
    return rows;
  }

  CMedsListCtrl& List() const { return *m_page.List(); }
  bool Visible(const QWidget* widget) const { return widget->isVisibleTo(&m_page); }
  const std::vector<messages::Shown>& Shown() const {
    return messages::DefaultRecorder().Messages();
  }
  uint32_t SelectedId() {
    int type = 0;
    uint32_t id = 0;
    return m_page.GetSelectedRecord(type, id) ? id : 0;
  }
  // The focused row's medication, as the page reports it for "Beam".
  void ExpectSelected(uint32_t id) {
    int type = 0;
    uint32_t reported = 0;
    ASSERT_TRUE(m_page.GetSelectedRecord(type, reported));
    EXPECT_EQ(type, 3);
    EXPECT_EQ(reported, id);
    EXPECT_TRUE(m_page.OpenButton()->isEnabled());
    EXPECT_TRUE(m_page.DeleteButton()->isEnabled());
  }
  void ExpectNothingSelected() {
    int type = 0;
    uint32_t id = 0;
    EXPECT_FALSE(m_page.GetSelectedRecord(type, id));
    EXPECT_FALSE(m_page.OpenButton()->isEnabled());
    EXPECT_FALSE(m_page.DeleteButton()->isEnabled());
    EXPECT_EQ(m_page.MedStateLabel()->text(), QStringLiteral(" "));
  }

  // Picks entry text from the allergies pop-up when it opens.
  static void PickFromPopup(const QString& text) {
    ui_seams::PushModalHandler([text](QDialog& popup) {
      auto* entries = popup.findChild<QListWidget*>(QStringLiteral("entries"));
      const QList<QListWidgetItem*> found = entries != nullptr
                                                ? entries->findItems(text, Qt::MatchExactly)
                                                : QList<QListWidgetItem*>();
      if (found.isEmpty()) {
        return static_cast<int>(QDialog::Rejected);
      }
      entries->setCurrentItem(found.constFirst());
      return static_cast<int>(QDialog::Accepted);
    });
  }

  TestGuard m_guard;
  TempDevice m_device;
  FakePageHost m_host;
  CMedsPage m_page;
};

// ---------------------------------------------------------------------------------------------
// Loading

TEST_F(MedsPageTest, ListsThePatientsMedicationsInTextOrderWithTheDayOfTreatment) {
  const QString ana =
      AddPatient(QStringLiteral("Ana"), QStringLiteral("Chen"), QStringLiteral("Penicillin"));
  const QString bo = AddPatient(QStringLiteral("Bo"), QStringLiteral("Baker"), QString());
  const uint32_t zoloft = AddMed(ana, QStringLiteral("Zoloft"), At(2024, 3, 1));
  const uint32_t aspirin = AddMed(ana, QStringLiteral("aspirin"), At(2024, 3, 1));
  Medication lasix;
  lasix.drug = QStringLiteral("Lasix");
  lasix.trackDays = QStringLiteral("Yes");
  lasix.days = QStringLiteral("14");
  lasix.start = At(2024, 3, 8, 17);
  const uint32_t lasixId = AddMed(ana, lasix);
  AddMed(bo, QStringLiteral("Warfarin"), At(2024, 3, 1));

  Show(ana);
  EXPECT_EQ(Rows(), (QStringList{"aspirin 40mg PO QD  30 2", "Lasix 40mg PO QD    Day 3 30 2",
                                 "Zoloft 40mg PO QD  30 2"}));
  EXPECT_EQ(List().GetItemData(0), aspirin);
  EXPECT_EQ(List().GetItemData(1), lasixId);
  EXPECT_EQ(List().GetItemData(2), zoloft);
  EXPECT_EQ(List().columnCount(), 1);
  EXPECT_TRUE(List().isHeaderHidden());
  EXPECT_FALSE(List().EditRow(0));  // rows are read, not edited

  EXPECT_EQ(m_page.AllergiesBox()->toPlainText(), QStringLiteral("Penicillin"));
  EXPECT_FALSE(m_page.AllergiesBox()->isReadOnly());
  EXPECT_TRUE(m_page.AllergiesPopup()->isEnabled());
  EXPECT_EQ(m_page.AllergiesPopup()->GetType(), CDBCategories::kAllergiesList);
  EXPECT_TRUE(Visible(m_page.SaveButton()));
  EXPECT_FALSE(Visible(m_page.NoSaveButton()));
  EXPECT_FALSE(m_page.SaveButton()->isEnabled());
  EXPECT_EQ(m_page.PatientStateLabel()->text(), QStringLiteral(" "));
  EXPECT_TRUE(Visible(m_page.DeleteButton()));
  EXPECT_FALSE(Visible(m_page.NoDeleteButton()));
  ExpectNothingSelected();

  // Another patient's page shows only that patient's medications.
  Show(bo);
  EXPECT_EQ(Rows(), (QStringList{"Warfarin 40mg PO QD  30 2"}));
  EXPECT_TRUE(m_page.AllergiesBox()->toPlainText().isEmpty());
}

TEST_F(MedsPageTest, EveryControlHasANameAPersonWouldSay) {
  Show(AddPatient(QStringLiteral("Ana"), QStringLiteral("Chen"), QString()));
  const QWidget* controls[] = {&List(),
                               m_page.PatientStateLabel(),
                               m_page.MedStateLabel(),
                               m_page.OpenButton(),
                               m_page.DeleteButton(),
                               m_page.NoDeleteButton(),
                               m_page.AllergiesPopup(),
                               m_page.SaveButton(),
                               m_page.NoSaveButton(),
                               m_page.AllergiesBox()};
  for (const QWidget* control : controls) {
    EXPECT_FALSE(control->accessibleName().trimmed().isEmpty())
        << control->objectName().toStdString();
  }
  EXPECT_EQ(m_page.OpenButton()->accessibleName(), QStringLiteral("Open"));
  EXPECT_EQ(m_page.DeleteButton()->accessibleName(), QStringLiteral("Delete"));
  EXPECT_EQ(m_page.AllergiesBox()->accessibleName(), QStringLiteral("Allergies"));
  EXPECT_EQ(List().accessibleName(), QStringLiteral("Medications"));
  // The commands are reached with the Tab key; the inert look-alikes are not.
  EXPECT_NE(m_page.OpenButton()->focusPolicy() & Qt::TabFocus, 0);
  EXPECT_NE(m_page.SaveButton()->focusPolicy() & Qt::TabFocus, 0);
  EXPECT_NE(m_page.AllergiesPopup()->focusPolicy() & Qt::TabFocus, 0);
  EXPECT_EQ(m_page.NoSaveButton()->focusPolicy(), Qt::NoFocus);
}

TEST_F(MedsPageTest, ReadOnlyPatientKeepsItsAllergiesAsTheyAre) {
  const QString name =
      AddPatient(QStringLiteral("Ro"), QStringLiteral("Reed"), QStringLiteral("Sulfa"), 1);
  CDBCategories latex;
  latex.text = QStringLiteral("Latex");
  ASSERT_TRUE(latex.AddNew(CDBCategories::kAllergiesList));
  Show(name);
  EXPECT_EQ(m_page.PatientStateLabel()->text(), QStringLiteral("Read Only"));
  EXPECT_TRUE(Visible(m_page.NoSaveButton()));
  EXPECT_FALSE(Visible(m_page.SaveButton()));
  EXPECT_TRUE(m_page.NoSaveButton()->IsInert());
  EXPECT_TRUE(m_page.AllergiesBox()->isReadOnly());
  EXPECT_FALSE(m_page.AllergiesPopup()->isEnabled());

  // Neither a tap on the caption nor the pop-up offers anything.
  QTest::mouseClick(m_page.AllergiesCaption(), Qt::LeftButton);
  m_page.OnAllergiesPopup();
  EXPECT_TRUE(ui_seams::ModalTitles().isEmpty());
  m_page.AllergiesBox()->setPlainText(QStringLiteral("Sulfa, Latex"));
  m_page.OnSaveAllergies();
  CDBPatient stored;
  EXPECT_EQ(stored.FindAllergiesByName(name), QStringLiteral("Sulfa"));

  // A patient that is read/write on the desktop can be edited here.
  Show(AddPatient(QStringLiteral("Rw"), QStringLiteral("Reed"), QString(), 2));
  EXPECT_EQ(m_page.PatientStateLabel()->text(), QStringLiteral("Read/Write"));
  EXPECT_TRUE(Visible(m_page.SaveButton()));
  EXPECT_FALSE(m_page.AllergiesBox()->isReadOnly());
  EXPECT_TRUE(m_page.AllergiesPopup()->isEnabled());
}

TEST_F(MedsPageTest, WithoutAPatientThereIsNothingToListOrType) {
  const QString name =
      AddPatient(QStringLiteral("Ana"), QStringLiteral("Chen"), QStringLiteral("Penicillin"));
  AddMed(name, QStringLiteral("Lasix"), At(2024, 3, 1));
  Show(name);
  Show(QString());
  EXPECT_EQ(List().GetItemCount(), 0);
  EXPECT_TRUE(m_page.AllergiesBox()->toPlainText().isEmpty());
  EXPECT_TRUE(m_page.AllergiesBox()->isReadOnly());
  EXPECT_FALSE(m_page.AllergiesPopup()->isEnabled());
  EXPECT_TRUE(Visible(m_page.SaveButton()));
  EXPECT_FALSE(Visible(m_page.NoSaveButton()));
  EXPECT_FALSE(m_page.SaveButton()->isEnabled());
  EXPECT_TRUE(m_page.PatientStateLabel()->text().isEmpty());
  ExpectNothingSelected();
}

// ---------------------------------------------------------------------------------------------
// Selection

TEST_F(MedsPageTest, TheSelectedMedicationsAccessStateDecidesBetweenDeleteAndNoDelete) {
  const QString name = AddPatient(QStringLiteral("Ana"), QStringLiteral("Chen"), QString());
  Medication med;
  med.start = At(2024, 3, 1);
  med.drug = QStringLiteral("Alpha");
  const uint32_t alpha = AddMed(name, med);
  med.drug = QStringLiteral("Beta");
  med.accessState = 1;
  const uint32_t beta = AddMed(name, med);
  med.drug = QStringLiteral("Gamma");
  med.accessState = 2;
  const uint32_t gamma = AddMed(name, med);
  Show(name);

  List().SelectRow(1);
  ExpectSelected(beta);
  EXPECT_EQ(m_page.SelectedReadOnly(), 1);
  EXPECT_EQ(m_page.MedStateLabel()->text(), QStringLiteral("Read Only"));
  EXPECT_TRUE(Visible(m_page.NoDeleteButton()));
  EXPECT_FALSE(Visible(m_page.DeleteButton()));
  m_page.OnDelete();  // a read-only medication stays, without a question
  EXPECT_TRUE(Shown().empty());
  EXPECT_NE(Stored(beta), nullptr);

  List().SelectRow(2);
  ExpectSelected(gamma);
  EXPECT_EQ(m_page.MedStateLabel()->text(), QStringLiteral("Read/Write"));
  EXPECT_TRUE(Visible(m_page.DeleteButton()));
  EXPECT_FALSE(Visible(m_page.NoDeleteButton()));

  List().SelectRow(0);
  ExpectSelected(alpha);
  EXPECT_EQ(m_page.MedStateLabel()->text(), QStringLiteral(" "));

  // The selection survives a reload.
  m_page.OnSetActive();
  EXPECT_EQ(List().GetSelectedRow(), 0);
  ExpectSelected(alpha);
}

TEST_F(MedsPageTest, AMedicationWhoseDaysRanOutLeavesTheListAndTheSelection) {
  const QString name = AddPatient(QStringLiteral("Ana"), QStringLiteral("Chen"), QString());
  Medication med;
  med.drug = QStringLiteral("Keflex");
  med.trackDays = QStringLiteral("Yes");
  med.days = QStringLiteral("3");
  med.start = At(2024, 3, 8);
  const uint32_t keflex = AddMed(name, med);
  AddMed(name, QStringLiteral("Lasix"), At(2024, 3, 1));
  Show(name);
  List().SelectRow(0);
  ExpectSelected(keflex);

  clock_source::Fix(At(2024, 3, 11, 9));  // the fourth day after the start
  m_page.OnSetActive();
  EXPECT_EQ(Rows(), (QStringList{"Lasix 40mg PO QD  30 2"}));
  EXPECT_EQ(Stored(keflex), nullptr);
  ExpectNothingSelected();
}

// ---------------------------------------------------------------------------------------------
// OPEN

TEST_F(MedsPageTest, OpenRewritesTheMedicationAndSelectsItAgain) {
  const QString name = AddPatient(QStringLiteral("Ana"), QStringLiteral("Chen"), QString());
  const uint32_t alpha = AddMed(name, QStringLiteral("Alpha"), At(2024, 3, 1));
  AddMed(name, QStringLiteral("Beta"), At(2024, 3, 1));
  AddMed(name, QStringLiteral("Gamma"), At(2024, 3, 1));
  Show(name);
  List().SelectRow(0);

  bool panelUp = false;
  QString shownDrug;
  ui_seams::PushModalHandler([&](QDialog& dialog) {
    panelUp = input_panel::IsUp();
    auto* meds = qobject_cast<CAddMedsDlg*>(&dialog);
    if (meds == nullptr) {
      return static_cast<int>(QDialog::Rejected);
    }
    shownDrug = meds->List()->GetValue(meds_fields::kDrugRow);
    meds->List()->SetValue(meds_fields::kDrugRow, QStringLiteral("Omega"));
    meds->List()->SetValue(meds_fields::kDoseRow, QStringLiteral("80mg"));
    meds->OnSave();
    return meds->result();
  });
  m_page.OnOpen();

  EXPECT_EQ(shownDrug, QStringLiteral("Alpha"));
  EXPECT_TRUE(panelUp);
  EXPECT_FALSE(input_panel::IsUp());
  EXPECT_EQ(ui_seams::ModalTitles(), QStringList{QStringLiteral("Add Meds")});
  const auto stored = Stored(alpha);
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(stored->patient, name);
  EXPECT_EQ(stored->drug, QStringLiteral("Omega"));
  EXPECT_EQ(stored->dose, QStringLiteral("80mg"));
  EXPECT_EQ(stored->refills, QStringLiteral("2"));
  // The rewritten row moved to its new place and is selected there.
  EXPECT_EQ(Rows().last(), QStringLiteral("Omega 80mg PO QD  30 2"));
  EXPECT_EQ(List().GetSelectedRow(), 2);
  ExpectSelected(alpha);

  // A raised panel stays raised; a cancelled dialog changes nothing.
  input_panel::Show(true);
  m_page.OnOpen();  // the test program's handler cancels
  EXPECT_TRUE(input_panel::IsUp());
  EXPECT_EQ(Stored(alpha)->drug, QStringLiteral("Omega"));
}

TEST_F(MedsPageTest, OpenShowsAReadOnlyMedicationWithoutSave) {
  const QString name = AddPatient(QStringLiteral("Ana"), QStringLiteral("Chen"), QString());
  Medication med;
  med.drug = QStringLiteral("Digoxin");
  med.start = At(2024, 3, 1);
  med.accessState = 1;
  const uint32_t digoxin = AddMed(name, med);
  Show(name);
  List().SelectRow(0);

  bool noSave = false;
  bool locked = false;
  ui_seams::PushModalHandler([&](QDialog& dialog) {
    auto* meds = qobject_cast<CAddMedsDlg*>(&dialog);
    if (meds == nullptr) {
      return static_cast<int>(QDialog::Rejected);
    }
    noSave = meds->NoSaveButton()->isVisibleTo(meds) && !meds->SaveButton()->isVisibleTo(meds);
    locked = meds->List()->IsReadOnly() && !meds->List()->EditRow(meds_fields::kDoseRow);
    meds->List()->SetValue(meds_fields::kDrugRow, QStringLiteral("Changed"));
    meds->OnSave();  // nothing: "NOSAVE" stands in for the button
    meds->OnCancel();
    return meds->result();
  });
  m_page.OnOpen();
  EXPECT_TRUE(noSave);
  EXPECT_TRUE(locked);
  EXPECT_EQ(Stored(digoxin)->drug, QStringLiteral("Digoxin"));
}

TEST_F(MedsPageTest, OpenOnAMedicationDeletedMeanwhileSaysSoAndDropsTheRow) {
  const QString name = AddPatient(QStringLiteral("Ana"), QStringLiteral("Chen"), QString());
  const uint32_t lasix = AddMed(name, QStringLiteral("Lasix"), At(2024, 3, 1));
  Show(name);
  List().SelectRow(0);
  ASSERT_TRUE(CDBMeds().DeleteByCEOID(lasix));
  m_page.OnOpen();
  EXPECT_TRUE(ui_seams::ModalTitles().isEmpty());
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_EQ(Shown()[0].text, strings::Load(ids::kMedicationNotRead));
  EXPECT_EQ(List().GetItemCount(), 0);
  ExpectNothingSelected();
}

// ---------------------------------------------------------------------------------------------
// DELETE

TEST_F(MedsPageTest, DeleteAsksThenSelectsTheRowThatTakesThePlace) {
  const QString name = AddPatient(QStringLiteral("Ana"), QStringLiteral("Chen"), QString());
  const uint32_t alpha = AddMed(name, QStringLiteral("Alpha"), At(2024, 3, 1));
  const uint32_t beta = AddMed(name, QStringLiteral("Beta"), At(2024, 3, 1));
  const uint32_t gamma = AddMed(name, QStringLiteral("Gamma"), At(2024, 3, 1));
  Show(name);
  List().SelectRow(1);

  messages::DefaultRecorder().SetNextAnswer(messages::Answer::Cancel);
  m_page.OnDelete();
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_EQ(Shown()[0].text, QStringLiteral("Are you sure you want to delete this medication?"));
  EXPECT_EQ(Shown()[0].buttons, messages::Buttons::OkCancel);
  EXPECT_EQ(List().GetItemCount(), 3);
  EXPECT_NE(Stored(beta), nullptr);

  m_page.OnDelete();  // answered OK
  EXPECT_EQ(Stored(beta), nullptr);
  EXPECT_EQ(Rows(), (QStringList{"Alpha 40mg PO QD  30 2", "Gamma 40mg PO QD  30 2"}));
  EXPECT_EQ(List().GetSelectedRow(), 1);
  ExpectSelected(gamma);

  m_page.OnDelete();  // the last row: the new last row is selected
  EXPECT_EQ(List().GetSelectedRow(), 0);
  ExpectSelected(alpha);

  m_page.OnDelete();  // the only row
  EXPECT_EQ(List().GetItemCount(), 0);
  EXPECT_EQ(Stored(alpha), nullptr);
  ExpectNothingSelected();
  m_page.OnDelete();  // nothing left to ask about
  EXPECT_EQ(Shown().size(), 4u);
}

// ---------------------------------------------------------------------------------------------
// Allergies

TEST_F(MedsPageTest, APickedAllergyGoesRightAfterTheTextWithOneBlank) {
  const QString name =
      AddPatient(QStringLiteral("Ana"), QStringLiteral("Chen"), QStringLiteral("Penicillin"));
  CDBCategories latex;
  latex.text = QStringLiteral("Latex");
  ASSERT_TRUE(latex.AddNew(CDBCategories::kAllergiesList));
  Show(name);
  ASSERT_FALSE(m_page.SaveButton()->isEnabled());

  // Typed and not yet saved: the pick keeps it.
  m_page.AllergiesBox()->moveCursor(QTextCursor::End);
  m_page.AllergiesBox()->insertPlainText(QStringLiteral(", Sulfa"));
  PickFromPopup(QStringLiteral("Latex"));
  QTest::mouseClick(m_page.AllergiesCaption(), Qt::LeftButton);
  EXPECT_EQ(m_page.AllergiesBox()->toPlainText(), QStringLiteral("Penicillin, SulfaLatex "));
  EXPECT_TRUE(m_page.SaveButton()->isEnabled());

  // The tiny button offers the same list, default auto text included.
  PickFromPopup(QStringLiteral("NKDA"));
  m_page.AllergiesPopup()->click();
  EXPECT_EQ(m_page.AllergiesBox()->toPlainText(), QStringLiteral("Penicillin, SulfaLatex NKDA "));

  m_page.OnSaveAllergies();
  EXPECT_FALSE(m_page.SaveButton()->isEnabled());
  CDBPatient stored;
  EXPECT_EQ(stored.FindAllergiesByName(name), QStringLiteral("Penicillin, SulfaLatex NKDA "));
  m_page.OnSetActive();
  EXPECT_EQ(m_page.AllergiesBox()->toPlainText(), QStringLiteral("Penicillin, SulfaLatex NKDA "));
  EXPECT_FALSE(m_page.SaveButton()->isEnabled());

  // A pop-up closed without a pick changes nothing.
  m_page.OnAllergiesPopup();
  EXPECT_EQ(m_page.AllergiesBox()->toPlainText(), QStringLiteral("Penicillin, SulfaLatex NKDA "));
  EXPECT_FALSE(m_page.SaveButton()->isEnabled());
}

TEST_F(MedsPageTest, AllergiesThatCannotBeStoredAreReportedAndStayUnsaved) {
  const QString name = AddPatient(QStringLiteral("Ana"), QStringLiteral("Chen"), QString());
  Show(name);
  CDBPatient patient;
  ASSERT_TRUE(patient.DeleteByName(name));  // gone meanwhile, say by a synchronisation
  m_page.AllergiesBox()->setPlainText(QStringLiteral("Codeine"));
  ASSERT_TRUE(m_page.SaveButton()->isEnabled());
  m_page.OnSaveAllergies();
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_EQ(Shown()[0].text, QStringLiteral("The allergies could not be saved."));
  EXPECT_TRUE(m_page.SaveButton()->isEnabled());
}

TEST_F(MedsPageTest, TheAllergiesBoxEndsSevenPixelsAboveThePageBottom) {
  Show(AddPatient(QStringLiteral("Ana"), QStringLiteral("Chen"), QString()));
  for (const int height : {540, 420}) {
    m_page.resize(480, height);
    m_page.UpdateSize();
    const QRect box = m_page.AllergiesBox()->geometry();
    EXPECT_EQ(box.y() + box.height(), height - 7) << height;
  }
  // The list keeps its size: only the box gives way.
  EXPECT_EQ(List().height(), 220);
}

}  // namespace
