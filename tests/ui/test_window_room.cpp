// The pages and entry dialogs in a window larger than the hand-held screen: which controls take
// the extra room and which keep to their content.

#include <gtest/gtest.h>

#include "chart/CAddLabResultsDlg.h"
#include "chart/CAddMedsDlg.h"
#include "common/ui/CBaseListCtrl.h"
#include "common/ui/InputPanel.h"
#include "common/ui/WindowRoom.h"
#include "platform/Clock.h"
#include "support/TempDevice.h"
#include "support/TestGuard.h"
#include "support/TestTime.h"

namespace {

using test_time::At;

const QRect kDesktop(0, 0, 1920, 1080);

// Every row of a list shows without scrolling.
bool ShowsEveryRow(const CBaseListCtrl& list) {
  const int rows = list.GetItemCount();
  return rows == 0 ||
         list.visualItemRect(list.topLevelItem(rows - 1)).bottom() < list.viewport()->height();
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

  TestGuard m_guard;
  TempDevice m_device;
};

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
