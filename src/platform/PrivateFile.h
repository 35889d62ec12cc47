#pragma once

#include <QByteArray>
#include <QFileInfo>
#include <QString>

namespace platform {

// Writes bytes as the whole new content of the file at path, readable and writable by its owner
// only (0600), and atomically: the bytes go to a fresh file beside the target, are flushed to the
// disk, and only then take the target's name. A reader sees the old file or the whole new one;
// a failure or a crash leaves the old file as it was. False with the reason when it fails.
//
// For everything the program writes out that holds patient data: backups, screenshots.
bool WritePrivateFileAtomically(const QString& path, const QByteArray& bytes, QString& error);

// The same for a file written piece by piece, so that a large one never has to be held whole:
// Open, Write as often as needed, then Commit. Destroyed without a Commit that succeeded, it
// removes what it wrote and leaves the old file as it was.
class PrivateFileWriter {
 public:
  explicit PrivateFileWriter(const QString& path);
  ~PrivateFileWriter();
  PrivateFileWriter(const PrivateFileWriter&) = delete;
  PrivateFileWriter& operator=(const PrivateFileWriter&) = delete;

  // Creates the fresh file beside the target; false with the reason.
  bool Open(QString& error);
  // Appends bytes (kept in a buffer of a megabyte); false once a write failed.
  bool Write(const QByteArray& bytes);
  // Flushes everything to the disk and gives the file the target's name; false with the reason.
  bool Commit(QString& error);

 private:
  static constexpr qsizetype kBufferBytes = 1 << 20;
  bool Flush();

  QFileInfo m_target;
  QByteArray m_temporary;
  QByteArray m_buffer;
  QString m_writeError;
  int m_fd = -1;
};

}  // namespace platform
