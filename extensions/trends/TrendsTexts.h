#pragma once

#include <QString>

// The texts of the Trends tab. An extension has no access to the program's string table, so its
// texts are kept here, in one place.
namespace trends::texts {

// Names in the stored records that the tab reads specially.
inline constexpr const char* kPressureName = "BP";
inline constexpr const char* kMiscGroup = "Misc";
inline constexpr const char* kMiscValueName = "Value Name";
inline constexpr const char* kVitals = "Vitals";

inline QString TabTitle() {
  return QStringLiteral("Trends");
}
inline QString Systolic() {
  return QStringLiteral("systolic");
}
inline QString Diastolic() {
  return QStringLiteral("diastolic");
}

inline QString SeriesCaption() {
  return QStringLiteral("Series:");
}
inline QString SeriesListName() {
  return QStringLiteral("Series");
}
inline QString ChartName() {
  return QStringLiteral("Trend chart");
}
inline QString TableName() {
  return QStringLiteral("Plotted values");
}
inline QString NoteName() {
  return QStringLiteral("Chart note");
}
inline QString ChartLine() {
  return QStringLiteral("%1: %2 points from %3 to %4");
}
inline QString TimeColumn() {
  return QStringLiteral("Date and time");
}
inline QString ExportCsv() {
  return QStringLiteral("Export CSV...");
}
inline QString SavePicture() {
  return QStringLiteral("Save Picture...");
}

inline QString NoPatient() {
  return QStringLiteral("No patient selected.");
}
inline QString NothingToChoose() {
  return QStringLiteral("This patient has no vital signs or lab values with numbers.");
}
inline QString ChooseSeries() {
  return QStringLiteral("Choose one or more series to plot.");
}
inline QString NotPlotted() {
  return QStringLiteral("Not plotted: %1.");
}
inline QString NotNumbers() {
  return QStringLiteral("%1: %2 not a number");
}
inline QString OtherUnits() {
  return QStringLiteral("%1: %2 in another unit");
}

inline QString VitalsUnreadable() {
  return QStringLiteral("The vital signs could not be read: %1");
}
inline QString LabsUnreadable() {
  return QStringLiteral("The lab results could not be read: %1");
}
inline QString NotWritten() {
  return QStringLiteral("%1 could not be written: %2");
}
inline QString PictureNotMade() {
  return QStringLiteral("the picture could not be made");
}

inline QString ExportCaption() {
  return QStringLiteral("Export CSV");
}
inline QString CsvFilter() {
  return QStringLiteral("CSV files (*.csv)");
}
inline QString PictureCaption() {
  return QStringLiteral("Save Picture");
}
inline QString PngFilter() {
  return QStringLiteral("PNG pictures (*.png)");
}
inline QString PdfFilter() {
  return QStringLiteral("PDF documents (*.pdf)");
}
// The proposed file name: the patient's name and what the file holds.
inline QString FileName() {
  return QStringLiteral("%1 trends.%2");
}

inline QString AboutLine1() {
  return QStringLiteral("Trends 1.0");
}
inline QString AboutLine2() {
  return QStringLiteral("Vital signs and lab values charted over time");
}
inline QString Help() {
  return QStringLiteral(
      "<h3>Trends</h3>\r\n"
      "<p>The Trends tab charts the selected patient's vital signs and lab values over time. "
      "Tick one or more series in the list; blood pressure is drawn as two lines, systolic and "
      "diastolic. Values that are not numbers are not drawn and are counted under the chart. "
      "The table lists every value the chart shows.</p>\r\n"
      "<p><b>Export CSV...</b> saves the plotted values as a CSV file; <b>Save Picture...</b> "
      "saves the chart as a PNG picture or a PDF document.</p>\r\n");
}

}  // namespace trends::texts
