#pragma once

#include <QString>
#include <deque>
#include <vector>

// Every message box of the program goes through one service: the Qt shell shows real message
// boxes, the command line prints them, and tests script the answers and read what was shown.
namespace messages {

enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Icon { None, Information, Exclamation, Stop, Question };
enum class Answer { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

struct Shown {
  QString text;
  QString caption;
  Buttons buttons = Buttons::Ok;
  Icon icon = Icon::None;
};

class IMessageService {
 public:
  virtual ~IMessageService() = default;
  virtual Answer Show(const Shown& message) = 0;
};

// Shows a message through the installed service; with the default caption "Ovelin".
Answer Show(const QString& text, Buttons buttons = Buttons::Ok, Icon icon = Icon::None);
Answer Show(const QString& text, const QString& caption, Buttons buttons, Icon icon);

// Installs a service for the process (nullptr = the default recorder). Not owned.
void Install(IMessageService* service);
IMessageService& Current();

// The default service and the tests' seam: records every message and answers from a script of
// next answers, else with the first button (OK or Yes).
class Recorder : public IMessageService {
 public:
  Answer Show(const Shown& message) override;

  void SetNextAnswer(Answer answer) { m_script.push_back(answer); }
  const std::vector<Shown>& Messages() const { return m_shown; }
  void Clear() {
    m_shown.clear();
    m_script.clear();
  }

 private:
  std::vector<Shown> m_shown;
  std::deque<Answer> m_script;
};

// The recorder used when no other service is installed.
Recorder& DefaultRecorder();

}  // namespace messages
