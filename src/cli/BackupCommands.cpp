#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <algorithm>
#include <optional>

#include "cli/Command.h"
#include "platform/Device.h"
#include "platform/DeviceIdentity.h"
#include "platform/PrivateFile.h"
#include "store/Backup.h"
#include "store/FhirExport.h"

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

// The input is read a piece at a time, so that its progress can be told.
constexpr qint64 kReadPiece = qint64{4} * 1024 * 1024;

// Reads the whole input up to the limit; false with the reason when it cannot be read or is
// larger. Tells its progress in bytes read of the file's size (not known for standard input).
bool ReadBounded(QFile& file, QByteArray& bytes, QString& error,
                 const platform::ProgressCallback& progress = {}) {
  const qint64 limit = maxBackupBytes + 1;
  const qint64 size = file.isSequential() ? 0 : std::min(file.size(), limit);
  bytes.clear();
  bytes.reserve(size);
  platform::Report(progress, 0, static_cast<uint64_t>(size));
  while (bytes.size() < limit) {
    const QByteArray piece = file.read(std::min(kReadPiece, limit - bytes.size()));
    if (piece.isEmpty()) {
      break;
    }
    bytes.append(piece);
    platform::Report(progress, static_cast<uint64_t>(bytes.size()), static_cast<uint64_t>(size));
  }
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

// How many patients the backup at path holds: 0 for an empty file, nothing when the file cannot be
// read as a backup document.
std::optional<qsizetype> PatientsInBackup(const QString& path) {
  QFile file(path);
  QByteArray bytes;
  QString error;
  if (!file.open(QIODevice::ReadOnly) || !ReadBounded(file, bytes, error)) {
    return std::nullopt;
  }
  if (bytes.trimmed().isEmpty()) {
    return 0;
  }
  const QJsonDocument document = QJsonDocument::fromJson(bytes);
  const QJsonValue patients = document.object().value(QLatin1String("patients"));
  if (!patients.isArray()) {
    return std::nullopt;
  }
  return patients.toArray().size();
}

// A backup is not replaced by one that holds fewer patients (a device emptied or damaged would
// otherwise wipe out the last good copy of it), nor is a file that is not a backup, unless the
// user says so with --force. Answers the reason for refusing, or nothing.
std::optional<QString> ReplacingLoses(const QString& path, const QJsonObject& document) {
  if (!QFileInfo::exists(path)) {
    return std::nullopt;
  }
  const std::optional<qsizetype> old = PatientsInBackup(path);
  const qsizetype now = document.value(QLatin1String("patients")).toArray().size();
  if (!old) {
    return QStringLiteral("%1 exists and is not a backup that can be read").arg(path);
  }
  if (now < *old) {
    return QStringLiteral("%1 holds %2 patients, the new backup only %3")
        .arg(path)
        .arg(*old)
        .arg(now);
  }
  return std::nullopt;
}

}  // namespace

qint64 MaxBackupBytes() {
  return maxBackupBytes;
}

void SetMaxBackupBytes(qint64 bytes) {
  maxBackupBytes = bytes;
}

namespace {

// export --format fhir: the FHIR bundle on standard output or into FILE, and what could not be
// coded counted on standard error.
int ExportFhir(Context& context, const Arguments& args) {
  platform::DeviceIdentity identity;
  QString error;
  if (!identity.LoadOrCreate(platform::Device::Current()->Folder(), error)) {
    return Failure(context, QStringLiteral("nothing was exported: %1").arg(error));
  }
  fhir::Summary summary;
  const QString patient = args.OptionOr("patient", {});
  context.progress.Start(QStringLiteral("exporting FHIR"), ProgressLine::Unit::kPatients);
  const auto failed = [&] {
    return context.DeviceFailed() ? Failure(context, QStringLiteral("nothing was exported"))
                                  : BadInput(context, error);
  };
  if (const auto output = args.Option("output")) {
    // Written piece by piece, whole or not at all, readable by its owner only.
    platform::PrivateFileWriter file(*output);
    if (!file.Open(error)) {
      return Failure(context, error);
    }
    const fhir::Sink write = [&file](const QByteArray& bytes) { return file.Write(bytes); };
    if (!fhir::Export(patient, identity.Pin(), write, summary, error,
                      context.progress.Callback())) {
      return failed();
    }
    if (!file.Commit(error)) {
      return Failure(context, error);
    }
  } else {
    // Standard output gets the bundle only once it is whole.
    QByteArray json;
    const fhir::Sink write = [&json](const QByteArray& bytes) {
      json += bytes;
      return true;
    };
    if (!fhir::Export(patient, identity.Pin(), write, summary, error,
                      context.progress.Callback())) {
      return failed();
    }
    context.progress.Clear();
    context.out << QString::fromUtf8(json);
    context.out.flush();
  }
  context.progress.Clear();
  context.err << "ovelin-cli: exported " << summary.Describe() << Qt::endl;
  return kSuccess;
}

}  // namespace

// export [--format backup|fhir] [--patient NAME] [--output FILE [--force]]: the backup document
// (or a FHIR bundle) on standard output or into FILE.
int RunExport(Context& context, const QStringList& arguments) {
  Arguments args;
  QString error;
  if (!args.Parse(arguments, {"patient", "output", "format"}, error, {"force"})) {
    return BadInput(context, error);
  }
  if (!args.Words().isEmpty()) {
    return BadInput(context, QStringLiteral("unexpected argument %1").arg(args.Words().first()));
  }
  const QString format = args.OptionOr("format", QStringLiteral("backup"));
  if (format == QLatin1String("fhir")) {
    return args.Has("force") ? BadInput(context, QStringLiteral("--force is for backups only"))
                             : ExportFhir(context, args);
  }
  if (format != QLatin1String("backup")) {
    return BadInput(context, QStringLiteral("--format must be backup or fhir"));
  }
  QJsonObject document;
  context.progress.Start(QStringLiteral("exporting"), ProgressLine::Unit::kPatients);
  if (!backup::Export(args.OptionOr("patient", {}), document, error, context.progress.Callback())) {
    return context.DeviceFailed() ? Failure(context, QStringLiteral("nothing was exported"))
                                  : BadInput(context, error);
  }
  context.progress.Start(QStringLiteral("writing the backup"));
  const QByteArray json = QJsonDocument(document).toJson(QJsonDocument::Indented);
  if (json.size() > maxBackupBytes) {
    return Failure(context, QStringLiteral("nothing was exported: %1, which import would not "
                                           "read; export fewer patients at a time with --patient")
                                .arg(TooLarge()));
  }
  const auto output = args.Option("output");
  if (!output) {
    context.progress.Clear();
    context.out << QString::fromUtf8(json);
    context.out.flush();
    return kSuccess;
  }
  if (!args.Has("force")) {
    if (const std::optional<QString> loss = ReplacingLoses(*output, document)) {
      return Failure(context,
                     QStringLiteral("nothing was exported: %1; --force replaces it").arg(*loss));
    }
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
  const QString name = arguments[0] == QLatin1String("-") ? QStringLiteral("standard input")
                                                          : QFileInfo(arguments[0]).fileName();
  context.progress.Start(QStringLiteral("reading %1").arg(name), ProgressLine::Unit::kBytes);
  QByteArray bytes;
  QString readError;
  if (!ReadBounded(file, bytes, readError, context.progress.Callback())) {
    return BadInput(context, QStringLiteral("cannot read %1: %2").arg(arguments[0], readError));
  }
  context.progress.Start(QStringLiteral("importing %1").arg(name), ProgressLine::Unit::kPatients);
  QJsonParseError parseError;
  const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
  if (parseError.error != QJsonParseError::NoError || !document.isObject()) {
    return BadInput(context, QStringLiteral("%1 is not a JSON document: %2 at offset %3")
                                 .arg(arguments[0], parseError.errorString())
                                 .arg(parseError.offset));
  }
  QString error;
  if (!backup::Import(document.object(), error, context.progress.Callback())) {
    return context.DeviceFailed()
               ? Failure(context, QStringLiteral("%1: nothing was imported").arg(arguments[0]))
               : BadInput(context, QStringLiteral("%1: %2").arg(arguments[0], error));
  }
  return kSuccess;
}

}  // namespace cli
