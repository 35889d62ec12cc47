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
  const int code = cli::Run(arguments, out, err);
  out.flush();
  err.flush();
  return code;
}
