#pragma once

#include <array>

#include "shell/CPatientTabPage.h"

class CLabsPage;
class CPictureButton;
class CTestsPage;
class CVitalsPage;
class CVsTestsSubPage;
class QLabel;

// The "VS/Tests" tab: a container of three sub-pages, the patient's lab results, vital signs and
// tests, of which one is shown at a time. Three picture buttons at the top switch between them
// (the shown one's stays pushed); the "Read Only" label at the top right is shown by the visible
// sub-page while the record it shows came read-only from the desktop. The shown sub-page stays
// shown when the tab is left, and is reloaded when the tab is shown again.
class CVSTestsPage : public CPatientTabPage {
  Q_OBJECT

 public:
  static constexpr int kDialogId = 133;

  explicit CVSTestsPage(QWidget* parent = nullptr);
  ~CVSTestsPage() override;

  // Reloads the shown sub-page.
  bool OnSetActive() override;
  void UpdateSize() override;
  // The record selected in the shown sub-page (what "Beam" sends).
  bool GetSelectedRecord(int& type, uint32_t& recordId) override;

  // SHOWLABS, SHOWVITALS, SHOWTESTS.
  void OnShowLabs();
  void OnShowVitals();
  void OnShowTests();

  CLabsPage* LabsPage() const { return m_labs; }
  CVitalsPage* VitalsPage() const { return m_vitals; }
  CTestsPage* TestsPage() const { return m_tests; }
  // The shown sub-page; nullptr before the first switch.
  CVsTestsSubPage* CurrentSubPage() const { return m_current; }
  QLabel* ReadOnlyLabel() const { return m_readOnly; }
  CPictureButton* ShowLabsButton() const { return m_buttons[0]; }
  CPictureButton* ShowVitalsButton() const { return m_buttons[1]; }
  CPictureButton* ShowTestsButton() const { return m_buttons[2]; }

  // Called by the shown sub-page.
  void ShowReadOnlyLabel(bool shown);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  std::array<CVsTestsSubPage*, 3> SubPages() const;
  // Leaves the shown sub-page, shows page and reloads it, and pushes its button.
  void Switch(CVsTestsSubPage* page);
  // Buttons in a row at the top left, the label at the top right, the sub-pages below.
  void Layout();

  std::array<CPictureButton*, 3> m_buttons;
  QLabel* m_readOnly;
  CLabsPage* m_labs;
  CVitalsPage* m_vitals;
  CTestsPage* m_tests;
  CVsTestsSubPage* m_current = nullptr;
};
