#pragma once

#include <QString>
#include <QStringList>
#include <vector>

// Packed values: the one text in which a list of named values is stored (vital signs, lab values,
// the rows of a note sheet). Each pair is its name, a line feed, its value and a line feed:
// "Temp\n98.6\nPulse\n72\n". docs/packed-values.md describes the format.
namespace packed_values {

struct Pair {
  QString name;
  QString value;

  friend bool operator==(const Pair&, const Pair&) = default;
};

// Every pair as "name\nvalue\n", in order (empty values included).
QString Pack(const std::vector<Pair>& pairs);

// The pairs of a packed text, in stored order. A name runs to the next line feed and is never
// empty; its value runs to the following line feed, or to the end of the text for a last pair
// without one. The pairs end at an empty name or where no line feed follows a name.
std::vector<Pair> Split(const QString& packed);

// The pairs with a value that is not blank, as "name: value\r\n" each, line ends inside a value
// made CR LF: the form in which a note quotes them.
QString NoteText(const std::vector<Pair>& pairs);

// Where the pairs of packed go among rows labelled labels: each pair takes the first row of
// its name that no earlier pair took; a pair without such a row is kept in extra, in order.
// Rows that no pair names get an empty value.
struct Placement {
  std::vector<QString> values;  // one per label
  std::vector<Pair> extra;
};
Placement Place(const QStringList& labels, const QString& packed);

}  // namespace packed_values
