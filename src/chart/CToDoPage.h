#pragma once

#include "shell/CPatientTabPage.h"

// The "Todo" tab: the todo items of the current patient.
// The page is empty for now; its lists and commands come with the page's own work.
class CToDoPage : public CPatientTabPage {
  Q_OBJECT

 public:
  explicit CToDoPage(QWidget* parent = nullptr) : CPatientTabPage(135, parent) {}
};
