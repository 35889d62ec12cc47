#pragma once

#include <QString>
#include <QTextStream>
#include <chrono>
#include <cstdint>
#include <functional>

#include "platform/ProgressCallback.h"

namespace cli {

// The one line on standard error that tells a person at a terminal how far a long command has
// come: what it does, done of the total, and the time left, for example
// "importing ward.json: 1200 of 2000 patients, about 12 s left". Each update rewrites the line in
// place (a carriage return, the text, blanks over what a longer line left); Clear erases it, so
// that whatever is printed next starts at the left margin.
//
// Updates are cheap and may come as often as a loop likes: the line is rewritten at most ten
// times a second, besides the first count of each step. When the line is not shown (standard
// error is no terminal, or --quiet), nothing is ever written and Callback answers an empty
// callback, so that the loops do not even call.
class ProgressLine {
 public:
  using Clock = std::chrono::steady_clock;
  enum class Unit { kRecords, kPatients, kBytes };

  ProgressLine(QTextStream& err, bool shown, std::function<Clock::time_point()> now = Clock::now);
  ~ProgressLine();
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  bool Shown() const { return m_shown; }
  // Begins a step: the line says what it does until the step's first count, in unit.
  void Start(const QString& what, Unit unit = Unit::kRecords);
  // done of total units of the step; a total of 0 is not known, and shows no time left.
  void Update(uint64_t done, uint64_t total);
  // Update, for the loops of the core layers; empty when the line is not shown.
  platform::ProgressCallback Callback();
  // Erases the line.
  void Clear();

 private:
  QString Counted(uint64_t done, uint64_t total) const;
  QString TimeLeft(uint64_t done, uint64_t total, Clock::time_point now) const;
  void Write(const QString& text, Clock::time_point now);

  QTextStream& m_err;
  const bool m_shown;
  const std::function<Clock::time_point()> m_now;
  QString m_what;
  Unit m_unit = Unit::kRecords;
  qsizetype m_width = 0;  // characters of the line on the screen
  Clock::time_point m_lastWrite;
  // The step's first count, from which its rate is measured: the work before it (opening,
  // parsing, checking) does not slow the estimate of the rest.
  bool m_counted = false;
  Clock::time_point m_firstCountTime;
  uint64_t m_firstCount = 0;
};

}  // namespace cli
