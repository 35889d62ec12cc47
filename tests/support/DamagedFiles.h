#pragma once

#include <QString>

// Device files in the states a person finds after a crash, a full disk or a bad copy: the tests
// of the checks, the stores and the command line damage a device with these.
namespace damaged_files {

enum class Damage {
  kCutInHalf,   // the file truncated to half its size
  kZeroedPage,  // one page in the middle overwritten with zeros
  kBadHeader,   // the first bytes overwritten
  kFolder,      // a folder where the file should be
  kEmptied,     // the file cut to 0 bytes
  kRemoved,     // the file gone
};

// Adds count records of about 400 bytes each to a database "Filler" of the device in folder,
// then closes the device, so that its files stand complete on disk with no write-ahead log.
void FillDevice(const QString& folder, int count);
// Damages the file at path.
void DamageFile(const QString& path, Damage damage);
// The object store file of the device folder.
QString ObjectStorePath(const QString& folder);
QString RegistryPath(const QString& folder);

}  // namespace damaged_files
