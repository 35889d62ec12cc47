#pragma once

#include <QHash>
#include <QString>
#include <vector>

#include "common/CDBBaseDatabase.h"

class IListControl;

// The patient store: one record per patient, keyed and ordered case-insensitively by the full
// name "Last, First". The full name is the only link between a patient and the records of every
// chart store.
class CDBPatient : public CDBBaseDatabase {
 public:
  static constexpr uint8_t kRecordType = 1;
  static constexpr const char* kVolumeName = "CMPatients";

  // Property identifiers of the patient fields.
  enum Prop : PropId {
    kFirstNameProp = 102,
    kLastNameProp,
    kMrNumberProp,
    kDoctorProp,
    kAgeValueProp,
    kAgeUnitProp,
    kRaceProp,
    kSexProp,
    kAdmitDateProp,
    kCodeStatusProp,
    kRoomProp,
    kDiagnosisProp,
    kAllergiesProp,
    kProblemsProp,
    kPatientTypeProp,
    kDateOfBirthProp,
    kLegacyTodoProp,
    kTimeStampProp,
  };

  CDBPatient();

  bool FindByName(const QString& name) override;
  bool Serialize(std::vector<uint8_t>& bytes) override;
  // Files a received patient: merged into the patient of the same name, else added. Remembers
  // the name as the patient that the records received after it belong to.
  [[nodiscard]] bool Write(const uint8_t* bytes, size_t length) override;
  void UnpackRecord(const platform::Record& record) override;
  platform::Record ReceivedProperties() const override { return BuildProperties(true); }
  QString OwnerName() const override { return name; }
  // Files the members as a received or restored patient: merged into the patient of the same
  // name (the stored name stays), else added; keeps timeStamp when it is not zero, desktopId and
  // accessState. Remembers the patient as the one that records received after it belong to.
  [[nodiscard]] bool FileReceived();

  // Stores the filled fields as a new patient named MakeFullName(firstName, lastName); false when
  // a patient of that name exists. received keeps desktopId and accessState as they are set.
  [[nodiscard]] bool CreateRecord(bool received);
  // Writes the fields over the patient of that name (the name itself does not change).
  [[nodiscard]] bool UpdateRecord(const QString& patientName, bool received);
  [[nodiscard]] bool MovePatient(const QString& patientName, const QString& type);
  // One row of a patient list: the patient's name, MR number, room, access state and type.
  struct PatientRow {
    QString name;
    QString mrNumber;
    QString room;
    uint8_t accessState = 0;
    QString patientType;

    // Whether the row is listed under the type: every row under "" (all types), else the rows
    // whose type is that text in any letter case.
    bool OfType(const QString& type) const;
  };
  // The rows of the patients of a type ("" = all) in store order, read under one snapshot of the
  // store. A read that fails ends the walk: the rows before it are answered.
  std::vector<PatientRow> ReadPatientRows(const QString& type);
  // Fills the list with columns name, MR number and room of the patients of a type ("" = all) in
  // store order and answers the rows; a row's item data is its index into them.
  std::vector<PatientRow> PopulatePatientList(IListControl& list, const QString& type);

  static QString MakeFullName(const QString& first, const QString& last);
  // The age on the device's today of someone born on dateOfBirth: value, one blank, unit
  // ("45 Years", "18 Months", "12 Days"). Empty for a zero date. Answers the value.
  static int SetAge(const FILETIME& dateOfBirth, QString& text);

  QString FindAllergiesByName(const QString& patientName);
  [[nodiscard]] bool UpdateAllergies(const QString& patientName, const QString& text);
  // The todo text that patients of the earlier release kept in their record.
  QString FindTodoByName(const QString& patientName);
  [[nodiscard]] bool UpdateTodo(const QString& patientName, const QString& text);
  // The patient's access state (0, 1 or 2), cached in the read-only cache; 0 when not found.
  static int FindReadOnlyByName(const QString& patientName);
  // Empties the read-only cache: the desktop or a transfer may have changed access states.
  static void ClearReadOnlyCache() { m_ReadOnlyMap.clear(); }
  // Forgets one patient's cached state (the patient was deleted).
  static void ForgetReadOnly(const QString& patientName) { m_ReadOnlyMap.remove(patientName); }
  static bool IsReadOnlyCached(const QString& patientName) {
    return m_ReadOnlyMap.contains(patientName);
  }
  // The patient last stored by Write: records received after it belong to it.
  static const QString& LastPatientWritten() { return m_LastPatientWritten; }
  // Files the records that follow under name, as a received patient record would (a restore
  // that has stored the patient another way).
  static void SetLastPatientWritten(const QString& name) { m_LastPatientWritten = name; }

  // Prints the patient log, one short block per patient in store order, on the printer; answers
  // 0 when the printer took the job, else the printer's open or close failure.
  int PrintPatientLog(int linesPerPage, int pageWidth, int leftMargin, int topMargin,
                      int bottomMargin);

  // Forgets the patient of the previous transfer; the beam engine calls it as a transfer starts.
  static void ResetLastPatientWritten() { m_LastPatientWritten.clear(); }

  RecordId recordId = 0;
  QString name;
  QString firstName;
  QString lastName;
  QString mrNumber;
  QString doctor;
  QString ageValue;
  QString ageUnit;
  QString race;
  QString sex;
  FILETIME admitDate;
  QString codeStatus;
  QString room;
  QString diagnosis;
  QString allergies;
  QString problems;
  QString patientType;
  FILETIME dateOfBirth;  // zero = none
  QString todo;          // legacy todo text
  FILETIME timeStamp;    // of the last change; zero = not known

 private:
  // Per thread, like the current device whose patients they describe.
  static thread_local QHash<QString, int> m_ReadOnlyMap;
  static thread_local QString m_LastPatientWritten;

  platform::Record BuildProperties(bool received) const;
  [[nodiscard]] bool WriteField(const QString& patientName, PropId id, const QString& value);
  QString ReadField(const QString& patientName, PropId id);
  bool ReadPatient(const QString& patientName, bool keepOpen);
};
