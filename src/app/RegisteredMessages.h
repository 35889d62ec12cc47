#pragma once

#include <QEvent>
#include <QString>
#include <cstdint>

// Registered messages: names that processes agree on, each given a number in 0xC000 .. 0xFFFF
// the first time it is registered. Other processes deliver them to the running program over the
// instance channel ("message NAME"); inside the program they travel as RegisteredMessageEvent to
// the main window, where the application's event filter handles them.
namespace registered_messages {

inline constexpr uint32_t kFirst = 0xC000;
inline constexpr uint32_t kLast = 0xFFFF;

inline constexpr const char* kRefreshScreen = "OvelinRefreshScreen";
inline constexpr const char* kNewSoftwareInstalled = "OvelinNewSoftwareInstalled";

// The number of a name (registered on first use); 0 when the range is used up.
uint32_t Register(const QString& name);
// The name of a registered number; empty when none.
QString NameOf(uint32_t message);

class RegisteredMessageEvent : public QEvent {
 public:
  explicit RegisteredMessageEvent(uint32_t message);
  static QEvent::Type EventType();
  uint32_t Message() const { return m_message; }

 private:
  uint32_t m_message;
};

}  // namespace registered_messages
