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

  platform::Device& device() { return *device_; }
  QString folder() const { return dir_.path(); }

 private:
  QTemporaryDir dir_;
  std::unique_ptr<platform::Device> device_;
  std::unique_ptr<platform::DeviceScope> scope_;
};
