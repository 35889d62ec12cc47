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
  if (!m_device || ++m_served >= kInputsPerDevice) {
    Renew();
  }
}

void FuzzDevice::Renew() {
  m_scope.reset();
  m_device.reset();
  if (!m_folder.isEmpty()) {
    QDir(m_folder).removeRecursively();
  }
  m_folder = QStringLiteral("%1/ovelin-fuzz-%2").arg(ScratchRoot()).arg(::getpid());
  QDir(m_folder).removeRecursively();
  m_device = std::make_unique<platform::Device>(m_folder);
  m_device->Prepare();
  m_scope = std::make_unique<platform::DeviceScope>(*m_device);
  m_served = 0;
}

void FuzzQuietQt() {
  qInstallMessageHandler(IgnoreMessages);
}
