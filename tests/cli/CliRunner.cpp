#include "cli/CliRunner.h"

#include <QTextStream>

#include "cli/Cli.h"

CliResult CliRunner::Run(QStringList arguments) const {
  arguments.prepend(m_dir.path());
  arguments.prepend(QStringLiteral("--device"));
  CliResult result;
  QTextStream out(&result.out);
  QTextStream err(&result.err);
  result.code = cli::Run(arguments, out, err);
  out.flush();
  err.flush();
  return result;
}
