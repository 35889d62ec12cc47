#include "store/FhirCoding.h"

#include <QRegularExpression>
#include <QStringList>
#include <array>

namespace fhir {
namespace {

enum class Measure {
  kRespiratoryRate,
  kHeartRate,
  kOxygenSaturation,
  kTemperature,
  kHeight,
  kWeight,
  kBmi
};

struct Kind {
  Measure measure;
  const char* loinc;
  const char* display;
  // The names a row of this kind goes by, compared without letter case.
  std::array<const char*, 5> names;
};

constexpr Kind kKinds[] = {
    {Measure::kRespiratoryRate,
     "9279-1",
     "Respiratory rate",
     {"resp", "rr", "respirations", "respiratory rate", "resp rate"}},
    {Measure::kHeartRate, "8867-4", "Heart rate", {"pulse", "hr", "heart rate", "p", "pulse rate"}},
    {Measure::kOxygenSaturation,
     "2708-6",
     "Oxygen saturation in Arterial blood",
     {"sao2", "spo2", "o2 sat", "sat", "o2sat"}},
    {Measure::kTemperature, "8310-5", "Body temperature", {"temp", "t", "temperature", "", ""}},
    {Measure::kHeight, "8302-2", "Body height", {"height", "ht", "", "", ""}},
    {Measure::kWeight, "29463-7", "Body weight", {"weight", "wt", "", "", ""}},
    {Measure::kBmi, "39156-5", "Body mass index (BMI) [Ratio]", {"bmi", "", "", "", ""}},
};

const Kind* KindNamed(const QString& name) {
  const QString folded = name.trimmed().toCaseFolded();
  for (const Kind& kind : kKinds) {
    for (const char* known : kind.names) {
      if (*known != '\0' && folded == QLatin1String(known)) {
        return &kind;
      }
    }
  }
  return nullptr;
}

// The number and the unit typed after it ("70 kg", "98.6F", "96%").
bool SplitValue(const QString& value, double& number, QString& unit) {
  static const QRegularExpression pattern(
      QStringLiteral(R"(^\s*([-+]?\d+(?:[.,]\d+)?)\s*([^\d\s].*?)?\s*$)"));
  const QRegularExpressionMatch match = pattern.match(value);
  if (!match.hasMatch()) {
    return false;
  }
  bool ok = false;
  number = QString(match.captured(1)).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
  unit = match.captured(2).toCaseFolded().remove(QChar(0x00B0)).trimmed();  // "°F" as "F"
  return ok;
}

// The UCUM unit of a value of the measure; empty when the unit is not one we know.
QString UnitOf(Measure measure, const QString& unit, double number) {
  switch (measure) {
    case Measure::kRespiratoryRate:
    case Measure::kHeartRate:
      return unit.isEmpty() || unit == QLatin1String("/min") || unit == QLatin1String("bpm")
                 ? QStringLiteral("/min")
                 : QString();
    case Measure::kOxygenSaturation:
      return unit.isEmpty() || unit == QLatin1String("%") ? QStringLiteral("%") : QString();
    case Measure::kTemperature:
      if (unit == QLatin1String("c")) {
        return QStringLiteral("Cel");
      }
      if (unit == QLatin1String("f")) {
        return QStringLiteral("[degF]");
      }
      // A bare number is told by its range: no living body is 45-77 degrees in either scale.
      if (unit.isEmpty() && number >= 25 && number <= 45) {
        return QStringLiteral("Cel");
      }
      return unit.isEmpty() && number >= 77 && number <= 113 ? QStringLiteral("[degF]") : QString();
    case Measure::kHeight:
      if (unit == QLatin1String("cm")) {
        return QStringLiteral("cm");
      }
      return unit == QLatin1String("in") || unit == QLatin1String("\"") ? QStringLiteral("[in_i]")
                                                                        : QString();
    case Measure::kWeight:
      if (unit == QLatin1String("kg") || unit == QLatin1String("g")) {
        return unit;
      }
      return unit == QLatin1String("lb") || unit == QLatin1String("lbs") ? QStringLiteral("[lb_av]")
                                                                         : QString();
    case Measure::kBmi:
      return unit.isEmpty() || unit == QLatin1String("kg/m2") ? QStringLiteral("kg/m2") : QString();
  }
  return {};
}

}  // namespace

std::optional<double> Number(const QString& text) {
  static const QRegularExpression pattern(QStringLiteral(R"(^\s*[-+]?\d+(?:\.\d+)?\s*$)"));
  if (!pattern.match(text).hasMatch()) {
    return std::nullopt;
  }
  return text.trimmed().toDouble();
}

std::optional<VitalCoding> CodeVital(const QString& name, const QString& value) {
  const Kind* kind = KindNamed(name);
  double number = 0;
  QString unit;
  if (kind == nullptr || !SplitValue(value, number, unit)) {
    return std::nullopt;
  }
  const QString ucum = UnitOf(kind->measure, unit, number);
  if (ucum.isEmpty()) {
    return std::nullopt;
  }
  return VitalCoding{QLatin1String(kind->loinc), QLatin1String(kind->display), {number, ucum}};
}

bool IsBloodPressure(const QString& name) {
  const QString folded = name.trimmed().toCaseFolded();
  return folded == QLatin1String("bp") || folded == QLatin1String("blood pressure");
}

std::optional<BloodPressureValues> BloodPressure(const QString& value) {
  const QStringList parts = value.split(QLatin1Char('/'));
  if (parts.size() > 2) {
    return std::nullopt;
  }
  const std::optional<double> systolic = Number(parts[0]);
  if (!systolic) {
    return std::nullopt;
  }
  BloodPressureValues values{*systolic, std::nullopt};
  if (parts.size() == 2 && !parts[1].trimmed().isEmpty()) {
    values.diastolic = Number(parts[1]);
    if (!values.diastolic) {
      return std::nullopt;  // "120/abc": the value travels as text
    }
  }
  return values;
}

}  // namespace fhir
