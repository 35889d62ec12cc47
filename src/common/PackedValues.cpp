#include "common/PackedValues.h"

namespace packed_values {

QString Pack(const std::vector<Pair>& pairs) {
  QString packed;
  for (const Pair& pair : pairs) {
    packed += pair.name;
    packed += QLatin1Char('\n');
    packed += pair.value;
    packed += QLatin1Char('\n');
  }
  return packed;
}

std::vector<Pair> Split(const QString& packed) {
  std::vector<Pair> pairs;
  qsizetype pos = 0;
  while (pos < packed.size()) {
    const qsizetype nameEnd = packed.indexOf(QLatin1Char('\n'), pos);
    if (nameEnd <= pos) {
      break;  // no more line feeds, or an empty name: the pairs end here
    }
    QString name = packed.mid(pos, nameEnd - pos);
    const qsizetype valueEnd = packed.indexOf(QLatin1Char('\n'), nameEnd + 1);
    if (valueEnd < 0) {
      pairs.push_back({std::move(name), packed.mid(nameEnd + 1)});
      break;
    }
    pairs.push_back({std::move(name), packed.mid(nameEnd + 1, valueEnd - nameEnd - 1)});
    pos = valueEnd + 1;
  }
  return pairs;
}

QString NoteText(const std::vector<Pair>& pairs) {
  QString text;
  for (const Pair& pair : pairs) {
    if (pair.value.trimmed().isEmpty()) {
      continue;
    }
    QString value = pair.value;
    value.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    value.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    text += pair.name + QLatin1String(": ") + value + QLatin1String("\r\n");
  }
  return text;
}

Placement Place(const QStringList& labels, const QString& packed) {
  Placement placement;
  placement.values.resize(static_cast<size_t>(labels.size()));
  std::vector<bool> taken(static_cast<size_t>(labels.size()), false);
  for (Pair& pair : Split(packed)) {
    qsizetype row = 0;
    while (row < labels.size() && (taken[static_cast<size_t>(row)] || labels[row] != pair.name)) {
      ++row;
    }
    if (row == labels.size()) {
      placement.extra.push_back(std::move(pair));
      continue;
    }
    taken[static_cast<size_t>(row)] = true;
    placement.values[static_cast<size_t>(row)] = std::move(pair.value);
  }
  return placement;
}

}  // namespace packed_values
