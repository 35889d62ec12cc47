#include "app/DailyCheck.h"

#include <sqlite3.h>

#include "common/MessageService.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "platform/Device.h"
#include "platform/DeviceCheck.h"

DailyCheck::DailyCheck(platform::Device& device, QObject* parent)
    : QObject(parent), device_(device) {
  connect(&timer_, &QTimer::timeout, this, &DailyCheck::OnTimer);
}

DailyCheck::~DailyCheck() {
  timer_.stop();
  if (worker_.joinable()) {
    worker_.join();
  }
}

void DailyCheck::Start() {
  timer_.start(kFirstDelayMs);
}

void DailyCheck::OnTimer() {
  timer_.start(kIntervalMs);
  if (running_.exchange(true)) {
    return;
  }
  if (worker_.joinable()) {
    worker_.join();
  }
  worker_ = std::thread([this, folder = device_.Folder()] {
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
  if (worker_.joinable()) {
    worker_.join();
  }
  running_ = false;
  if (!damage.isEmpty()) {
    timer_.stop();  // told once; the device stays refused until the program starts again
    device_.NoteDamage({SQLITE_CORRUPT, QString(), damage});
    messages::Show(strings::FormatId(ids::kDeviceFullCheckFailed, damage), messages::Buttons::Ok,
                   messages::Icon::Stop);
  }
  emit Finished(!damage.isEmpty());
}
