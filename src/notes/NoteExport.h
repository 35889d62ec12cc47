#pragma once

#include <QByteArray>
#include <QString>

// A note exported as a text file: its text in the Western 8-bit code page (Windows-1252), line
// ends as the text holds them, followed by one 0 byte.
namespace note_export {

struct Encoded {
  // False when the code-page converter cannot be had; bytes is empty then.
  bool ok = false;
  // The text in the code page, then the terminating 0.
  QByteArray bytes;
  // Characters that the code page has no byte for; each was written as '?'.
  int replaced = 0;
};

// Converts text through iconv. A character the code page cannot hold becomes one '?' and the
// conversion goes on after it, so the rest of the text is never lost.
Encoded ToCodePage(const QString& text);

// Writes bytes as the whole content of the file at path, creating it or replacing what it held.
// The file is replaced only once everything is written: on failure (false) an existing file
// keeps its old content and no partly written file is left.
bool WriteFile(const QString& path, const QByteArray& bytes);

}  // namespace note_export
