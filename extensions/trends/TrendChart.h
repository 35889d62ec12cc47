#pragma once

#include <QString>

#include "TrendSeries.h"

class QChart;

// Draws the plotted lines into a chart: a time axis by the real dates of the points, one value
// axis, each line with its points marked. A chart without lines gets no axes.
namespace trends {

void FillChart(QChart& chart, const Plot& plot);

// What the chart shows, in words, for a screen reader: each line with its number of points and
// its lowest and highest value.
QString DescribeChart(const Plot& plot);

}  // namespace trends
