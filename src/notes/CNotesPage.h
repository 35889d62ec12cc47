#pragma once

#include "shell/CPatientTabPage.h"

// The "Notes" tab: the clinical notes of the current patient.
// The page is empty for now; its lists and commands come with the page's own work.
class CNotesPage : public CPatientTabPage {
  Q_OBJECT

 public:
  explicit CNotesPage(QWidget* parent = nullptr) : CPatientTabPage(134, parent) {}
};
