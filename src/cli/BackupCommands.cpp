#include <QFile>
#include <QJsonDocument>
#include <QJsonParseError>

#include "cli/Command.h"
#include "platform/PrivateFile.h"
#include "store/Backup.h"

namespace cli {
namespace {

// The largest backup document that export writes and import reads. A larger input is refused
// before it is parsed, so that a malformed or hostile file cannot exhaust memory (parsing takes
// about four times the document's size); export keeps to the same limit so that every backup it
// writes can be restored. A ward of 2,000 patients with a few years' records makes about 130 MiB.
qint64 maxBackupBytes = qint64{512} * 1024 * 1024;

QString TooLarge() {
  return QStringLiteral("the document is larger than %1 MiB").arg(maxBackupBytes >> 20);
}

// Reads the whole input up to the limit; false with the reason when it cannot be read or is
// larger.
bool ReadBounded(QFile& file, QByteArray& bytes, QString& error) {
  bytes = file.read(maxBackupBytes + 1);
  if (file.error() != QFileDevice::NoError) {
    error = file.errorString();
    return false;
  }
  if (bytes.size() > maxBackupBytes) {
    error = TooLarge();
    return false;
  }
  return true;
}

}  // namespace

qint64 MaxBackupBytes() {
  return maxBackupBytes;
}

void SetMaxBackupBytes(qint64 bytes) {
  maxBackupBytes = bytes;
}

// export [--patient NAME] [--output FILE]: the backup document on standard output or into FILE.
int RunExport(Context& context, const QStringList& arguments) {
  Arguments args;
  QString error;
  if (!args.Parse(arguments, {"patient", "output"}, error)) {
    return BadInput(context, error);
  }
  if (!args.Words().isEmpty()) {
    return BadInput(context, QStringLiteral("unexpected argument %1").arg(args.Words().first()));
  }
  QJsonObject document;
  if (!backup::Export(args.OptionOr("patient", {}), document, error)) {
    return context.DeviceFailed() ? Failure(context, QStringLiteral("nothing was exported"))
                                  : BadInput(context, error);
  }
  const QByteArray json = QJsonDocument(document).toJson(QJsonDocument::Indented);
  if (json.size() > maxBackupBytes) {
    return Failure(context, QStringLiteral("nothing was exported: %1, which import would not "
                                           "read; export fewer patients at a time with --patient")
                                .arg(TooLarge()));
  }
  const auto output = args.Option("output");
  if (!output) {
    context.out << QString::fromUtf8(json);
    context.out.flush();
    return kSuccess;
  }
  // Written whole or not at all, and readable by its owner only: a backup holds the whole device.
  if (!platform::WritePrivateFileAtomically(*output, json, error)) {
    return Failure(context, error);
  }
  return kSuccess;
}

// import FILE: restores a backup document ("-" reads standard input).
int RunImport(Context& context, const QStringList& arguments) {
  if (arguments.size() != 1) {
    return BadInput(context, QStringLiteral("usage: import FILE"));
  }
  QFile file;
  const bool opened = arguments[0] == QLatin1String("-")
                          ? file.open(stdin, QIODevice::ReadOnly)
                          : (file.setFileName(arguments[0]), file.open(QIODevice::ReadOnly));
  if (!opened) {
    return BadInput(context,
                    QStringLiteral("cannot read %1: %2").arg(arguments[0], file.errorString()));
  }
  QByteArray bytes;
  QString readError;
  if (!ReadBounded(file, bytes, readError)) {
    return BadInput(context, QStringLiteral("cannot read %1: %2").arg(arguments[0], readError));
  }
  QJsonParseError parseError;
  const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
  if (parseError.error != QJsonParseError::NoError || !document.isObject()) {
    return BadInput(context, QStringLiteral("%1 is not a JSON document: %2 at offset %3")
                                 .arg(arguments[0], parseError.errorString())
                                 .arg(parseError.offset));
  }
  QString error;
  if (!backup::Import(document.object(), error)) {
    return context.DeviceFailed()
               ? Failure(context, QStringLiteral("%1: nothing was imported").arg(arguments[0]))
               : BadInput(context, QStringLiteral("%1: %2").arg(arguments[0], error));
  }
  return kSuccess;
}

}  // namespace cli
