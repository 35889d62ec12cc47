#pragma once

#include <QString>
#include <vector>

#include "platform/Device.h"
#include "platform/ProgressCallback.h"
#include "platform/StoreError.h"

// Checks of a device's two files before the program or the command line trusts them.
//
// The quick check stays cheap however large the device: it looks at each file's header and size
// (a file cut short is found at once), opens it and reads the list of its tables and the object
// store's own bookkeeping. The full check reads everything: SQLite's integrity check on each file
// with the program's collations in place (so that the order of every case-insensitive index is
// verified, which a tool without them cannot do), and the store's own rules: every record's sort
// keys agree with its properties, no property belongs to a missing record, no record id is used
// twice or lies above the id counter, and every registry value belongs to a key.
namespace platform::device_check {

struct Finding {
  QString file;        // the file's name within the device folder
  QString problem;     // what is wrong with it, in plain words
  bool damage = true;  // false for a passing condition (busy, no permission) rather than damage
};

struct Result {
  std::vector<Finding> findings;
  // The files, opened for reading only, can be read as they are (for a damaged device: opening it
  // read-only shows what it still holds).
  bool readable = true;

  bool Ok() const { return findings.empty(); }
  bool Damaged() const;
  // One line per finding: "objectstore.db: the file is cut short (8192 of 16384 bytes)".
  QString Describe() const;
};

// The checks of the device's files; the device's connections are opened by them. The full check
// tells its progress in records of the object store whose rules it has checked: 0 once SQLite's
// integrity check of the object store has run, then volume by volume.
Result QuickCheck(Device& device);
Result FullCheck(Device& device, const ProgressCallback& progress = {});

}  // namespace platform::device_check
