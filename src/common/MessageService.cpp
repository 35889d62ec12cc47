#include "common/MessageService.h"

namespace messages {
namespace {

IMessageService* gInstalled = nullptr;

Answer FirstButton(Buttons buttons) {
  return buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel ? Answer::Yes : Answer::Ok;
}

}  // namespace

Answer Show(const QString& text, Buttons buttons, Icon icon) {
  return Show(text, QStringLiteral("Ovelin"), buttons, icon);
}

Answer Show(const QString& text, const QString& caption, Buttons buttons, Icon icon) {
  return Current().Show(Shown{text, caption, buttons, icon});
}

void Install(IMessageService* service) {
  gInstalled = service;
}

IMessageService& Current() {
  return gInstalled ? *gInstalled : DefaultRecorder();
}

Answer Recorder::Show(const Shown& message) {
  m_shown.push_back(message);
  if (m_script.empty()) {
    return FirstButton(message.buttons);
  }
  const Answer answer = m_script.front();
  m_script.pop_front();
  return answer;
}

Recorder& DefaultRecorder() {
  static Recorder recorder;
  return recorder;
}

}  // namespace messages
