#pragma once

#include <QString>

#include "shell/CPatientTabPage.h"

class CVSTestsPage;

// Base of the labs, vitals and tests sub-pages of the "VS/Tests" tab. A sub-page reaches the
// current patient through its container, and shows the container's "Read Only" label only while
// it is the sub-page the container shows: a sub-page reloaded while hidden (after a record was
// added to it) leaves the label to the visible one.
class CVsTestsSubPage : public CPatientTabPage {
  Q_OBJECT

 public:
  CVsTestsSubPage(int dialogId, CVSTestsPage& container);

 protected:
  // The container's current patient; empty when none is selected.
  QString Patient() const;
  void ShowReadOnlyLabel(bool shown);
  bool IsShownSubPage() const;
  // Tells the extensions that the current patient's records changed (after a save or delete).
  void TellPatientDataChanged() const;

 private:
  CVSTestsPage& m_container;
};
