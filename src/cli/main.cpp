#include <unistd.h>
#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

#include "cli/Cli.h"

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  QTextStream out(stdout);
  QTextStream err(stderr);
  QStringList arguments = QCoreApplication::arguments();
  arguments.removeFirst();
  const int code = cli::Run(arguments, out, err, isatty(STDERR_FILENO) == 1);
  out.flush();
  err.flush();
  return code;
}
