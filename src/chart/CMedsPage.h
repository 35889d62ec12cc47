#pragma once

#include "shell/CPatientTabPage.h"

// The "Meds/Rx" tab: the current patient's medications and allergies.
// The page is empty for now; its lists and commands come with the page's own work.
class CMedsPage : public CPatientTabPage {
  Q_OBJECT

 public:
  explicit CMedsPage(QWidget* parent = nullptr) : CPatientTabPage(132, parent) {}
};
