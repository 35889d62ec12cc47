#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

// The user's options and the installation's marks in the device registry.
namespace app_options {

// HKEY_CURRENT_USER: the user's options.
inline constexpr const char* kOptionsKey = "Software\\Quillfen\\Options";
// HKEY_LOCAL_MACHINE: the installation.
inline constexpr const char* kInstallKey = "Software\\Apps\\Quillfen, Inc. Ovelin";

inline constexpr const char* kPasswordValue = "Password";
inline constexpr const char* kHintValue = "Password Hint";
inline constexpr const char* kTimeoutValue = "Timeout";
inline constexpr const char* kDesktopCompanionValue = "DCVersion";

inline constexpr const char* kDefaultPassword = "zqx";
inline constexpr uint32_t kDefaultTimeout = 600000;  // ten minutes, in milliseconds

// The printer page settings handed to every print call (lines per page, page width, left, top
// and bottom margin, in that order).
struct PrintSettings {
  int32_t linesPerPage = 60;
  int32_t pageWidth = 80;
  int32_t topMargin = 5;
  int32_t bottomMargin = 5;
  int32_t leftMargin = 5;
};

// The stored form of a password: each UTF-16 unit XORed with 0x5A, then one zero unit.
QByteArray ScramblePassword(const QString& password);
// Reverses ScramblePassword by the value's stored length, so a password holding 'Z' (which
// scrambles to a zero unit) reads back whole. False for a value that is not whole units ending
// in the zero unit.
bool UnscramblePassword(const QByteArray& stored, QString& password);

// Reads the options asked for (nullptr = not wanted). Values that are missing, of the wrong size
// or unreadable keep their defaults: "zqx", the default hint text and 600000 ms.
void ReadOptions(QString* password, QString* hint, uint32_t* timeout);
// Writes the options given (nullptr = leave as stored), creating the key when needed.
bool WriteOptions(const QString* password, const QString* hint, const uint32_t* timeout);

// Where a person left the line between the two lists of a page (the lower list's height, in the
// desktop's logical pixels), one DWORD value a page. Read answers false when none is stored.
bool ReadSplitPosition(const QString& valueName, uint32_t& height);
bool WriteSplitPosition(const QString& valueName, uint32_t height);

// True when a desktop companion is installed (the "DCVersion" value exists, of any type).
bool DesktopCompanionInstalled();

}  // namespace app_options
