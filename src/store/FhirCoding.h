#pragma once

#include <QString>
#include <optional>

// How a vital sign is coded in FHIR: the LOINC code of what it measures and the UCUM unit of its
// value, recognised from the name a person gave the row and the value typed into it.
namespace fhir {

struct Quantity {
  double value = 0;
  QString ucum;  // the UCUM code, also shown as the unit
};

struct VitalCoding {
  QString loinc;
  QString display;
  Quantity quantity;
};

// A vital sign with a recognised name and a value that is a number in a known unit (the unit
// typed after the number, or for temperatures told by its range); nothing otherwise. Blood
// pressure is coded by BloodPressure instead.
std::optional<VitalCoding> CodeVital(const QString& name, const QString& value);

// Whether the name is the blood pressure row's.
bool IsBloodPressure(const QString& name);

// A blood pressure "120/80" (a missing diastolic value is empty); nothing when the systolic
// value is not a number.
struct BloodPressureValues {
  double systolic = 0;
  std::optional<double> diastolic;
};
std::optional<BloodPressureValues> BloodPressure(const QString& value);

// A number as a person typed it ("98.6", " 72 "), nothing for anything else.
std::optional<double> Number(const QString& text);

}  // namespace fhir
