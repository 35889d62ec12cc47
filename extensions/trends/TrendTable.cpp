#include "TrendTable.h"

#include <QLocale>
#include <QStringList>
#include <algorithm>

#include "TrendsTexts.h"

namespace trends {
namespace {

// The row of time where column is still free, made when there is none.
TableRow& RowFor(std::vector<TableRow>& rows, const QDateTime& time, size_t column,
                 size_t columns) {
  for (TableRow& row : rows) {
    if (row.time == time && !row.cells[column].has_value()) {
      return row;
    }
  }
  rows.push_back({time, std::vector<std::optional<double>>(columns)});
  return rows.back();
}

QString CsvField(const QString& text) {
  QString field = text;
  if (!field.isEmpty() && QStringLiteral("=+-@").contains(field.front())) {
    field.prepend(QLatin1Char('\''));
  }
  if (field.contains(QLatin1Char(',')) || field.contains(QLatin1Char('"')) ||
      field.contains(QLatin1Char('\n')) || field.contains(QLatin1Char('\r'))) {
    field.replace(QLatin1String("\""), QLatin1String("\"\""));
    field = QLatin1Char('"') + field + QLatin1Char('"');
  }
  return field;
}

}  // namespace

std::vector<TableRow> RowsOf(const Plot& plot) {
  std::vector<TableRow> rows;
  const size_t columns = plot.lines.size();
  for (size_t column = 0; column < columns; ++column) {
    for (const Point& point : plot.lines[column].points) {
      RowFor(rows, point.time, column, columns).cells[column] = point.value;
    }
  }
  std::stable_sort(rows.begin(), rows.end(),
                   [](const TableRow& a, const TableRow& b) { return a.time < b.time; });
  return rows;
}

QString FormatValue(double value) {
  return QLocale::c().toString(value, 'g', 10);
}

QString FormatTime(const QDateTime& time) {
  return QLocale::c().toString(time, QStringLiteral("MM/dd/yyyy hh:mm AP"));
}

QByteArray CsvOf(const Plot& plot) {
  QStringList heading{CsvField(texts::TimeColumn())};
  for (const Line& line : plot.lines) {
    heading.append(CsvField(line.label));
  }
  QString text = heading.join(QLatin1Char(',')) + QStringLiteral("\r\n");
  for (const TableRow& row : RowsOf(plot)) {
    QStringList fields{QLocale::c().toString(row.time, QStringLiteral("yyyy-MM-dd HH:mm"))};
    for (const std::optional<double>& cell : row.cells) {
      fields.append(cell.has_value() ? FormatValue(*cell) : QString());
    }
    text += fields.join(QLatin1Char(',')) + QStringLiteral("\r\n");
  }
  return text.toUtf8();
}

}  // namespace trends
