// Files that hold patient data are written whole, atomically and readable by their owner only.

#include "platform/PrivateFile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

QByteArray Read(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(PrivateFile, ReplacesTheWholeFileAsTheOwnersOnlyWhateverTheUmask) {
  QTemporaryDir dir;
  const QString path = dir.path() + "/backup.json";
  QFile old(path);
  ASSERT_TRUE(old.open(QIODevice::WriteOnly));
  old.write("the old backup, longer than the new one");
  old.close();
  ::chmod(path.toUtf8().constData(), 0644);

  const mode_t previous = ::umask(0);
  QString error;
  const bool written = platform::WritePrivateFileAtomically(path, "new", error);
  ::umask(previous);
  ASSERT_TRUE(written) << error.toStdString();
  EXPECT_EQ(Read(path), "new");
  struct stat info {};
  ASSERT_EQ(::stat(path.toUtf8().constData(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  // Nothing is left beside it.
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"backup.json"});
}

TEST(PrivateFile, AFailureLeavesTheTargetAndNoTemporaryFile) {
  QTemporaryDir dir;
  // A folder stands where the file should go: the rename fails.
  const QString path = dir.path() + "/taken";
  ASSERT_TRUE(QDir().mkpath(path + "/inside"));
  QString error;
  EXPECT_FALSE(platform::WritePrivateFileAtomically(path, "data", error));
  EXPECT_TRUE(error.contains("taken")) << error.toStdString();
  EXPECT_TRUE(QFileInfo(path).isDir());
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{});
  EXPECT_FALSE(platform::WritePrivateFileAtomically(dir.path() + "/missing/file", "data", error));
  EXPECT_FALSE(error.isEmpty());
}

}  // namespace
