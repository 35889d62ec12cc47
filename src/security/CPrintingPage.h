#pragma once

#include "shell/CPatientTabPage.h"
#include "shell/Options.h"

class QLineEdit;

// The "Printing" page of the preferences: the printer page settings. Validate takes the fields
// into the settings only when they are integers and describe a usable page.
class CPrintingPage : public CPatientTabPage {
  Q_OBJECT

 public:
  static constexpr int kDialogId = 5008;

  // settings are the program's printer page settings; the page writes them when they validate.
  explicit CPrintingPage(app_options::PrintSettings& settings, QWidget* parent = nullptr);

  bool Validate() override;

  // Whether a page of these settings leaves room to print: at most 32767 lines, and more than
  // nine lines and nine columns inside the margins.
  static bool IsValid(const app_options::PrintSettings& settings);

  QLineEdit* LinesPerPageEdit() const { return m_linesPerPage; }
  QLineEdit* PageWidthEdit() const { return m_pageWidth; }
  QLineEdit* LeftMarginEdit() const { return m_leftMargin; }
  QLineEdit* TopMarginEdit() const { return m_topMargin; }
  QLineEdit* BottomMarginEdit() const { return m_bottomMargin; }

 private:
  void ShowSettings();

  app_options::PrintSettings& m_settings;
  QLineEdit* m_linesPerPage;
  QLineEdit* m_pageWidth;
  QLineEdit* m_leftMargin;
  QLineEdit* m_topMargin;
  QLineEdit* m_bottomMargin;
};
