#pragma once

#include <QString>

// The ward server a device synchronises with, kept in the device registry for its user
// (HKCU\Software\Quillfen\Sync): the connection string as given, the user to sign in as when the
// string names none, and how often the program synchronises by itself. A password is never kept.
namespace ward_sync {

inline constexpr const char* kSettingsKey = "Sync";  // under HKCU\Software\Quillfen
inline constexpr const char* kServerValue = "Server";
inline constexpr const char* kUserValue = "User";
inline constexpr const char* kIntervalValue = "Interval";  // minutes; 0 or missing: never

struct Settings {
  QString server;
  QString user;
  int intervalMinutes = 0;
};

Settings LoadSettings();
// False when the registry could not be written.
bool SaveSettings(const Settings& settings);
// The libpq connection string for the settings: the server's, with the user added when one is set
// (as a URI parameter for a postgresql:// address); empty when no server is set.
QString ConnectionString(const Settings& settings);

}  // namespace ward_sync
