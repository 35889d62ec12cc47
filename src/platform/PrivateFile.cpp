#include "platform/PrivateFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace platform {
namespace {

QString SystemError() {
  return QString::fromLocal8Bit(std::strerror(errno));
}

bool WriteWhole(int fd, const QByteArray& bytes) {
  const char* data = bytes.constData();
  size_t left = static_cast<size_t>(bytes.size());
  while (left > 0) {
    const ssize_t written = ::write(fd, data, left);
    if (written < 0 && errno == EINTR) {
      continue;
    }
    if (written <= 0) {
      return false;
    }
    data += written;
    left -= static_cast<size_t>(written);
  }
  return true;
}

// The rename is durable only once the folder that holds the name is flushed too.
bool SyncFolder(const QByteArray& folder) {
  const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    return false;
  }
  const bool synced = ::fsync(fd) == 0;
  ::close(fd);
  return synced;
}

}  // namespace

bool WritePrivateFileAtomically(const QString& path, const QByteArray& bytes, QString& error) {
  const QFileInfo target(path);
  const QByteArray folder = QFile::encodeName(target.absolutePath());
  const QByteArray final = QFile::encodeName(target.absoluteFilePath());
  // mkstemp makes the file 0600, whatever the umask.
  QByteArray temporary = folder + "/." + QFile::encodeName(target.fileName()) + ".XXXXXX";
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) {
    error =
        QStringLiteral("cannot create a file in %1: %2").arg(target.absolutePath(), SystemError());
    return false;
  }
  const bool written = WriteWhole(fd, bytes) && ::fchmod(fd, 0600) == 0 && ::fsync(fd) == 0;
  const QString writeError = written ? QString() : SystemError();
  const bool closed = ::close(fd) == 0;
  if (!written || !closed) {
    error = QStringLiteral("cannot write %1: %2").arg(path, written ? SystemError() : writeError);
    ::unlink(temporary.constData());
    return false;
  }
  if (::rename(temporary.constData(), final.constData()) != 0) {
    error = QStringLiteral("cannot replace %1: %2").arg(path, SystemError());
    ::unlink(temporary.constData());
    return false;
  }
  if (!SyncFolder(folder)) {
    error = QStringLiteral("cannot flush the folder of %1: %2").arg(path, SystemError());
    return false;
  }
  return true;
}

}  // namespace platform
