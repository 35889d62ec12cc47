#pragma once

#include <QStringList>
#include <QTemporaryDir>

// Runs ovelin-cli commands in-process against one temporary device folder.
struct CliResult {
  int code = -1;
  QString out;
  QString err;
};

class CliRunner {
 public:
  CliResult Run(QStringList arguments) const;
  QString folder() const { return m_dir.path(); }

 private:
  QTemporaryDir m_dir;
};
