#include "TrendChart.h"

#include <QChart>
#include <QDateTimeAxis>
#include <QLineSeries>
#include <QStringList>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "TrendTable.h"
#include "TrendsTexts.h"

namespace trends {
namespace {

constexpr qint64 kMsPerHour = 3600 * 1000;
// A time axis over more than this many days shows dates only; a shorter one, times too.
constexpr qint64 kDatesOnlyAfterDays = 7;
// The points at either end stay this share of the span away from the frame.
constexpr double kEdgeShare = 0.04;

struct Extent {
  qint64 firstMs = 0;
  qint64 lastMs = 0;
  double low = 0;
  double high = 0;
};

Extent ExtentOf(const Plot& plot) {
  Extent extent;
  bool any = false;
  for (const Line& line : plot.lines) {
    for (const Point& point : line.points) {
      const qint64 ms = point.time.toMSecsSinceEpoch();
      extent.firstMs = any ? std::min(extent.firstMs, ms) : ms;
      extent.lastMs = any ? std::max(extent.lastMs, ms) : ms;
      extent.low = any ? std::min(extent.low, point.value) : point.value;
      extent.high = any ? std::max(extent.high, point.value) : point.value;
      any = true;
    }
  }
  return extent;
}

QDateTimeAxis* MakeTimeAxis(const Extent& extent) {
  auto* axis = new QDateTimeAxis;
  qint64 first = extent.firstMs;
  qint64 last = extent.lastMs;
  if (first == last) {
    first -= 12 * kMsPerHour;  // a single time sits in the middle of its day
    last += 12 * kMsPerHour;
  } else {
    const auto edge = static_cast<qint64>(static_cast<double>(last - first) * kEdgeShare);
    first -= edge;
    last += edge;
  }
  const bool datesOnly = last - first > kDatesOnlyAfterDays * 24 * kMsPerHour;
  axis->setFormat(datesOnly ? QStringLiteral("MM/dd/yy") : QStringLiteral("MM/dd hh:mm"));
  axis->setTickCount(4);
  axis->setRange(QDateTime::fromMSecsSinceEpoch(first), QDateTime::fromMSecsSinceEpoch(last));
  return axis;
}

QValueAxis* MakeValueAxis(const Extent& extent) {
  auto* axis = new QValueAxis;
  double low = extent.low;
  double high = extent.high;
  const double edge = low == high ? std::max(1.0, std::abs(low) * 0.1) : (high - low) * kEdgeShare;
  axis->setRange(low - edge, high + edge);
  axis->applyNiceNumbers();
  axis->setLabelFormat(QStringLiteral("%g"));
  return axis;
}

}  // namespace

void FillChart(QChart& chart, const Plot& plot) {
  chart.removeAllSeries();
  for (QAbstractAxis* axis : chart.axes()) {
    chart.removeAxis(axis);
    delete axis;
  }
  if (plot.lines.empty()) {
    return;
  }
  const Extent extent = ExtentOf(plot);
  QDateTimeAxis* time = MakeTimeAxis(extent);
  QValueAxis* values = MakeValueAxis(extent);
  chart.addAxis(time, Qt::AlignBottom);
  chart.addAxis(values, Qt::AlignLeft);
  for (const Line& line : plot.lines) {
    auto* series = new QLineSeries;
    series->setName(line.label);
    series->setPointsVisible(true);
    for (const Point& point : line.points) {
      series->append(static_cast<qreal>(point.time.toMSecsSinceEpoch()), point.value);
    }
    chart.addSeries(series);
    series->attachAxis(time);
    series->attachAxis(values);
  }
}

QString DescribeChart(const Plot& plot) {
  QStringList parts;
  for (const Line& line : plot.lines) {
    const auto [low, high] =
        std::minmax_element(line.points.begin(), line.points.end(),
                            [](const Point& a, const Point& b) { return a.value < b.value; });
    if (low == line.points.end()) {
      continue;
    }
    parts.append(texts::ChartLine()
                     .arg(line.label)
                     .arg(line.points.size())
                     .arg(FormatValue(low->value), FormatValue(high->value)));
  }
  return parts.join(QStringLiteral("; "));
}

}  // namespace trends
