#pragma once

#include <QString>
#include <cstdint>

#include "platform/ProgressCallback.h"

// Fills a device with a made-up ward's history, for measuring the program on a device that has
// been in use for years: patients of several types, each with medications, vital signs, lab
// results, tests, notes and todos, with plausible texts and dates, all written through the stores
// as the program writes them. The same load and seed always give the same records (only the
// time stamps of the moment of filling differ), and a patient's records do not depend on how many
// other patients are filled, so one patient can be filled alone on another device for comparison.
namespace generator {

struct Load {
  int patients = 2000;
  // Records of each kind per patient: 160 in all, so 320,000 for 2,000 patients.
  int medications = 20;
  int vitals = 50;
  int labs = 50;  // drawn two groups at a time, so half as many distinct times
  int tests = 10;
  int notes = 10;
  int todos = 20;
  uint32_t seed = 1;

  int RecordsPerPatient() const { return medications + vitals + labs + tests + notes + todos; }
};

// The most patients a load can have: each has a name of its own.
int MaxPatients();

// The full name of the load's patient number index (0 onwards).
QString PatientName(const Load& load, int index);

// Fills the current device with every patient of the load, in transactions of a hundred patients.
// False with the reason when the device already holds patients (a generated ward is never mixed
// with real ones) or when a store failed. Tells its progress in patients filled.
bool Fill(const Load& load, QString& error, const platform::ProgressCallback& progress = {});

// Adds the load's patient number index with all of its records, in one transaction; false when a
// store failed.
bool FillPatient(const Load& load, int index);

}  // namespace generator
