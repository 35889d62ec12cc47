#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>

#include "app/COvelinView.h"
#include "common/ui/Accessibility.h"
#include "common/ui/InputPanel.h"
#include "common/ui/OnScreenKeyboard.h"
#include "common/ui/UiSeams.h"
#include "shell/AutoTextReader.h"
#include "support/TestGuard.h"

namespace {

// A modal dialog that no test scripted is answered with Rejected instead of waiting for a
// person.
int Reject(QDialog& /*dialog*/) {
  return int{QDialog::Rejected};
}

void ResetUiSeams() {
  ui_seams::ClearModalHandlers();
  ui_seams::ClearModalTitles();
  ui_seams::SetModalHandler(Reject);
  ui_seams::SetSaveFileHandler(
      [](const ui_seams::SaveFileRequest& /*request*/) { return QString(); });
  input_panel::Show(false);
  COvelinView::SetShellOpener({});
}

}  // namespace

// The widget tests run in one application object, offscreen unless a platform is chosen.
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  // The on-screen keyboard only where a test run asks for it (its picture for the docs).
  if (qgetenv("OVELIN_ON_SCREEN_KEYBOARD") == "1") {
    on_screen_keyboard::ChooseBeforeStart();
  }
  QApplication application(argc, argv);
  on_screen_keyboard::Attach();
  // The program's own accessibility interfaces, as the program installs them at start.
  accessibility::Install();
  ::testing::InitGoogleTest(&argc, argv);
  auto_text_reader::Install();
  TestGuard::AddReset(ResetUiSeams);
  TestGuard::ResetAll();
  return on_screen_keyboard::Leave(RUN_ALL_TESTS());
}
