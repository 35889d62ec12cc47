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
  PrivateFileWriter writer(path);
  return writer.Open(error) && writer.Write(bytes) && writer.Commit(error);
}

PrivateFileWriter::PrivateFileWriter(const QString& path) : m_target(path) {}

PrivateFileWriter::~PrivateFileWriter() {
  if (m_fd >= 0) {
    ::close(m_fd);
    ::unlink(m_temporary.constData());
  }
}

bool PrivateFileWriter::Open(QString& error) {
  const QByteArray folder = QFile::encodeName(m_target.absolutePath());
  // mkstemp makes the file 0600, whatever the umask.
  m_temporary = folder + "/." + QFile::encodeName(m_target.fileName()) + ".XXXXXX";
  m_fd = ::mkstemp(m_temporary.data());
  if (m_fd < 0) {
    error = QStringLiteral("cannot create a file in %1: %2")
                .arg(m_target.absolutePath(), SystemError());
    return false;
  }
  return true;
}

bool PrivateFileWriter::Write(const QByteArray& bytes) {
  m_buffer += bytes;
  return m_buffer.size() < kBufferBytes || Flush();
}

bool PrivateFileWriter::Flush() {
  if (m_writeError.isEmpty() && !WriteWhole(m_fd, m_buffer)) {
    m_writeError = SystemError();
  }
  m_buffer.clear();
  return m_writeError.isEmpty();
}

bool PrivateFileWriter::Commit(QString& error) {
  const QString path = m_target.filePath();
  const bool written = m_fd >= 0 && Flush() && ::fchmod(m_fd, 0600) == 0 && ::fsync(m_fd) == 0;
  if (!written && m_writeError.isEmpty()) {
    m_writeError = SystemError();
  }
  const bool closed = m_fd >= 0 && ::close(m_fd) == 0;
  m_fd = -1;
  if (!written || !closed) {
    error = QStringLiteral("cannot write %1: %2").arg(path, written ? SystemError() : m_writeError);
    ::unlink(m_temporary.constData());
    return false;
  }
  const QByteArray final = QFile::encodeName(m_target.absoluteFilePath());
  if (::rename(m_temporary.constData(), final.constData()) != 0) {
    error = QStringLiteral("cannot replace %1: %2").arg(path, SystemError());
    ::unlink(m_temporary.constData());
    return false;
  }
  if (!SyncFolder(QFile::encodeName(m_target.absolutePath()))) {
    error = QStringLiteral("cannot flush the folder of %1: %2").arg(path, SystemError());
    return false;
  }
  return true;
}

}  // namespace platform
