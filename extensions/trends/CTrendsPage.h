#pragma once

#include <QString>
#include <vector>

#include "TrendSeries.h"
#include "common/ui/CTabPage.h"

class QChart;
class QChartView;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QSplitter;
class QTableWidget;
class XMPatientData;
class XMResourceMgr;

// The "Trends" chart tab: a picker of the current patient's numeric series, the chart of the
// chosen ones over real dates, a note of what could not be plotted, the table of the plotted
// values, and the two exports. Everything is read from the program each time the page is shown,
// and again whenever the program tells that the patient or the patient's records changed while it
// is on show.
class CTrendsPage : public CTabPage {
  Q_OBJECT

 public:
  explicit CTrendsPage(XMResourceMgr& resources, QWidget* parent = nullptr);
  ~CTrendsPage() override;

  bool OnSetActive() override;
  // Reads the current patient's records again when the page is on show (a hidden page reads
  // them when it is shown).
  void OnPatientDataChanged();

  // The controls, for the tests and for what shows the page.
  QListWidget* Picker() const { return m_picker; }
  QChartView* ChartView() const { return m_chartView; }
  QChart* Chart() const { return m_chart; }
  QLabel* Note() const { return m_note; }
  QTableWidget* Table() const { return m_table; }
  QPushButton* ExportCsvButton() const { return m_exportCsv; }
  QPushButton* SavePictureButton() const { return m_savePicture; }
  const trends::Plot& ShownPlot() const { return m_plot; }

  // Ticks or clears the picker entry labelled label; false when there is none.
  bool Choose(const QString& label, bool chosen = true);

  void OnExportCsv();
  void OnSavePicture();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Reload();
  // Reads what can be read; a store that cannot be read is told and kept for the note.
  void ReadValues(trends::PatientValues& values);
  void FillPicker();
  std::vector<trends::SeriesKey> ChosenKeys() const;
  void OnPickerItemChanged(QListWidgetItem* item);
  void Replot();
  void ShowChart();
  void ShowTable();
  void ShowNote();
  QString NoteText() const;
  QString ChartDescription() const;
  // The picture of the chart with the patient's name and the note, as PNG or PDF bytes.
  QByteArray PictureBytes(bool pdf) const;
  void WriteFile(const QString& path, const QByteArray& bytes);
  QString ProposedPath(const QString& suffix) const;

  XMResourceMgr& m_resources;
  XMPatientData& m_data;
  QListWidget* m_picker;
  QChart* m_chart;
  QChartView* m_chartView;
  QLabel* m_note;
  QTableWidget* m_table;
  QSplitter* m_splitter;
  bool m_splitterPlaced = false;
  QPushButton* m_exportCsv;
  QPushButton* m_savePicture;

  QString m_patient;
  QString m_readError;
  trends::PatientValues m_values;
  std::vector<trends::Choice> m_choices;
  // What the person ticked, kept across reloads and patients while the names exist.
  std::vector<trends::SeriesKey> m_chosen;
  trends::Plot m_plot;
};
