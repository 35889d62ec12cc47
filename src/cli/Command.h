#pragma once

#include <QHash>
#include <QStringList>
#include <QTextStream>
#include <optional>

#include "cli/Cli.h"
#include "cli/ProgressLine.h"
#include "platform/StoreError.h"

namespace cli {

// A command's arguments after the command words: options "--name value" and plain words.
class Arguments {
 public:
  // Splits arguments; flags named in valueless take no value. Fails on an unknown option.
  bool Parse(const QStringList& arguments, const QStringList& known, QString& error,
             const QStringList& valueless = {});

  std::optional<QString> Option(const QString& name) const;
  QString OptionOr(const QString& name, const QString& fallback) const;
  bool Has(const QString& name) const { return m_options.contains(name); }
  const QStringList& Words() const { return m_words; }

 private:
  QHash<QString, QString> m_options;
  QStringList m_words;
};

struct Context {
  QTextStream& out;
  QTextStream& err;
  // Every failure of the device's files while the command runs.
  const platform::StoreErrorScope& failures;
  // The progress of a long command, on a terminal; cleared before any other line is printed.
  ProgressLine& progress;

  // Whether the device failed; a command that found nothing asks this before saying so, because
  // a failure is not an empty answer.
  bool DeviceFailed() const { return failures.Failed(); }
};

// Reports bad input the one way every command does: one line on stderr, exit code 2.
int BadInput(Context& context, const QString& message);
int Failure(Context& context, const QString& message);
// The device's failure with its cause, exit code 1.
int DeviceFailure(Context& context);

// The command groups; each answers an exit code.
int RunPatient(Context& context, const QStringList& arguments);
int RunRegistry(Context& context, const QStringList& arguments);
int RunDump(Context& context, const QStringList& arguments);
int RunExport(Context& context, const QStringList& arguments);
int RunImport(Context& context, const QStringList& arguments);
int RunPost(Context& context, const QStringList& arguments);
int RunBeam(Context& context, const QStringList& arguments);
int RunPair(Context& context, const QStringList& arguments);
int RunCheck(Context& context, const QStringList& arguments);
int RunGenerate(Context& context, const QStringList& arguments);
int RunSync(Context& context, const QStringList& arguments);
int RunServer(Context& context, const QStringList& arguments);

}  // namespace cli
