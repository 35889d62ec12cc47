#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

#include "TrendSeries.h"

// The plotted values as a table: one row per time at which a line has a point, one column per
// line. The table on the tab and the exported CSV file are both made from these rows, so that
// they hold exactly the numbers the chart draws.
namespace trends {

struct TableRow {
  QDateTime time;
  std::vector<std::optional<double>> cells;  // one per line; empty where the line has no point
};

// Rows in time order. Two points of one line at the same time (two results of one group
// drawn together) get a row each.
std::vector<TableRow> RowsOf(const Plot& plot);

// A value as the table and the file show it: up to 10 significant digits, no exponent for
// clinical magnitudes, "." as the decimal point.
QString FormatValue(double value);
// A time as the table shows it ("03/01/2024 08:00 AM", as the program shows dates).
QString FormatTime(const QDateTime& time);

// The CSV file of the plotted lines: a heading row ("Date and time", then each line's label),
// then one row per table row with the time as "yyyy-MM-dd HH:mm"; fields separated by commas,
// rows ended by CR LF, UTF-8. A field holding a comma, quote or line break is quoted; a text
// field a spreadsheet would take for a formula (=, +, -, @ first) is led by an apostrophe.
QByteArray CsvOf(const Plot& plot);

}  // namespace trends
