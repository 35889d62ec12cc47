#pragma once

#include <QString>

#include "platform/StoreError.h"

struct sqlite3;

namespace platform {

// One device folder is one hand-held: it holds the object store (the property databases), the
// registry, the help files, the printer spool and the extensions. The folder is created 0700 and
// the files in it 0600 because they hold patient data.
//
// The platform services (property databases, registry) work on the current device of the calling
// thread: the one made current by a DeviceScope, or else the process default. A Device and the
// connections it opens belong to one thread at a time.
class Device {
 public:
  explicit Device(const QString& folder);
  ~Device();
  Device(const Device&) = delete;
  Device& operator=(const Device&) = delete;

  // Creates the folder and its subfolders; false with a reason when that fails.
  bool Prepare(QString* error = nullptr);

  const QString& Folder() const { return m_folder; }
  QString PathOf(const QString& relative) const;

  // Open SQLite connections to the device's two files, opened on first use. nullptr on failure,
  // which is reported with its cause (see StoreError.h).
  sqlite3* ObjectStore();
  sqlite3* Registry();

  // Uses the device's files for reading only: nothing is created or written, every change fails.
  // For a device found damaged, whose data should still be looked at. Set before the first use.
  void SetReadOnly(bool readOnly) { m_readOnly = readOnly; }
  bool ReadOnly() const { return m_readOnly; }

  // The first damage met on the device's files while this object lives: a corrupt or
  // not-a-database answer of any statement, or a failed full check. From then on every change is
  // refused (see ChangesAllowed), because a write that went on past damage would build on what
  // was misread.
  void NoteDamage(const StoreError& error);
  const StoreError& Damage() const { return m_damage; }

  // The device of the calling thread.
  static Device* Current();
  static void SetProcessDefault(Device* device);

  // --device DIR, else $OVELIN_DEVICE, else $XDG_DATA_HOME/ovelin/device (~/.local/share/...).
  static QString ResolveFolder(const QString& fromCommandLine);

  static constexpr const char* kObjectStoreFile = "objectstore.db";
  static constexpr const char* kRegistryFile = "registry.db";
  // Written when the folder is first used; see EnsureInitialised.
  static constexpr const char* kInitialisedFile = "initialised";

 private:
  sqlite3* OpenConnection(const char* file, sqlite3*& slot);
  bool EnsureInitialised();

  StoreError m_damage;
  bool m_initialised = false;
  bool m_initialising = false;

  QString m_folder;
  sqlite3* m_objectStore = nullptr;
  sqlite3* m_registry = nullptr;
  bool m_readOnly = false;
};

// Makes a device current for the calling thread for the lifetime of the scope.
class DeviceScope {
 public:
  explicit DeviceScope(Device& device);
  ~DeviceScope();
  DeviceScope(const DeviceScope&) = delete;
  DeviceScope& operator=(const DeviceScope&) = delete;

 private:
  Device* m_previous;
};

// Whether the current device may be changed: false, reported with the damage named, once damage
// was met on it. Every change of either file asks this before it begins and before it commits.
bool ChangesAllowed();

// Creates a file readable by its owner only (0600) when it is missing, and tightens an existing
// one.
bool EnsurePrivateFile(const QString& path);

}  // namespace platform
