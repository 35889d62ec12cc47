#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>

#include "common/ui/UiSeams.h"

// The widget tests run in one application object, offscreen unless a platform is chosen.
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  // A modal dialog that no test scripted is answered with Rejected instead of waiting for a
  // person.
  ui_seams::SetModalHandler([](QDialog& /*dialog*/) { return int{QDialog::Rejected}; });
  return RUN_ALL_TESTS();
}
