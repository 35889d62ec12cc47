#pragma once

#include <QString>

#include "notes/CNoteSheetPage.h"

class IPageHost;

// Base of the pages of the H&P sheet: they read the current patient, and reach the chart pages,
// through the strip that holds the chart (the sheet's host), each time they need it.
class CHPPage : public CNoteSheetPage {
  Q_OBJECT

 public:
  CHPPage(int titleId, IPageHost& host, QWidget* parent = nullptr);

 protected:
  IPageHost& Host() const { return m_host; }
  QString CurrentPatient() const;

 private:
  IPageHost& m_host;
};
