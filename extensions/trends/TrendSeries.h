#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <vector>

#include "common/XMExtension.h"

// What the Trends tab plots, worked out from the patient's vital-signs entries and lab results:
// the names that have numbers, and for the names chosen the lines of (time, number) points, with
// the values that could not be plotted counted.
namespace trends {

// A name of the patient's values: a vital sign, or a value of one lab group (the "Glu" of a
// chemistry panel is not the "Glu" of a urinalysis).
struct SeriesKey {
  bool lab = false;
  QString group;  // lab group; empty for a vital sign
  QString name;

  friend bool operator==(const SeriesKey&, const SeriesKey&) = default;
};

// One entry of the series picker.
struct Choice {
  SeriesKey key;
  QString label;  // the name, with its group when another group or the vitals use it too
};

struct Point {
  QDateTime time;
  double value = 0;
};

// One plotted line: blood pressure gives two, every other name one.
struct Line {
  QString label;  // the choice's label, a part ("systolic") and the unit ("kg") when there is one
  std::vector<Point> points;  // oldest first
};

// Values of a chosen name that are not plotted, with why.
struct Skipped {
  QString label;
  int notNumbers = 0;  // text that is no number ("pending", "2+", "<0.1")
  int otherUnits = 0;  // a number in another unit than the line's first ("156 lb" after "71 kg")
};

struct Plot {
  std::vector<Line> lines;
  std::vector<Skipped> skipped;  // only the names with something skipped
  int SkippedCount() const;
};

// A value read as a number with an optional unit after it ("71 kg", "95%", "37.2"). False for
// anything else; a number must be finite.
struct Reading {
  double value = 0;
  QString unit;
};
bool ReadNumber(const QString& text, Reading& reading);
// Blood pressure in its "120/80" form (units after the second number allowed).
bool ReadPressure(const QString& text, Reading& systolic, Reading& diastolic);

// The patient's values, from what the program's data interface answers.
class PatientValues {
 public:
  PatientValues() = default;
  PatientValues(const QList<XMValueRecord>& vitals, const QList<XMValueRecord>& labs);

  // Every name with at least one plottable value, vital signs first, each in the order it first
  // occurs.
  std::vector<Choice> Choices() const;
  // The lines of the chosen names, in the order chosen.
  Plot PlotOf(const std::vector<SeriesKey>& chosen) const;

  // The vital sign that is blood pressure, plotted as two lines.
  static bool IsPressure(const SeriesKey& key);

 private:
  struct Observation {
    SeriesKey key;
    QDateTime time;
    QString value;
  };

  void AddRecord(const XMValueRecord& record, bool lab);
  bool IsPlottable(const Observation& observation) const;
  // The values of one name, oldest first.
  std::vector<const Observation*> ObservationsOf(const SeriesKey& key) const;
  QString LabelOf(const SeriesKey& key) const;
  void AddPressureLines(const SeriesKey& key, Plot& plot) const;
  void AddLine(const SeriesKey& key, Plot& plot) const;

  std::vector<Observation> m_observations;  // in record order, oldest first within each source
};

}  // namespace trends
