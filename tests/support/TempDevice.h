#pragma once

#include <QTemporaryDir>

#include "platform/Device.h"

// A fresh device folder for one test, made current for the test's thread while it lives.
class TempDevice {
 public:
  TempDevice();
  ~TempDevice();
  TempDevice(const TempDevice&) = delete;
  TempDevice& operator=(const TempDevice&) = delete;

  platform::Device& device() { return *m_device; }
  QString folder() const { return m_dir.path(); }

 private:
  QTemporaryDir m_dir;
  std::unique_ptr<platform::Device> m_device;
  std::unique_ptr<platform::DeviceScope> m_scope;
};
