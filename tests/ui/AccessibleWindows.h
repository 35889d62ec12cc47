#pragma once

#include <gtest/gtest.h>

#include <QDialog>
#include <QString>
#include <functional>
#include <ostream>
#include <vector>

#include "AccessibleTree.h"
#include "common/ui/UiSeams.h"

class COvelinApp;
class CMainFrame;
class CPatientTabCtrl;
class QWidget;

// Every window and dialog of the program, each with the way a person reaches it, for the tests
// that read them all (tests/ui/test_accessibility.cpp). A window or page added to the program
// joins by one line in All() (AccessibleWindows.cpp), for example
//   {"Main window: Notes", ShowTab(ids::kTabFirst + 4)},
//   {"H&P sheet: ROS", HpSheet(1)},
namespace accessible_windows {

// What a test does with a window once it shows.
using Visit = std::function<void(QWidget& window)>;

// The running program a window is opened on: started on a device that holds two patients
// (see kPatient and kReadOnlyPatient) with records of every kind, the first one selected.
class Program {
 public:
  explicit Program(COvelinApp& app);

  COvelinApp& App() const { return m_app; }
  CMainFrame& Frame() const;
  CPatientTabCtrl& Strip() const;

  // Selects the patient on the "Main" tab, as a tap on the row does.
  void SelectPatient(const QString& name) const;
  // Shows the tab of that title; false when there is none.
  bool ShowTab(const QString& title) const;
  // Carries out a command of the menu or the command bar.
  void Command(int commandId) const;

 private:
  COvelinApp& m_app;
};

// Patients of the device the program starts on: one that can be edited, one that came
// read-only from the desktop.
extern const char* const kPatient;
extern const char* const kReadOnlyPatient;
// Stores the patients and their records on the current device.
void FillDevice();

struct Window {
  QString name;
  // Opens the window on program, calls visit once while it shows, and closes it again.
  std::function<void(Program& program, const Visit& visit)> open;
  accessible_tree::TabOrder tabOrder = accessible_tree::TabOrder::kReading;
};

// For the names of parameterised tests.
inline void PrintTo(const Window& window, std::ostream* out) {
  *out << window.name.toStdString();
}

// The windows, in the order a person meets them.
const std::vector<Window>& All();
// The window of that name; nullptr when none.
const Window* Find(const QString& name);

// Shows a dialog that runs modally, lets the events settle, and hands it to visit.
void ShowAndVisit(QDialog& dialog, const Visit& visit);

// A modal handler for the next dialog, which must be of type Dialog: it shows it, runs act on
// it (which may visit it, or open another dialog from it), and closes it with answer.
template <class Dialog>
ui_seams::ModalHandler Expect(std::function<void(Dialog&)> act, int answer = QDialog::Rejected) {
  return [act = std::move(act), answer](QDialog& dialog) {
    auto* expected = dynamic_cast<Dialog*>(&dialog);
    if (expected == nullptr) {
      ADD_FAILURE() << "another dialog ran: " << dialog.windowTitle().toStdString();
      return int{QDialog::Rejected};
    }
    ShowAndVisit(dialog, [&](QWidget&) { act(*expected); });
    return answer;
  };
}

}  // namespace accessible_windows
