#pragma once

#include "shell/CPatientTabPage.h"

// The "VS/Tests" tab: the lab results, vital signs and tests of the current patient.
// The page is empty for now; its lists and commands come with the page's own work.
class CVSTestsPage : public CPatientTabPage {
  Q_OBJECT

 public:
  explicit CVSTestsPage(QWidget* parent = nullptr) : CPatientTabPage(133, parent) {}
};
