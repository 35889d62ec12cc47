#include "cli/ProgressLine.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace cli {
namespace {

using namespace std::chrono_literals;

// At most ten rewrites a second: enough to see it move, too few to cost the command anything.
constexpr auto kMinInterval = 100ms;
// The time left is estimated once the rate has been measured for a second.
constexpr auto kMeasureBeforeEstimate = 1s;
// Narrower than a terminal of 80 columns, so that the line never wraps and a carriage return
// always reaches its start.
constexpr qsizetype kMaxWidth = 79;

QString Mebibytes(uint64_t bytes) {
  return QString::number(static_cast<double>(bytes) / (1024.0 * 1024.0), 'f', 1);
}

QString UnitName(ProgressLine::Unit unit) {
  switch (unit) {
    case ProgressLine::Unit::kPatients:
      return QStringLiteral("patients");
    case ProgressLine::Unit::kBytes:
      return QStringLiteral("MiB");
    case ProgressLine::Unit::kRecords:
      break;
  }
  return QStringLiteral("records");
}

QString Amount(uint64_t amount, ProgressLine::Unit unit) {
  return unit == ProgressLine::Unit::kBytes ? Mebibytes(amount) : QString::number(amount);
}

// "about 40 s left", "about 3 min left", "about 2 h 5 min left".
QString Duration(double seconds) {
  const auto whole = static_cast<int64_t>(std::ceil(seconds));
  if (whole < 60) {
    return QStringLiteral("about %1 s left").arg(whole);
  }
  const int64_t minutes = (whole + 30) / 60;
  if (minutes < 60) {
    return QStringLiteral("about %1 min left").arg(minutes);
  }
  return QStringLiteral("about %1 h %2 min left").arg(minutes / 60).arg(minutes % 60);
}

// The text in at most width characters: a longer one keeps its start (what is done) and its end
// (the end of a file's name), with "..." between.
QString Fitted(const QString& text, qsizetype width) {
  if (text.size() <= width) {
    return text;
  }
  const qsizetype kept = std::max<qsizetype>(width - 3, 0);
  return text.left(kept - kept / 2) + QStringLiteral("...") + text.right(kept / 2);
}

}  // namespace

ProgressLine::ProgressLine(QTextStream& err, bool shown, std::function<Clock::time_point()> now)
    : m_err(err), m_shown(shown), m_now(std::move(now)) {}

ProgressLine::~ProgressLine() {
  Clear();
}

void ProgressLine::Start(const QString& what, Unit unit) {
  if (!m_shown) {
    return;
  }
  m_what = what;
  m_unit = unit;
  m_counted = false;
  Write(Fitted(what, kMaxWidth), m_now());
}

void ProgressLine::Update(uint64_t done, uint64_t total) {
  if (!m_shown || m_what.isEmpty()) {
    return;
  }
  const Clock::time_point now = m_now();
  if (!m_counted) {
    m_counted = true;
    m_firstCountTime = now;
    m_firstCount = done;
  } else if (now - m_lastWrite < kMinInterval) {
    return;
  }
  const QString left = TimeLeft(done, total, now);
  const QString counted =
      Counted(done, total) + (left.isEmpty() ? QString() : QStringLiteral(", ") + left);
  Write(Fitted(m_what, kMaxWidth - counted.size() - 2) + QStringLiteral(": ") + counted, now);
}

platform::ProgressCallback ProgressLine::Callback() {
  if (!m_shown) {
    return {};
  }
  return [this](uint64_t done, uint64_t total) { Update(done, total); };
}

void ProgressLine::Clear() {
  m_what.clear();
  m_counted = false;
  if (m_width == 0) {
    return;
  }
  m_err << '\r' << QString(m_width, QLatin1Char(' ')) << '\r';
  m_err.flush();
  m_width = 0;
}

// "1200 of 2000 patients", "12.5 of 80.0 MiB", or "1200 patients" when the total is not known.
QString ProgressLine::Counted(uint64_t done, uint64_t total) const {
  const QString unit = UnitName(m_unit);
  if (total == 0) {
    return Amount(done, m_unit) + QLatin1Char(' ') + unit;
  }
  return QStringLiteral("%1 of %2 %3").arg(Amount(done, m_unit), Amount(total, m_unit), unit);
}

// The rest at the rate measured since the step's first count; nothing until that rate is known.
QString ProgressLine::TimeLeft(uint64_t done, uint64_t total, Clock::time_point now) const {
  const auto measured = now - m_firstCountTime;
  if (total == 0 || done <= m_firstCount || done > total || measured < kMeasureBeforeEstimate) {
    return {};
  }
  const double seconds = std::chrono::duration<double>(measured).count();
  return Duration(seconds * static_cast<double>(total - done) /
                  static_cast<double>(done - m_firstCount));
}

void ProgressLine::Write(const QString& text, Clock::time_point now) {
  QString line = text;
  const qsizetype width = line.size();
  if (width < m_width) {
    line += QString(m_width - width, QLatin1Char(' '));  // blanks over the longer line before
  }
  m_err << '\r' << line;
  m_err.flush();
  m_width = width;
  m_lastWrite = now;
}

}  // namespace cli
