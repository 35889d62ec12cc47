#include "support/TempDevice.h"

TempDevice::TempDevice()
    : m_device(std::make_unique<platform::Device>(m_dir.path())),
      m_scope(std::make_unique<platform::DeviceScope>(*m_device)) {
  m_device->Prepare();
}

TempDevice::~TempDevice() {
  m_scope.reset();
  m_device.reset();
}
