#pragma once

#include <QString>
#include <cstdint>

#include "shell/Options.h"

// What the application offers every page and dialog: the options it keeps in memory, the printer
// page settings, the device folder, the desktop-companion mark and the extension listeners. The
// application object implements it; a page or dialog is handed it and never reaches the
// application object itself, so that it can be built and tested alone.
class IShell {
 public:
  virtual ~IShell() = default;

  // The options; each pointer may be null for a value not wanted. Missing values keep their
  // defaults.
  virtual void ReadOptions(QString* password, QString* hint, uint32_t* timeout) const = 0;
  // Each pointer may be null for a value left as stored. Writing a time-out also restarts or
  // stops the inactivity lock.
  virtual bool WriteOptions(const QString* password, const QString* hint,
                            const uint32_t* timeout) = 0;

  // The page settings handed to every print call; the patient list writes them to the registry
  // at program end.
  virtual app_options::PrintSettings& PrintSettings() = 0;
  virtual QString DeviceFolder() const = 0;
  // True when a desktop companion is installed: records never synchronised are not beamed.
  virtual bool DesktopCompanion() const = 0;

  // Tells every extension listener, in the order they were added.
  virtual void NotifyPatientSelected(const QString& name) = 0;
  virtual void NotifyPatientDeleted(const QString& name) = 0;
  // Tells the extensions that the vital signs or lab results of patient name may have changed
  // (empty name: of any patient). Whatever saves, deletes or receives such records calls it.
  virtual void NotifyPatientDataChanged(const QString& name) = 0;
};
