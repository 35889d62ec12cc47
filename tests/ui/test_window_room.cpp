// The pages and entry dialogs in a window larger than the hand-held screen: which controls take
// the extra room and which keep to their content.

#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QSplitterHandle>
#include <QTest>

#include "FakeHost.h"
#include "chart/CAddLabResultsDlg.h"
#include "chart/CAddMedsDlg.h"
#include "chart/CLabsPage.h"
#include "chart/CMedsPage.h"
#include "chart/CVSTestsPage.h"
#include "common/ui/CBaseListCtrl.h"
#include "common/ui/InputPanel.h"
#include "common/ui/WindowRoom.h"
#include "shell/CPageSplitter.h"
#include "test_meds_support.h"
#include "test_vitals_support.h"

namespace {

using test_time::At;

const QRect kDesktop(0, 0, 1920, 1080);

// Every row of a list shows without scrolling.
bool ShowsEveryRow(const CBaseListCtrl& list) {
  const int rows = list.GetItemCount();
  return rows == 0 ||
         list.visualItemRect(list.topLevelItem(rows - 1)).bottom() < list.viewport()->height();
}

// The control that Tab moves to from widget.
QWidget* NextTabStop(QWidget* widget) {
  for (QWidget* next = widget->nextInFocusChain(); next != widget;
       next = next->nextInFocusChain()) {
    if ((next->focusPolicy() & Qt::TabFocus) != 0 && next->isVisibleTo(widget->window()) &&
        next->isEnabled()) {
      return next;
    }
  }
  return widget;
}

// A main window of 1920 x 1080 on a fresh device.
class WindowRoomTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clock_source::Fix(At(2024, 3, 10, 9));
    SetMainWindow(kDesktop);
  }
  void TearDown() override {
    input_panel::SetDesktop(QRect());
    window_room::SetMainWindowSize(QSize());
  }

  // What a main window of that place tells when it moves or is resized.
  static void SetMainWindow(const QRect& place) {
    input_panel::SetDesktop(place);
    window_room::SetMainWindowSize(place.size());
  }

  // The labs sub-page of a "VS/Tests" page of the size the enlarged window gives it.
  std::unique_ptr<CVSTestsPage> ShowLabs() {
    auto page = std::make_unique<CVSTestsPage>();
    page->SetHost(&m_host);
    page->resize(1900, 950);
    page->show();
    page->OnSetActive();
    page->OnShowLabs();
    return page;
  }

  TestGuard m_guard;
  TempDevice m_device;
  FakePageHost m_host;
};

TEST_F(WindowRoomTest, TheListsTakeTheExtraHeightAndTheShortBoxesKeepToTheirText) {
  const QString name = meds_test::AddPatient(QStringLiteral("Ana"), QStringLiteral("Chen"),
                                             QStringLiteral("Penicillin"));
  meds_test::AddMed(name, QStringLiteral("Aspirin"), At(2024, 3, 1, 8));
  m_host.Select(name);
  CMedsPage meds;
  meds.SetHost(&m_host);
  meds.resize(1900, 900);
  meds.OnSetActive();
  meds.UpdateSize();
  QPlainTextEdit& allergies = *meds.AllergiesBox();
  EXPECT_GT(meds.List()->height(), 600);
  EXPECT_EQ(allergies.height(), qMax(40, window_room::TextBoxContentHeight(allergies, 2)));
  EXPECT_LT(allergies.height(), 100);
  EXPECT_EQ(allergies.geometry().bottom() + 1, 900 - 7);
  // Long allergies get up to half the page, and scroll beyond that.
  allergies.setPlainText(QStringLiteral("Codeine\n").repeated(60));
  meds.UpdateSize();
  EXPECT_EQ(allergies.height(), 450);
  EXPECT_GE(meds.List()->height(), 220);
  // Back at the hand-held size the pixel rules return: the list's 220 pixels, the box the rest.
  SetMainWindow(QRect(QPoint(), window_room::HandHeldSize()));
  meds.resize(480, 540);
  meds.UpdateSize();
  EXPECT_EQ(meds.List()->height(), 220);
  EXPECT_EQ(allergies.geometry().bottom() + 1, 540 - 7);

  m_host.Select(vs_tests_test::kPatient);
  vs_tests_test::AddLab(At(2024, 3, 1, 8, 0), QStringLiteral("CBC"), QStringLiteral("RBC\n4.5\n"));
  vs_tests_test::AddLab(At(2024, 3, 2, 8, 0), QStringLiteral("UA"), QStringLiteral("SG\n1.01\n"));
  SetMainWindow(kDesktop);
  const auto page = ShowLabs();
  CLabsPage& labs = *page->LabsPage();
  // The lab results take the height; the selected results' list shows a few rows.
  EXPECT_GT(labs.UpperList()->height(), 3 * 180);
  EXPECT_LT(labs.LowerList()->height(), 150);
  for (const int row : {0, 1}) {
    labs.UpperList()->setCurrentItem(labs.UpperList()->topLevelItem(row));
    labs.OnRowTapped(row);
  }
  labs.OnSelect();
  ASSERT_EQ(labs.LowerList()->GetItemCount(), 2);
  EXPECT_TRUE(ShowsEveryRow(*labs.LowerList()));
  EXPECT_LT(labs.LowerList()->height(), 150);
}

TEST_F(WindowRoomTest, TheLineBetweenTheLabListsIsNamedMovesByKeyboardAndIsRemembered) {
  const auto page = ShowLabs();
  CPageSplitter& splitter = *page->LabsPage()->Splitter();
  QSplitterHandle* line = splitter.handle(1);
  EXPECT_FALSE(line->accessibleName().isEmpty());
  EXPECT_TRUE(line->focusPolicy() & Qt::TabFocus);
  // Tab comes to the line between the two lists.
  EXPECT_EQ(NextTabStop(page->LabsPage()->UpperList()), line);
  EXPECT_EQ(NextTabStop(line), page->LabsPage()->LowerList());

  const int before = splitter.LowerHeight();
  QTest::keyClick(line, Qt::Key_PageUp);
  const int raised = splitter.LowerHeight();
  EXPECT_GT(raised, before + 100);
  QTest::keyClick(line, Qt::Key_Down);
  const int left = splitter.LowerHeight();
  EXPECT_LT(left, raised);
  // The enlarged window keeps giving its extra height to the upper list.
  page->resize(1900, 1000);
  EXPECT_EQ(splitter.LowerHeight(), left);

  // The next time the page is made, the line is where the person left it.
  const auto again = ShowLabs();
  EXPECT_EQ(again->LabsPage()->Splitter()->LowerHeight(), left);
}

TEST_F(WindowRoomTest, AnEntryDialogOpensOverTheMainWindowAtTheSizeOfItsRows) {
  CAddMedsDlg meds(0, 0);
  meds.show();
  const QRect shown = meds.geometry();
  EXPECT_LT(shown.height(), kDesktop.height() * 3 / 4);
  EXPECT_LT(shown.width(), kDesktop.width() / 2);
  EXPECT_LE((shown.center() - kDesktop.center()).manhattanLength(), 2);
  CBaseListCtrl& list = *meds.List();
  EXPECT_TRUE(ShowsEveryRow(list));
  // The label column is as wide as its longest label, not two fifths of the list.
  EXPECT_EQ(list.GetColumnWidth(CBaseListCtrl::kLabelColumn), list.LabelColumnWidth());
  EXPECT_LT(list.GetColumnWidth(CBaseListCtrl::kLabelColumn), (2 * list.width()) / 5 - 10);

  CAddLabResultsDlg labs;
  labs.show();
  EXPECT_LT(labs.height(), kDesktop.height() * 3 / 4);
  EXPECT_TRUE(kDesktop.contains(labs.geometry()));
  EXPECT_TRUE(ShowsEveryRow(*labs.findChild<CBaseListCtrl*>()));

  // A main window of the hand-held size is covered, as it always was.
  const QRect handHeld(QPoint(100, 50), window_room::HandHeldSize());
  SetMainWindow(handHeld);
  CAddMedsDlg covering(0, 0);
  covering.show();
  EXPECT_EQ(covering.geometry(), handHeld);
}

}  // namespace
