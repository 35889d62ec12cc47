#pragma once

#include <QString>

#include "app/CPageTabCtrl.h"
#include "chart/CMedsPage.h"
#include "chart/CToDoPage.h"
#include "chart/CVSTestsPage.h"
#include "notes/CNotesPage.h"
#include "patients/CPatientInfoPage.h"
#include "patients/CPatientListPage.h"

// The chart tabs of the main window. The strip owns the six chart pages and the current patient;
// pages read the patient through their parent at every activation.
class CPatientTabCtrl : public CPageTabCtrl {
  Q_OBJECT

 public:
  explicit CPatientTabCtrl(QWidget* parent = nullptr);
  ~CPatientTabCtrl() override;

  // Makes the six pages, selects the first, lets every extension add its chart pages and lays
  // the pages out.
  void Create();

  // Makes name the current patient and shows "name MR room" in the header.
  void SetCurrentPatient(const QString& name, const QString& mrNumber, const QString& room);
  void ClearCurrentPatient();
  void RefillPatientList(bool keepSelection, bool refreshTypes);
  // Reloads the page on show.
  void ReloadCurrentPage();

  CPatientListPage& ListPage() { return m_listPage; }
  const QString& HeaderText() const { return m_headerText; }

  QString currentPatient;
  bool patientSelected = false;
  QString currentMrNumber;

 signals:
  // The header text changed (and with it, maybe, whether a patient is selected).
  void headerChanged(const QString& text);
  void patientChanged(bool selected);

 private:
  void SetHeader(const QString& text);

  CPatientListPage m_listPage;
  CPatientInfoPage m_infoPage;
  CMedsPage m_medsPage;
  CVSTestsPage m_vsTestsPage;
  CNotesPage m_notesPage;
  CToDoPage m_todoPage;
  QString m_headerText;
};
