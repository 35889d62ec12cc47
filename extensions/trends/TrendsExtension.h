#pragma once

#include <QPointer>
#include <QString>

#include "CTrendsPage.h"
#include "common/XMExtension.h"

// The Trends extension: adds the "Trends" chart tab and keeps it following the current patient
// and the patient's records. It needs the patient data of interface version 2.
class TrendsExtension : public XMExtension, public IPatientListener, public IPatientDataListener {
 public:
  // The interface version the extension is built for; its factory accepts no other.
  static constexpr int kInterfaceVersion = 2;

  TrendsExtension() = default;
  ~TrendsExtension() override = default;
  TrendsExtension(const TrendsExtension&) = delete;
  TrendsExtension& operator=(const TrendsExtension&) = delete;

  QString GetAboutText1() override;
  QString GetAboutText2() override;
  QString GetHelpContents() override;
  // Adds the "Trends" tab after the tabs already there.
  void AddChartPages(ITabHost* host) override;
  void AddPreferencePages(ITabHost* host) override;
  void Initialize(XMResourceMgr* resources) override;
  bool OnCmdMsg(int commandId) override;
  bool OnRegisteredMsg(const QString& message) override;

  void OnPatientSelected(const QString& name) override;
  void OnPatientDeleted(const QString& name) override;
  void OnPatientDataChanged(const QString& name) override;

  // The tab, while the strip that owns it exists.
  CTrendsPage* Page() const { return m_page.data(); }

 private:
  XMResourceMgr* m_resources = nullptr;
  QPointer<CTrendsPage> m_page;  // owned by the tab strip it was added to
};
