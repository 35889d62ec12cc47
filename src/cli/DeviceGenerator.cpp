#include "cli/DeviceGenerator.h"

#include <QStringList>
#include <algorithm>
#include <array>
#include <numeric>
#include <random>
#include <vector>

#include "common/CDBCategories.h"
#include "common/CDBPatient.h"
#include "platform/Clock.h"
#include "platform/PropertyDatabase.h"
#include "store/CDBLabValues.h"
#include "store/CDBMeds.h"
#include "store/CDBNotes.h"
#include "store/CDBTest.h"
#include "store/CDBToDo.h"
#include "store/CDBVitals.h"

namespace generator {
namespace {

using Random = std::mt19937;

constexpr int kPatientsPerTransaction = 100;
constexpr uint64_t kTicksPerMinute = 60 * filetime::kTicksPerSecond;

// ---- What the ward is made of ------------------------------------------------------------------

// First names include some that begin others ("Jo", "Joan", "Joanna"), so that patients whose
// names extend each other sit side by side in the stores, as they do on a real ward.
const std::array kFirstNames = {
    "Aaron",    "Abigail", "Ada",       "Alan",    "Albert",  "Alice",    "Amy",    "Ann",
    "Anna",     "Anne",    "Arthur",    "Barbara", "Ben",     "Benjamin", "Betty",  "Carl",
    "Carol",    "Chris",   "Christine", "Claire",  "Daniel",  "David",    "Diane",  "Donald",
    "Dorothy",  "Edith",   "Edward",    "Elena",   "Emma",    "Frank",    "George", "Grace",
    "Harold",   "Helen",   "Henry",     "Irene",   "Jack",    "James",    "Jane",   "Jo",
    "Joan",     "Joanna",  "John",      "Joseph",  "Karen",   "Laura",    "Linda",  "Louis",
    "Margaret", "Maria",   "Mark",      "Mary",    "Michael", "Nancy",    "Oscar",  "Paul",
    "Peter",    "Rose",    "Ruth",      "Sam",     "Samuel",  "Sarah",    "Thomas", "Walter"};

const std::array kLastNames = {
    "Adams",   "Allen",   "Baker",  "Bell",     "Brooks",   "Brown",   "Campbell", "Carter",
    "Clark",   "Collins", "Cook",   "Cooper",   "Davis",    "Edwards", "Evans",    "Fisher",
    "Foster",  "Garcia",  "Gray",   "Green",    "Hall",     "Harris",  "Hill",     "Howard",
    "Hughes",  "Jackson", "James",  "Johnson",  "Jones",    "Kelly",   "King",     "Lee",
    "Lewis",   "Martin",  "Miller", "Mitchell", "Moore",    "Morgan",  "Morris",   "Murphy",
    "Nelson",  "Parker",  "Perez",  "Phillips", "Reed",     "Roberts", "Robinson", "Rogers",
    "Russell", "Scott",   "Smith",  "Stewart",  "Taylor",   "Thomas",  "Thompson", "Turner",
    "Walker",  "Ward",    "Watson", "White",    "Williams", "Wilson",  "Wood",     "Young"};

struct PatientType {
  const char* name;
  int weight;
  int stayDays;  // the longest stay of the type, the history the records cover
};

constexpr std::array kPatientTypes = {
    PatientType{"Hospital", 40, 60}, PatientType{"Clinic", 30, 900}, PatientType{"ICU", 8, 30},
    PatientType{"Rehab", 12, 120}, PatientType{"Nursing Home", 10, 900}};

const std::array kDoctors = {"Dr. Okafor", "Dr. Lindqvist", "Dr. Moreau", "Dr. Tanaka",
                             "Dr. Reyes",  "Dr. Novak",     "Dr. Haddad", "Dr. Brennan"};
const std::array kDiagnoses = {"CHF exacerbation",
                               "COPD exacerbation",
                               "Pneumonia",
                               "NSTEMI",
                               "Cellulitis",
                               "UTI",
                               "Hip fracture s/p ORIF",
                               "DKA",
                               "CVA",
                               "GI bleed",
                               "Sepsis",
                               "AKI on CKD",
                               "Diabetes, type 2",
                               "Hypertension",
                               "Atrial fibrillation"};
const std::array kAllergies = {"NKDA", "PCN", "Sulfa", "Codeine", "Latex", "PCN, Sulfa", "NKDA"};
const std::array kProblems = {"HTN, DM2", "CAD, HLD", "COPD",           "CKD 3", "AFib on warfarin",
                              "Dementia", "OSA",      "Hypothyroidism", "GERD",  "Depression"};
const std::array kRaces = {"White", "Black", "Asian", "Hispanic", "Other"};
const std::array kCodeStatus = {"Full Code", "Full Code", "Full Code", "DNR", "DNR/DNI"};

struct Drug {
  const char* drug;
  const char* dose;
  const char* route;
  const char* frequency;
};

const std::array kDrugs = {Drug{"Metoprolol", "25 mg", "PO", "BID"},
                           Drug{"Lisinopril", "10 mg", "PO", "QD"},
                           Drug{"Furosemide", "40 mg", "IV", "BID"},
                           Drug{"Atorvastatin", "40 mg", "PO", "QHS"},
                           Drug{"Aspirin", "81 mg", "PO", "QD"},
                           Drug{"Heparin", "5000 units", "SC", "TID"},
                           Drug{"Insulin glargine", "20 units", "SC", "QHS"},
                           Drug{"Insulin lispro", "sliding scale", "SC", "AC"},
                           Drug{"Metformin", "500 mg", "PO", "BID"},
                           Drug{"Pantoprazole", "40 mg", "PO", "QD"},
                           Drug{"Ceftriaxone", "1 g", "IV", "Q24H"},
                           Drug{"Azithromycin", "500 mg", "PO", "QD"},
                           Drug{"Vancomycin", "1 g", "IV", "Q12H"},
                           Drug{"Piperacillin-tazobactam", "3.375 g", "IV", "Q8H"},
                           Drug{"Acetaminophen", "650 mg", "PO", "Q6H PRN"},
                           Drug{"Oxycodone", "5 mg", "PO", "Q4H PRN"},
                           Drug{"Morphine", "2 mg", "IV", "Q2H PRN"},
                           Drug{"Ondansetron", "4 mg", "IV", "Q6H PRN"},
                           Drug{"Docusate", "100 mg", "PO", "BID"},
                           Drug{"Senna", "8.6 mg", "PO", "QHS"},
                           Drug{"Warfarin", "5 mg", "PO", "QPM"},
                           Drug{"Apixaban", "5 mg", "PO", "BID"},
                           Drug{"Amlodipine", "5 mg", "PO", "QD"},
                           Drug{"Carvedilol", "6.25 mg", "PO", "BID"},
                           Drug{"Spironolactone", "25 mg", "PO", "QD"},
                           Drug{"Levothyroxine", "75 mcg", "PO", "QAM"},
                           Drug{"Prednisone", "40 mg", "PO", "QD"},
                           Drug{"Albuterol", "2.5 mg", "NEB", "Q4H PRN"},
                           Drug{"Ipratropium", "0.5 mg", "NEB", "QID"},
                           Drug{"Tiotropium", "18 mcg", "INH", "QD"},
                           Drug{"Sertraline", "50 mg", "PO", "QD"},
                           Drug{"Quetiapine", "25 mg", "PO", "QHS PRN"},
                           Drug{"Lorazepam", "0.5 mg", "PO", "Q8H PRN"},
                           Drug{"Potassium chloride", "20 mEq", "PO", "BID"},
                           Drug{"Magnesium oxide", "400 mg", "PO", "QD"},
                           Drug{"Gabapentin", "300 mg", "PO", "TID"},
                           Drug{"Tamsulosin", "0.4 mg", "PO", "QHS"},
                           Drug{"Enoxaparin", "40 mg", "SC", "QD"},
                           Drug{"Digoxin", "0.125 mg", "PO", "QD"},
                           Drug{"Amiodarone", "200 mg", "PO", "QD"},
                           Drug{"Clopidogrel", "75 mg", "PO", "QD"},
                           Drug{"Famotidine", "20 mg", "PO", "BID"},
                           Drug{"Nitroglycerin", "0.4 mg", "SL", "Q5MIN PRN"},
                           Drug{"Hydralazine", "10 mg", "IV", "Q6H PRN"},
                           Drug{"Cephalexin", "500 mg", "PO", "QID"},
                           Drug{"Ciprofloxacin", "500 mg", "PO", "BID"},
                           Drug{"Nystatin", "5 mL", "PO", "QID"},
                           Drug{"Thiamine", "100 mg", "PO", "QD"},
                           Drug{"Folic acid", "1 mg", "PO", "QD"},
                           Drug{"Multivitamin", "1 tab", "PO", "QD"}};

struct LabGroup {
  const char* group;
  const char* values;  // packed, %1.. filled with a random figure each
};

// Each group with the figures that vary; a result is drawn with a morning chemistry or its like.
const std::array kLabGroups = {
    LabGroup{"CBC", "WBC\n%1\nHb\n%2\nHct\n%3\nPlt\n%4\nRBC\n4.%5\nMCV\n9%6\n"},
    LabGroup{"Chemistry", "Na\n13%1\nK\n%2\nCl\n10%3\nCO2\n2%4\nBUN\n%5\nCr\n1.%6\nGlu\n1%7\n"},
    LabGroup{"LFTs", "Alb\n3.%1\nALT\n%2\nAST\n%3\nAlkPhos\n%4\nT-bili\n0.%5\n"},
    LabGroup{"Coags", "PT\n1%1.%2\nPTT\n3%3\nINR\n1.%4\n"},
    LabGroup{"UA", "SG\n1.0%1\npH\n%2\nNit\nneg\nLeu\n%3\n"},
    LabGroup{"ABG", "pH\n7.3%1\npCO2\n4%2\npO2\n%3\nHCO3\n2%4\nSat\n9%5\n"},
    LabGroup{"Misc", "Value Name\nLactate\nResult\n%1.%2\n"}};

const std::array kTests = {"CXR",       "EKG", "CT Head", "Echo",       "US Abdomen",
                           "MRI Brain", "KUB", "PFTs",    "Doppler LE", "Stress Test"};
const std::array kTestResults = {"No acute cardiopulmonary process.",
                                 "Normal sinus rhythm, rate 78, no ST changes.",
                                 "No acute intracranial hemorrhage or mass effect.",
                                 "EF 35-40%, mild MR, no pericardial effusion.",
                                 "Gallbladder unremarkable, no hydronephrosis.",
                                 "Small vessel ischemic changes, no acute infarct.",
                                 "Nonobstructive bowel gas pattern.",
                                 "Moderate obstruction, FEV1 55% predicted.",
                                 "No DVT in either lower extremity.",
                                 "No inducible ischemia at 85% of target heart rate.",
                                 "Left lower lobe infiltrate, small effusion.",
                                 "Atrial fibrillation with controlled rate."};

const std::array kSubjective = {
    "Feels better today, slept well, tolerating diet.",
    "Complains of mild shortness of breath with exertion, no chest pain.",
    "Reports pain 4/10 at the incision, controlled with current regimen.",
    "No overnight events. Ambulated with PT twice.",
    "Nauseated this morning, one episode of emesis, no abdominal pain.",
    "Family at bedside, questions about discharge planning answered."};
const std::array kObjective = {
    "Afebrile, HR 78, BP 128/74, SaO2 96% on 2 L. Lungs with bibasilar crackles.",
    "Alert and oriented x3. RRR, no murmurs. Abdomen soft, non tender.",
    "Incision clean, dry and intact. Trace edema of both ankles.",
    "Tmax 38.1, HR 96, RR 20. Decreased breath sounds at the left base.",
    "Weight down 1.2 kg since admission. JVP not elevated."};
const std::array kAssessment = {
    "Improving. Continue diuresis, recheck BMP in AM.",
    "Stable. Advance diet, continue PT, plan discharge in 1-2 days.",
    "Pneumonia responding to antibiotics; switch to PO when afebrile 24 h.",
    "Glucose above goal; increase glargine by 2 units.",
    "Hold anticoagulation for procedure tomorrow, NPO after midnight."};

const std::array kTodos = {"Check K+ in AM",
                           "Follow up blood cultures",
                           "Repeat CXR",
                           "Call family re: plan",
                           "PT/OT evaluation",
                           "Social work consult",
                           "Renal dose antibiotics",
                           "Daily weight",
                           "Strict I&O",
                           "Wean O2 to keep sat >92%",
                           "Discharge summary",
                           "Med reconciliation",
                           "Schedule echo",
                           "Cardiology consult",
                           "Check INR",
                           "Foley out today",
                           "Advance diet",
                           "Pain regimen review",
                           "Fall precautions",
                           "Update code status",
                           "Order HbA1C",
                           "Recheck troponin",
                           "Wound care consult",
                           "Hold AM insulin if NPO",
                           "Follow up CT read",
                           "Vaccines before discharge",
                           "Bowel regimen",
                           "Glucose checks AC/HS",
                           "Ambulate TID",
                           "Incentive spirometry"};
const std::array kTodoNotes = {"",
                               "",
                               "Left message with daughter.",
                               "Ordered, pending.",
                               "Ask attending on rounds.",
                               "",
                               "Done per night nurse."};

template <typename Array>
const char* PickOne(Random& random, const Array& items) {
  return items[std::uniform_int_distribution<size_t>(0, items.size() - 1)(random)];
}

int Between(Random& random, int low, int high) {
  return std::uniform_int_distribution<int>(low, high)(random);
}

QString Text(const char* text) {
  return QString::fromUtf8(text);
}

// ---- Times ----------------------------------------------------------------------------------

FILETIME Plus(const FILETIME& time, int64_t minutes) {
  const int64_t ticks = static_cast<int64_t>(filetime::ToTicks(time)) +
                        minutes * static_cast<int64_t>(kTicksPerMinute);
  return filetime::FromTicks(static_cast<uint64_t>(std::max<int64_t>(ticks, 0)));
}

// The start of today on the device clock: the records of one day's fill do not depend on the hour.
FILETIME Today() {
  const uint64_t now = filetime::ToTicks(clock_source::Now());
  return filetime::FromTicks(now - now % filetime::kTicksPerDay);
}

// count distinct times spread over the stay from admitted to the end of yesterday, a little apart
// at random, in time order.
std::vector<FILETIME> Spread(Random& random, const FILETIME& admitted, int stayMinutes, int count) {
  std::vector<FILETIME> times;
  const int step = std::max(stayMinutes / std::max(count, 1), 2);
  for (int i = 0; i < count; ++i) {
    times.push_back(Plus(admitted, int64_t{i} * step + Between(random, 0, step / 2)));
  }
  return times;
}

// ---- Names ----------------------------------------------------------------------------------

// Every name the load can use, in the order its seed deals them out.
std::vector<QString> DealNames(uint32_t seed) {
  std::vector<QString> names;
  for (const char* last : kLastNames) {
    for (const char* first : kFirstNames) {
      names.push_back(CDBPatient::MakeFullName(Text(first), Text(last)));
    }
  }
  Random random(seed);
  std::shuffle(names.begin(), names.end(), random);
  return names;
}

const std::vector<QString>& NamesOf(uint32_t seed) {
  static uint32_t dealtFor = 0;
  static std::vector<QString> names;
  if (names.empty() || dealtFor != seed) {
    names = DealNames(seed);
    dealtFor = seed;
  }
  return names;
}

// ---- One patient ------------------------------------------------------------------------------

struct Stay {
  QString name;
  FILETIME admitted;
  int minutes = 0;  // from admission to the end of yesterday
  bool filed = false;
};

Stay AddPatient(Random& random, const QString& fullName) {
  int weights = 0;
  for (const PatientType& type : kPatientTypes) {
    weights += type.weight;
  }
  int pick = Between(random, 1, weights);
  const PatientType* type = &kPatientTypes[0];
  for (const PatientType& candidate : kPatientTypes) {
    if ((pick -= candidate.weight) <= 0) {
      type = &candidate;
      break;
    }
  }
  const int stayDays = Between(random, 2, type->stayDays);
  Stay stay{fullName, Plus(Today(), -int64_t{stayDays} * 24 * 60), (stayDays - 1) * 24 * 60};

  CDBPatient patient;
  const qsizetype comma = fullName.indexOf(QStringLiteral(", "));
  patient.lastName = fullName.left(comma);
  patient.firstName = fullName.mid(comma + 2);
  patient.mrNumber = QString::number(Between(random, 100000, 999999));
  patient.doctor = Text(PickOne(random, kDoctors));
  patient.dateOfBirth = Plus(Today(), -int64_t{Between(random, 18 * 365, 98 * 365)} * 24 * 60);
  CDBPatient::SetAge(patient.dateOfBirth, patient.ageValue);
  patient.ageUnit = patient.ageValue.section(QLatin1Char(' '), 1);
  patient.ageValue = patient.ageValue.section(QLatin1Char(' '), 0, 0);
  patient.race = Text(PickOne(random, kRaces));
  patient.sex = random() % 2 == 0 ? QStringLiteral("F") : QStringLiteral("M");
  patient.admitDate = stay.admitted;
  patient.codeStatus = Text(PickOne(random, kCodeStatus));
  patient.room = QStringLiteral("%1%2")
                     .arg(Between(random, 1, 6))
                     .arg(Between(random, 1, 40), 2, 10, QLatin1Char('0'));
  patient.diagnosis = Text(PickOne(random, kDiagnoses));
  patient.allergies = Text(PickOne(random, kAllergies));
  patient.problems = Text(PickOne(random, kProblems));
  patient.patientType = Text(type->name);
  stay.filed = patient.CreateRecord(false);
  return stay;
}

bool AddMedications(Random& random, const Stay& stay, int count) {
  std::vector<size_t> order(kDrugs.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::shuffle(order.begin(), order.end(), random);
  CDBMeds meds;
  meds.patient = stay.name;
  for (int i = 0; i < count; ++i) {
    const Drug& drug = kDrugs[order[static_cast<size_t>(i) % order.size()]];
    meds.drug = Text(drug.drug);
    meds.dose = Text(drug.dose);
    meds.route = Text(drug.route);
    meds.frequency = Text(drug.frequency);
    // A course of days is tracked for a few, started lately enough to run for weeks yet.
    const bool course = random() % 5 == 0;
    meds.trackDays = course ? QStringLiteral("Yes") : QStringLiteral("No");
    meds.days = course ? QString::number(Between(random, 21, 42)) : QString();
    meds.startDate = course ? Plus(Today(), -int64_t{Between(random, 1, 7)} * 24 * 60)
                            : Plus(stay.admitted, Between(random, 0, stay.minutes));
    meds.dispensed = QString::number(Between(random, 0, 90));
    meds.refills = QString::number(Between(random, 0, 5));
    if (!meds.AddNew(false)) {
      return false;
    }
  }
  return true;
}

QString Figure(Random& random) {
  return QString::number(Between(random, 1, 9));
}

QString VitalsValues(Random& random) {
  return QStringLiteral("Temp\n%1.%2\nPulse\n%3\nResp\n%4\nBP\n%5/%6\nSAO2\n%7\nWeight\n%8\n")
      .arg(Between(random, 36, 38))
      .arg(Between(random, 0, 9))
      .arg(Between(random, 55, 115))
      .arg(Between(random, 12, 26))
      .arg(Between(random, 95, 175))
      .arg(Between(random, 50, 100))
      .arg(Between(random, 88, 100))
      .arg(Between(random, 45, 130));
}

bool AddVitals(Random& random, const Stay& stay, int count) {
  CDBVitals vitals;
  vitals.patient = stay.name;
  for (const FILETIME& when : Spread(random, stay.admitted, stay.minutes, count)) {
    vitals.date = vitals.time = when;
    vitals.values = VitalsValues(random);
    if (!vitals.AddNew(false)) {
      return false;
    }
  }
  return true;
}

QString LabValues(Random& random, const LabGroup& group) {
  QString values = Text(group.values);
  for (int n = 1; n <= 9 && values.contains(QStringLiteral("%%1").arg(n)); ++n) {
    values = values.arg(Figure(random) + (n % 2 == 0 ? QString() : Figure(random)));
  }
  return values;
}

bool AddLabs(Random& random, const Stay& stay, int count) {
  CDBLabValues labs;
  labs.patient = stay.name;
  // A morning draw gives two results at one time: a CBC or coagulation panel with a chemistry.
  const int draws = (count + 1) / 2;
  int added = 0;
  for (const FILETIME& when : Spread(random, stay.admitted, stay.minutes, draws)) {
    const size_t first = random() % 2 == 0 ? 0 : 3;
    const size_t second = random() % 4 == 0 ? 2 + static_cast<size_t>(random() % 5) : 1;
    for (const size_t group : {first, second == first ? size_t{1} : second}) {
      if (added++ == count) {
        break;
      }
      labs.date = labs.time = when;
      labs.group = Text(kLabGroups[group].group);
      labs.values = LabValues(random, kLabGroups[group]);
      if (!labs.AddNew(false)) {
        return false;
      }
    }
  }
  return true;
}

bool AddTests(Random& random, const Stay& stay, int count) {
  CDBTest tests;
  tests.patient = stay.name;
  for (const FILETIME& when : Spread(random, stay.admitted, stay.minutes, count)) {
    tests.date = tests.time = when;
    tests.test = Text(PickOne(random, kTests));
    tests.result = Text(PickOne(random, kTestResults));
    if (!tests.AddNew(false)) {
      return false;
    }
  }
  return true;
}

bool AddNotes(Random& random, const Stay& stay, int count) {
  CDBNotes notes;
  notes.patient = stay.name;
  for (const FILETIME& when : Spread(random, stay.admitted, stay.minutes, count)) {
    notes.date = notes.time = when;
    notes.subjective = Text(PickOne(random, kSubjective));
    notes.objective = Text(PickOne(random, kObjective));
    notes.assessmentPlan = Text(PickOne(random, kAssessment));
    notes.noteText =
        QStringLiteral("S: %1\r\n\r\nO: %2\r\n%3\r\n\r\nA/P: %4\r\n")
            .arg(notes.subjective, notes.objective, VitalsValues(random), notes.assessmentPlan);
    if (!notes.AddNew(false)) {
      return false;
    }
  }
  return true;
}

bool AddTodos(Random& random, const Stay& stay, int count) {
  std::vector<size_t> order(kTodos.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::shuffle(order.begin(), order.end(), random);
  CDBToDo todos;
  todos.patient = stay.name;
  for (int i = 0; i < count; ++i) {
    // Past the list's length the texts come round again with a day added.
    const size_t text = order[static_cast<size_t>(i) % order.size()];
    todos.text = Text(kTodos[text]);
    if (static_cast<size_t>(i) >= order.size()) {
      todos.text += QStringLiteral(" (day %1)").arg(static_cast<size_t>(i) / order.size() + 1);
    }
    todos.flags = static_cast<uint32_t>(Between(random, 1, 5)) |
                  (random() % 3 == 0 ? CDBToDo::kCheckedFlag : 0u);
    todos.note = Text(PickOne(random, kTodoNotes));
    if (todos.AddNew(false) == 0) {
      return false;
    }
  }
  return true;
}

bool AddRecords(const Load& load, int index) {
  Random random(load.seed * 1'000'003u + static_cast<uint32_t>(index));
  const Stay stay = AddPatient(random, PatientName(load, index));
  return stay.filed && AddMedications(random, stay, load.medications) &&
         AddVitals(random, stay, load.vitals) && AddLabs(random, stay, load.labs) &&
         AddTests(random, stay, load.tests) && AddNotes(random, stay, load.notes) &&
         AddTodos(random, stay, load.todos);
}

// The patient types, on their list once each.
bool AddPatientTypes() {
  CDBCategories categories;
  for (const PatientType& type : kPatientTypes) {
    categories.text = Text(type.name);
    if (!categories.AddNew(CDBCategories::kPatientTypeList)) {
      return false;
    }
  }
  return true;
}

bool DeviceHasPatients() {
  platform::PropertyDatabase patients;
  return patients.Open(QString::fromLatin1(CDBPatient::kVolumeName)) && patients.SeekFirst() != 0;
}

}  // namespace

int MaxPatients() {
  return static_cast<int>(kFirstNames.size() * kLastNames.size());
}

QString PatientName(const Load& load, int index) {
  const std::vector<QString>& names = NamesOf(load.seed);
  return index >= 0 && static_cast<size_t>(index) < names.size() ? names[static_cast<size_t>(index)]
                                                                 : QString();
}

bool FillPatient(const Load& load, int index) {
  platform::StoreErrorScope failures;
  platform::StoreTransaction transaction;
  return AddPatientTypes() && AddRecords(load, index) && !failures.Failed() && transaction.Commit();
}

bool Fill(const Load& load, QString& error, const platform::ProgressCallback& progress) {
  if (load.patients < 0 || load.patients > MaxPatients()) {
    error = QStringLiteral("a generated ward has 0 to %1 patients").arg(MaxPatients());
    return false;
  }
  if (DeviceHasPatients()) {
    error = QStringLiteral("the device already holds patients");
    return false;
  }
  platform::StoreErrorScope failures;
  if (!AddPatientTypes()) {
    error = QStringLiteral("the device failed: %1").arg(failures.Error().Describe());
    return false;
  }
  const auto total = static_cast<uint64_t>(load.patients);
  platform::Report(progress, 0, total);
  for (int first = 0; first < load.patients; first += kPatientsPerTransaction) {
    platform::StoreTransaction transaction;
    const int end = std::min(load.patients, first + kPatientsPerTransaction);
    for (int index = first; index < end; ++index) {
      if (!AddRecords(load, index)) {
        break;
      }
      platform::Report(progress, static_cast<uint64_t>(index + 1), total);
    }
    if (failures.Failed() || !transaction.Commit()) {
      error = QStringLiteral("the device failed: %1").arg(failures.Error().Describe());
      return false;
    }
  }
  return true;
}

}  // namespace generator
