#pragma once

#include <QByteArray>
#include <QString>

// The channel through which other processes reach the program running on a device: a local
// (Unix domain) socket in the device folder. A client sends one line and closes:
//   "activate"          bring the running program to the front
//   "close"             close the running program
//   "message NAME"      deliver the registered message NAME (for example OvelinRefreshScreen)
namespace instance_channel {

// The socket's path for a device folder.
QString SocketPath(const QString& deviceFolder);

// Sends one line to the program running on the device; false when none is listening.
bool Send(const QString& deviceFolder, const QByteArray& line);

}  // namespace instance_channel
