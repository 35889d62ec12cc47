#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QTemporaryFile>
#include <optional>

#include "cli/Command.h"
#include "platform/Device.h"
#include "platform/DeviceIdentity.h"
#include "platform/InstanceChannel.h"
#include "platform/PrivateFile.h"
#include "store/Backup.h"
#include "store/FhirExport.h"

namespace cli {
namespace {

// Standard output gets the finished document in pieces of this size.
constexpr qint64 kCopyPiece = qint64{1} << 20;

// How many patients the backup at path holds: 0 for an empty file, nothing when the file cannot be
// read as a backup document. The file is read as a stream, whatever its size.
std::optional<size_t> PatientsInBackup(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    return std::nullopt;
  }
  if (file.size() == 0) {
    return 0;
  }
  return backup::CountPatients(file);
}

// A backup is not replaced by one that holds fewer patients (a device emptied or damaged would
// otherwise wipe out the last good copy of it), nor is a file that is not a backup, unless the
// user says so with --force. Answers the reason for refusing, or nothing.
std::optional<QString> ReplacingLoses(const QString& path, size_t patients) {
  if (!QFileInfo::exists(path)) {
    return std::nullopt;
  }
  const std::optional<size_t> old = PatientsInBackup(path);
  if (!old) {
    return QStringLiteral("%1 exists and is not a backup that can be read").arg(path);
  }
  if (patients < *old) {
    return QStringLiteral("%1 holds %2 patients, the new backup only %3")
        .arg(path)
        .arg(*old)
        .arg(patients);
  }
  return std::nullopt;
}

// Where an export goes: FILE, written beside it, readable by its owner only, and renamed over it
// once whole; or standard output, which gets the document only once it is whole, kept meanwhile in
// a private scratch file rather than in memory (the ward's FHIR bundle is 760 MiB).
class ExportTarget {
 public:
  explicit ExportTarget(std::optional<QString> output)
      : m_output(std::move(output)), m_file(m_output.value_or(QString())) {}

  // False with the reason when the file or the scratch file cannot be made.
  bool Open(QString& error) {
    if (m_output) {
      return m_file.Open(error);
    }
    if (!m_scratch.open()) {
      error =
          QStringLiteral("nothing was exported: no scratch file: %1").arg(m_scratch.errorString());
      return false;
    }
    return true;
  }

  bool Write(const QByteArray& bytes) {
    return m_output ? m_file.Write(bytes) : m_scratch.write(bytes) == bytes.size();
  }

  // Gives the finished document its place; the exit code.
  int Finish(Context& context) {
    QString error;
    if (m_output) {
      return m_file.Commit(error) ? kSuccess : Failure(context, error);
    }
    if (!m_scratch.seek(0)) {
      return Failure(context,
                     QStringLiteral("nothing was exported: %1").arg(m_scratch.errorString()));
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    while (!m_scratch.atEnd()) {
      const QByteArray piece = m_scratch.read(kCopyPiece);
      if (piece.isEmpty()) {
        return Failure(context,
                       QStringLiteral("nothing was exported: %1").arg(m_scratch.errorString()));
      }
      context.out << utf8.decode(piece);
    }
    context.out.flush();
    return kSuccess;
  }

 private:
  std::optional<QString> m_output;
  platform::PrivateFileWriter m_file;
  QTemporaryFile m_scratch;
};

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
  ExportTarget target(args.Option("output"));
  if (!target.Open(error)) {
    return Failure(context, error);
  }
  const fhir::Sink write = [&target](const QByteArray& bytes) { return target.Write(bytes); };
  if (!fhir::Export(patient, identity.Pin(), write, summary, error, context.progress.Callback())) {
    return failed();
  }
  context.progress.Clear();
  if (const int placed = target.Finish(context); placed != kSuccess) {
    return placed;
  }
  context.progress.Clear();
  context.err << "ovelin-cli: exported " << summary.Describe() << Qt::endl;
  return kSuccess;
}

// export [--format backup]: the document is streamed to its target, and an existing FILE is
// replaced only by a backup of at least as many patients.
int ExportBackup(Context& context, const Arguments& args) {
  const auto output = args.Option("output");
  ExportTarget target(output);
  QString error;
  if (!target.Open(error)) {
    return Failure(context, error);
  }
  const backup::Sink write = [&target](const QByteArray& bytes) { return target.Write(bytes); };
  size_t patients = 0;
  context.progress.Start(QStringLiteral("exporting"), ProgressLine::Unit::kPatients);
  if (!backup::Export(args.OptionOr("patient", {}), write, patients, error,
                      context.progress.Callback())) {
    if (context.DeviceFailed()) {
      return Failure(context, QStringLiteral("nothing was exported"));
    }
    return error.startsWith(QLatin1String("no patient named"))
               ? BadInput(context, error)
               : Failure(context, QStringLiteral("nothing was exported: %1").arg(error));
  }
  context.progress.Clear();
  if (output && !args.Has("force")) {
    if (const std::optional<QString> loss = ReplacingLoses(*output, patients)) {
      return Failure(context,
                     QStringLiteral("nothing was exported: %1; --force replaces it").arg(*loss));
    }
  }
  return target.Finish(context);
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
  return ExportBackup(context, args);
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
  context.progress.Start(QStringLiteral("importing %1").arg(name), ProgressLine::Unit::kBytes);
  QString error;
  const uint64_t size = file.isSequential() ? 0 : static_cast<uint64_t>(file.size());
  if (!backup::Import(file, error, context.progress.Callback(), size)) {
    return context.DeviceFailed()
               ? Failure(context, QStringLiteral("%1: nothing was imported").arg(arguments[0]))
               : BadInput(context, QStringLiteral("%1: %2").arg(arguments[0], error));
  }
  // A program running on this device shows what came (when none runs, nobody hears).
  instance_channel::Send(platform::Device::Current()->Folder(), "message OvelinRefreshScreen");
  return kSuccess;
}

}  // namespace cli
