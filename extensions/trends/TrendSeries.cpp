#include "TrendSeries.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <utility>

#include "TrendsTexts.h"

namespace trends {
namespace {

// A decimal number, optionally with an exponent, and a unit after it: letters, a percent or a
// degree sign first, then letters, digits and the signs of units such as "mmol/L" or "10^9/L".
const QString kNumber = QStringLiteral(R"([+-]?(?:\d+(?:\.\d*)?|\.\d+)(?:[eE][+-]?\d+)?)");
const QString kUnit = QStringLiteral(R"([A-Za-z%°µ][A-Za-z0-9%°µ/^.²³]*)");

const QRegularExpression& NumberPattern() {
  static const QRegularExpression pattern(
      QStringLiteral(R"(^\s*(%1)\s*(%2)?\s*$)").arg(kNumber, kUnit));
  return pattern;
}

const QRegularExpression& PressurePattern() {
  static const QRegularExpression pattern(
      QStringLiteral(R"(^\s*(\d+(?:\.\d*)?)\s*/\s*(\d+(?:\.\d*)?)\s*(%1)?\s*$)").arg(kUnit));
  return pattern;
}

bool ToFinite(const QString& text, double& value) {
  bool ok = false;
  value = text.toDouble(&ok);
  return ok && std::isfinite(value);
}

bool SameUnit(const QString& a, const QString& b) {
  return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString WithUnit(const QString& label, const QString& unit) {
  return unit.isEmpty() ? label : QStringLiteral("%1 (%2)").arg(label, unit);
}

// Gathers one line: the first plotted reading sets the unit, a reading in another is counted.
struct LineBuilder {
  Line line;
  QString unit;
  bool started = false;

  void Add(const QDateTime& time, const Reading& reading, Skipped& skipped) {
    if (!started) {
      unit = reading.unit;
      started = true;
    } else if (!SameUnit(unit, reading.unit)) {
      ++skipped.otherUnits;
      return;
    }
    line.points.push_back({time, reading.value});
  }

  Line Finish(const QString& label) {
    line.label = WithUnit(label, unit);
    std::stable_sort(line.points.begin(), line.points.end(),
                     [](const Point& a, const Point& b) { return a.time < b.time; });
    return std::move(line);
  }
};

void KeepIfSkipped(const Skipped& skipped, Plot& plot) {
  if (skipped.notNumbers > 0 || skipped.otherUnits > 0) {
    plot.skipped.push_back(skipped);
  }
}

}  // namespace

int Plot::SkippedCount() const {
  int count = 0;
  for (const Skipped& entry : skipped) {
    count += entry.notNumbers + entry.otherUnits;
  }
  return count;
}

bool ReadNumber(const QString& text, Reading& reading) {
  const QRegularExpressionMatch match = NumberPattern().match(text);
  if (!match.hasMatch() || !ToFinite(match.captured(1), reading.value)) {
    return false;
  }
  reading.unit = match.captured(2);
  return true;
}

bool ReadPressure(const QString& text, Reading& systolic, Reading& diastolic) {
  const QRegularExpressionMatch match = PressurePattern().match(text);
  if (!match.hasMatch() || !ToFinite(match.captured(1), systolic.value) ||
      !ToFinite(match.captured(2), diastolic.value)) {
    return false;
  }
  systolic.unit = diastolic.unit = match.captured(3);
  return true;
}

PatientValues::PatientValues(const QList<XMValueRecord>& vitals, const QList<XMValueRecord>& labs) {
  for (const XMValueRecord& record : vitals) {
    AddRecord(record, false);
  }
  for (const XMValueRecord& record : labs) {
    AddRecord(record, true);
  }
}

bool PatientValues::IsPressure(const SeriesKey& key) {
  return !key.lab && key.name == QLatin1String(texts::kPressureName);
}

void PatientValues::AddRecord(const XMValueRecord& record, bool lab) {
  if (!record.time.isValid()) {
    return;  // a record without a readable time has no place on a time axis
  }
  const bool misc = lab && record.name == QLatin1String(texts::kMiscGroup);
  QString miscName;
  for (const auto& [name, value] : record.pairs) {
    // In a "Misc" lab the "Value Name" row names the results after it.
    if (misc && name == QLatin1String(texts::kMiscValueName)) {
      miscName = value.trimmed();
      continue;
    }
    const QString shownName = misc ? miscName : name;
    if (shownName.isEmpty() || value.trimmed().isEmpty()) {
      continue;  // nothing was entered
    }
    m_observations.push_back({{lab, lab ? record.name : QString(), shownName}, record.time, value});
  }
}

bool PatientValues::IsPlottable(const Observation& observation) const {
  Reading first;
  Reading second;
  return IsPressure(observation.key) ? ReadPressure(observation.value, first, second)
                                     : ReadNumber(observation.value, first);
}

QString PatientValues::LabelOf(const SeriesKey& key) const {
  for (const Observation& other : m_observations) {
    if (other.key.name == key.name && !(other.key == key) && IsPlottable(other)) {
      return QStringLiteral("%1 (%2)").arg(key.name,
                                           key.lab ? key.group : QString::fromUtf8(texts::kVitals));
    }
  }
  return key.name;
}

std::vector<Choice> PatientValues::Choices() const {
  std::vector<Choice> choices;
  for (const Observation& observation : m_observations) {
    const bool known = std::any_of(choices.begin(), choices.end(), [&](const Choice& choice) {
      return choice.key == observation.key;
    });
    if (!known && IsPlottable(observation)) {
      choices.push_back({observation.key, LabelOf(observation.key)});
    }
  }
  return choices;
}

Plot PatientValues::PlotOf(const std::vector<SeriesKey>& chosen) const {
  Plot plot;
  for (const SeriesKey& key : chosen) {
    if (IsPressure(key)) {
      AddPressureLines(key, plot);
    } else {
      AddLine(key, plot);
    }
  }
  return plot;
}

std::vector<const PatientValues::Observation*> PatientValues::ObservationsOf(
    const SeriesKey& key) const {
  std::vector<const Observation*> found;
  for (const Observation& observation : m_observations) {
    if (observation.key == key) {
      found.push_back(&observation);
    }
  }
  return found;
}

void PatientValues::AddLine(const SeriesKey& key, Plot& plot) const {
  LineBuilder builder;
  Skipped skipped{LabelOf(key)};
  for (const Observation* observation : ObservationsOf(key)) {
    Reading reading;
    if (ReadNumber(observation->value, reading)) {
      builder.Add(observation->time, reading, skipped);
    } else {
      ++skipped.notNumbers;
    }
  }
  plot.lines.push_back(builder.Finish(skipped.label));
  KeepIfSkipped(skipped, plot);
}

void PatientValues::AddPressureLines(const SeriesKey& key, Plot& plot) const {
  LineBuilder systolic;
  LineBuilder diastolic;
  Skipped skipped{LabelOf(key)};
  for (const Observation* observation : ObservationsOf(key)) {
    Reading high;
    Reading low;
    if (!ReadPressure(observation->value, high, low)) {
      ++skipped.notNumbers;
      continue;
    }
    // Both halves share one unit, so both lines take or refuse a reading together.
    const int before = skipped.otherUnits;
    systolic.Add(observation->time, high, skipped);
    if (skipped.otherUnits == before) {
      diastolic.Add(observation->time, low, skipped);
    }
  }
  plot.lines.push_back(
      systolic.Finish(QStringLiteral("%1 %2").arg(skipped.label, texts::Systolic())));
  plot.lines.push_back(
      diastolic.Finish(QStringLiteral("%1 %2").arg(skipped.label, texts::Diastolic())));
  KeepIfSkipped(skipped, plot);
}

}  // namespace trends
