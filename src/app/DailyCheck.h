#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <atomic>
#include <thread>

namespace platform {
class Device;
}

// The full check of the device's files, run in the background once a day while the program
// runs. The quick check at start-up stays cheap and cannot see damage inside the files (a zeroed
// page, say); this one reads every page, on a thread of its own through a read-only connection,
// so the program stays responsive. When it finds damage the person is told, and nothing more is
// written through the program's device.
class DailyCheck : public QObject {
  Q_OBJECT

 public:
  static constexpr int kFirstDelayMs = 60'000;
  static constexpr int kIntervalMs = 24 * 60 * 60 * 1000;

  // device: the program's device, used on this (the user interface) thread.
  explicit DailyCheck(platform::Device& device, QObject* parent = nullptr);
  // Waits for a check that is running.
  ~DailyCheck() override;
  DailyCheck(const DailyCheck&) = delete;
  DailyCheck& operator=(const DailyCheck&) = delete;

  // Arms the timer: the first check a minute after start-up, then one a day.
  void Start();
  const QTimer& Timer() const { return m_timer; }

 public slots:
  // Starts a check in the background unless one runs: what the timer does when it fires.
  void OnTimer();

 signals:
  // After each check, on this thread, once the person was told of damage.
  void Finished(bool damaged);

 private:
  void OnChecked(const QString& damage);

  platform::Device& m_device;
  QTimer m_timer;
  std::thread m_worker;
  std::atomic<bool> m_running{false};
};
