#pragma once

#include <QString>
#include <memory>

#include "platform/Device.h"

// The device every harness files into: a folder in memory-backed storage where there is one
// (/dev/shm), so that flushing to the disk costs nothing, made afresh every few thousand inputs so
// that the files stay small and each run sees about the same device.
class FuzzDevice {
 public:
  // Counts one input; makes a fresh device when the current one has served its share.
  void Next();
  platform::Device& device() { return *m_device; }

 private:
  void Renew();

  QString m_folder;
  std::unique_ptr<platform::Device> m_device;
  std::unique_ptr<platform::DeviceScope> m_scope;
  int m_served = 0;
};

// The one Qt set-up every harness needs (no application object: the core needs none).
void FuzzQuietQt();
