#pragma once

#include <QString>
#include <vector>

#include "shell/CPageTabCtrl.h"
#include "shell/IPageHost.h"

class CPatientListPage;
class CPatientTabPage;
class IShell;

// The chart tabs of the main window. The strip makes the six chart pages, holds the current
// patient and is the pages' host: pages read the patient through it at every activation.
class CPatientTabCtrl : public CPageTabCtrl, public IPageHost {
  Q_OBJECT

 public:
  explicit CPatientTabCtrl(IShell& shell, QWidget* parent = nullptr);
  // Destroys the chart pages while the strip can still answer them.
  ~CPatientTabCtrl() override;

  // Makes the six pages, selects the first, lets every extension add its chart pages and lays
  // the pages out.
  void Create();
  // The program ends: every chart page is told (OnClose) while the strip and the shell still
  // answer it; the patient list writes its options and tells a failure.
  void ClosePages();

  // IPageHost
  IShell& Shell() override { return m_shell; }
  QString CurrentPatient() const override { return currentPatient; }
  QString CurrentMrNumber() const override { return currentMrNumber; }
  bool PatientSelected() const override { return patientSelected; }
  void SetCurrentPatient(const QString& name, const QString& mrNumber,
                         const QString& room) override;
  void ClearCurrentPatient() override;
  void RefillPatientList(bool keepSelection, bool refreshTypes) override;
  ITabHost& Tabs() override { return *this; }
  void ReloadCurrentPage() override;

  CPatientListPage& ListPage() const { return *m_listPage; }
  const QString& HeaderText() const { return m_headerText; }

  QString currentPatient;
  bool patientSelected = false;
  QString currentMrNumber;

 signals:
  // The header text changed (and with it, maybe, whether a patient is selected).
  void headerChanged(const QString& text);
  void patientChanged(bool selected);

 private:
  void AddChartPage(CPatientTabPage* page, int titleId);
  void SetHeader(const QString& text);

  IShell& m_shell;
  CPatientListPage* m_listPage = nullptr;
  std::vector<CPatientTabPage*> m_chartPages;
  QString m_headerText;
};
