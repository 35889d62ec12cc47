#include "support/TempDevice.h"

TempDevice::TempDevice()
    : device_(std::make_unique<platform::Device>(dir_.path())),
      scope_(std::make_unique<platform::DeviceScope>(*device_)) {
  device_->Prepare();
}

TempDevice::~TempDevice() {
  scope_.reset();
  device_.reset();
}
