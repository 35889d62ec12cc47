#include "FuzzDevice.h"

#include <unistd.h>
#include <QDir>
#include <QFileInfo>
#include <QtGlobal>

namespace {

constexpr int kInputsPerDevice = 2000;

QString ScratchRoot() {
  const QString shm = QStringLiteral("/dev/shm");
  return QFileInfo(shm).isDir() && QFileInfo(shm).isWritable() ? shm : QDir::tempPath();
}

void IgnoreMessages(QtMsgType, const QMessageLogContext&, const QString&) {}

}  // namespace

void FuzzDevice::Next() {
  if (!device_ || ++served_ >= kInputsPerDevice) {
    Renew();
  }
}

void FuzzDevice::Renew() {
  scope_.reset();
  device_.reset();
  if (!folder_.isEmpty()) {
    QDir(folder_).removeRecursively();
  }
  folder_ = QStringLiteral("%1/ovelin-fuzz-%2").arg(ScratchRoot()).arg(::getpid());
  QDir(folder_).removeRecursively();
  device_ = std::make_unique<platform::Device>(folder_);
  device_->Prepare();
  scope_ = std::make_unique<platform::DeviceScope>(*device_);
  served_ = 0;
}

void FuzzQuietQt() {
  qInstallMessageHandler(IgnoreMessages);
}
