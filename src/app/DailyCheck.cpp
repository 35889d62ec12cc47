#include "app/DailyCheck.h"

#include <sqlite3.h>

#include "common/MessageService.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "platform/Device.h"
#include "platform/DeviceCheck.h"

DailyCheck::DailyCheck(platform::Device& device, QObject* parent)
    : QObject(parent), m_device(device) {
  connect(&m_timer, &QTimer::timeout, this, &DailyCheck::OnTimer);
}

DailyCheck::~DailyCheck() {
  m_timer.stop();
  if (m_worker.joinable()) {
    m_worker.join();
  }
}

void DailyCheck::Start() {
  m_timer.start(kFirstDelayMs);
}

void DailyCheck::OnTimer() {
  m_timer.start(kIntervalMs);
  if (m_running.exchange(true)) {
    return;
  }
  if (m_worker.joinable()) {
    m_worker.join();
  }
  m_worker = std::thread([this, folder = m_device.Folder()] {
    platform::Device probe(folder);
    probe.SetReadOnly(true);
    const platform::DeviceScope current(probe);
    const platform::device_check::Result result = platform::device_check::FullCheck(probe);
    const QString damage = result.Damaged() ? result.Describe() : QString();
    // Dropped by Qt should this object be gone by then.
    QMetaObject::invokeMethod(
        this, [this, damage] { OnChecked(damage); }, Qt::QueuedConnection);
  });
}

void DailyCheck::OnChecked(const QString& damage) {
  if (m_worker.joinable()) {
    m_worker.join();
  }
  m_running = false;
  if (!damage.isEmpty()) {
    m_timer.stop();  // told once; the device stays refused until the program starts again
    m_device.NoteDamage({SQLITE_CORRUPT, QString(), damage});
    messages::Show(strings::FormatId(ids::kDeviceFullCheckFailed, damage), messages::Buttons::Ok,
                   messages::Icon::Stop);
  }
  emit Finished(!damage.isEmpty());
}
