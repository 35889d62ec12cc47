#include "app/HelpFile.h"

#include <QFile>
#include <QStringEncoder>

#include "platform/Device.h"

namespace help_file {
namespace {

constexpr qint64 kBlockSize = 100;

QString Argument(const char* file) {
  return QStringLiteral("file:") + QLatin1String(file);
}

}  // namespace

bool InstallDefault(const QString& windowsFolder) {
  const QString target = windowsFolder + QLatin1Char('/') + QLatin1String(kHelpFile);
  if (QFile::exists(target)) {
    return true;
  }
  QFile source(QStringLiteral(":/help/ov.htc"));
  QFile copy(target);
  if (!source.open(QIODevice::ReadOnly) || !copy.open(QIODevice::WriteOnly)) {
    return false;
  }
  const bool written = copy.write(source.readAll()) == source.size();
  copy.close();
  platform::EnsurePrivateFile(target);
  return written;
}

QByteArray ToDeviceCodePage(const QString& text) {
  QStringEncoder encoder("windows-1252", QStringConverter::Flag::ConvertInvalidToNull);
  if (encoder.isValid()) {
    QByteArray bytes = encoder.encode(text);
    // Characters outside the code page come out as zero bytes; show them as '?'.
    bytes.replace('\0', '?');
    return bytes;
  }
  return text.toLatin1();
}

QString Merge(const QString& windowsFolder, const QStringList& extensionTexts) {
  QFile original(windowsFolder + QLatin1Char('/') + QLatin1String(kHelpFile));
  if (!original.open(QIODevice::ReadOnly)) {
    return Argument(kHelpFile);
  }
  const QString copyPath = windowsFolder + QLatin1Char('/') + QLatin1String(kMergedFile);
  QFile copy(copyPath);
  if (!copy.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    return Argument(kHelpFile);
  }
  platform::EnsurePrivateFile(copyPath);
  bool ok = true;
  while (ok && !original.atEnd()) {
    const QByteArray block = original.read(kBlockSize);
    ok = !block.isEmpty() && copy.write(block) == block.size();
  }
  for (const QString& text : extensionTexts) {
    const QByteArray bytes = ToDeviceCodePage(text);
    ok = ok && copy.write(bytes) == bytes.size();
  }
  ok = copy.flush() && ok;
  copy.close();
  return ok ? Argument(kMergedFile) : Argument(kHelpFile);
}

QString FileOf(const QString& windowsFolder, const QString& argument) {
  QString name = argument;
  if (name.startsWith(QLatin1String("file:"))) {
    name = name.mid(5);
  }
  return windowsFolder + QLatin1Char('/') + name;
}

}  // namespace help_file
