#include <QFile>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QSaveFile>

#include "cli/Command.h"
#include "store/Backup.h"

namespace cli {

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
    return BadInput(context, error);
  }
  const QByteArray json = QJsonDocument(document).toJson(QJsonDocument::Indented);
  const auto output = args.Option("output");
  if (!output) {
    context.out << QString::fromUtf8(json);
    context.out.flush();
    return kSuccess;
  }
  // Written whole or not at all: a backup must never be left half-written.
  QSaveFile file(*output);
  if (!file.open(QIODevice::WriteOnly) || file.write(json) != json.size() || !file.commit()) {
    return Failure(context, QStringLiteral("cannot write %1: %2").arg(*output, file.errorString()));
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
  QJsonParseError parseError;
  const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
  if (parseError.error != QJsonParseError::NoError || !document.isObject()) {
    return BadInput(context, QStringLiteral("%1 is not a JSON document: %2 at offset %3")
                                 .arg(arguments[0], parseError.errorString())
                                 .arg(parseError.offset));
  }
  QString error;
  if (!backup::Import(document.object(), error)) {
    return BadInput(context, QStringLiteral("%1: %2").arg(arguments[0], error));
  }
  return kSuccess;
}

}  // namespace cli
