#pragma once

#include <QString>
#include <QStringList>

// The help file of the device: windows/ov.htc, merged with the extensions' help texts into
// windows/ovcopy.htc before it is shown.
namespace help_file {

inline constexpr const char* kHelpFile = "ov.htc";
inline constexpr const char* kMergedFile = "ovcopy.htc";

// Copies the program's help file into the device's windows folder when it is missing there.
bool InstallDefault(const QString& windowsFolder);

// Copies ov.htc into ovcopy.htc and appends each extension text in the device's 8-bit code page.
// Answers the viewer's argument: "file:ovcopy.htc", or "file:ov.htc" when ov.htc cannot be
// opened, the copy cannot be made, or writing it fails.
QString Merge(const QString& windowsFolder, const QStringList& extensionTexts);

// The file that a viewer argument names, in the windows folder.
QString FileOf(const QString& windowsFolder, const QString& argument);

// Text in the device's 8-bit code page (Windows-1252 where available, else Latin-1); characters
// it cannot hold become '?'.
QByteArray ToDeviceCodePage(const QString& text);

}  // namespace help_file
