#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// Writes bytes as the whole new content of the file at path, readable and writable by its owner
// only (0600), and atomically: the bytes go to a fresh file beside the target, are flushed to the
// disk, and only then take the target's name. A reader sees the old file or the whole new one;
// a failure or a crash leaves the old file as it was. False with the reason when it fails.
//
// For everything the program writes out that holds patient data: backups, screenshots.
bool WritePrivateFileAtomically(const QString& path, const QByteArray& bytes, QString& error);

}  // namespace platform
