#include "platform/InstanceChannel.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <QFile>
#include <cstring>

namespace instance_channel {

QString SocketPath(const QString& deviceFolder) {
  return deviceFolder + QStringLiteral("/ovelin.sock");
}

bool Send(const QString& deviceFolder, const QByteArray& line) {
  const QByteArray path = QFile::encodeName(SocketPath(deviceFolder));
  sockaddr_un address{};
  if (static_cast<size_t>(path.size()) >= sizeof address.sun_path) {
    return false;
  }
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    return false;
  }
  const QByteArray message = line + '\n';
  bool sent = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  for (qsizetype done = 0; sent && done < message.size();) {
    const ssize_t n = ::send(fd, message.constData() + done,
                             static_cast<size_t>(message.size() - done), MSG_NOSIGNAL);
    sent = n > 0;
    done += n > 0 ? n : 0;
  }
  ::close(fd);
  return sent;
}

}  // namespace instance_channel
