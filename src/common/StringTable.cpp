#include "common/StringTable.h"

#include <QFile>
#include <QList>
#include <algorithm>
#include <limits>

// The resource is linked in as an object of the library; registering it again here is harmless and
// keeps the table reachable however the library is linked.
static void RegisterStringResource() {
  Q_INIT_RESOURCE(strings);
}

namespace strings {

namespace {

struct Table {
  ParsedTable parsed;
  std::vector<int> ids;
};

const Table& TheTable() {
  static const Table table = [] {
    RegisterStringResource();
    Table t;
    QFile file(QStringLiteral(":/strings.tsv"));
    if (file.open(QIODevice::ReadOnly)) {
      t.parsed = Parse(file.readAll());
    }
    t.ids.reserve(static_cast<size_t>(t.parsed.texts.size()));
    for (auto it = t.parsed.texts.cbegin(); it != t.parsed.texts.cend(); ++it) {
      t.ids.push_back(it.key());
    }
    std::sort(t.ids.begin(), t.ids.end());
    return t;
  }();
  return table;
}

// The id of an entry line: decimal digits only, within int.
bool ParseId(QStringView digits, int& id) {
  if (digits.isEmpty()) {
    return false;
  }
  int64_t value = 0;
  for (const QChar c : digits) {
    if (c < u'0' || c > u'9') {
      return false;
    }
    value = value * 10 + (c.unicode() - u'0');
    if (value > std::numeric_limits<int>::max()) {
      return false;
    }
  }
  id = static_cast<int>(value);
  return true;
}

}  // namespace

QString Unescape(QStringView escaped) {
  QString text;
  text.reserve(escaped.size());
  for (qsizetype i = 0; i < escaped.size(); ++i) {
    const QChar c = escaped[i];
    if (c != u'\\' || i + 1 == escaped.size()) {
      text += c;
      continue;
    }
    const QChar next = escaped[i + 1];
    if (next == u'n') {
      text += u'\n';
    } else if (next == u'r') {
      text += u'\r';
    } else if (next == u't') {
      text += u'\t';
    } else if (next == u'\\') {
      text += u'\\';
    } else {
      text += c;
      continue;
    }
    ++i;
  }
  return text;
}

ParsedTable Parse(const QByteArray& utf8) {
  ParsedTable table;
  QString all = QString::fromUtf8(utf8);
  if (all.startsWith(QChar(0xFEFF))) {
    all.remove(0, 1);
  }
  const QList<QStringView> lines = QStringView(all).split(u'\n');
  int lineNumber = 0;
  for (QStringView line : lines) {
    ++lineNumber;
    if (line.endsWith(u'\r')) {
      line.chop(1);
    }
    if (line.isEmpty() || line.startsWith(u'#')) {
      continue;
    }
    const qsizetype tab = line.indexOf(u'\t');
    int id = 0;
    if (tab < 0 || !ParseId(line.left(tab), id)) {
      table.badLines.push_back(lineNumber);
      continue;
    }
    if (table.texts.contains(id)) {
      table.duplicates.push_back(id);
      continue;
    }
    table.texts.insert(id, Unescape(line.mid(tab + 1)));
  }
  std::sort(table.duplicates.begin(), table.duplicates.end());
  table.duplicates.erase(std::unique(table.duplicates.begin(), table.duplicates.end()),
                         table.duplicates.end());
  return table;
}

QString Load(int id) {
  return TheTable().parsed.texts.value(id);
}

bool Exists(int id) {
  return TheTable().parsed.texts.contains(id);
}

std::vector<int> Ids() {
  return TheTable().ids;
}

std::vector<int> Duplicates() {
  return TheTable().parsed.duplicates;
}

std::vector<int> BadLines() {
  return TheTable().parsed.badLines;
}

// ---------------------------------------------------------------------------------------------
// Format

namespace {

// Width and precision beyond this are taken as this: a faulty text must not exhaust memory.
constexpr int kMaxFieldWidth = 4096;

struct Directive {
  bool leftAlign = false;
  bool zeroPad = false;
  bool plusSign = false;
  bool spaceSign = false;
  bool alternate = false;
  int width = 0;
  int precision = -1;  // -1 = none
  char16_t conversion = 0;
};

bool IsDigit(QChar c) {
  return c >= u'0' && c <= u'9';
}

int ReadNumber(const QString& pattern, qsizetype& i) {
  int value = 0;
  while (i < pattern.size() && IsDigit(pattern[i])) {
    value = std::min(kMaxFieldWidth, value * 10 + (pattern[i].unicode() - u'0'));
    ++i;
  }
  return value;
}

void SkipLength(const QString& pattern, qsizetype& i) {
  const QStringView rest = QStringView(pattern).mid(i);
  if (rest.startsWith(u"I64") || rest.startsWith(u"I32")) {
    i += 3;
    return;
  }
  while (i < pattern.size()) {
    const QChar c = pattern[i];
    if (c != u'h' && c != u'l' && c != u'L' && c != u'z' && c != u'j' && c != u't' && c != u'w') {
      return;
    }
    ++i;
  }
}

// Reads the directive that starts with the '%' at start. Answers the index after it, or -1 when the
// text there is not a directive.
qsizetype ReadDirective(const QString& pattern, qsizetype start, Directive& d) {
  qsizetype i = start + 1;
  for (; i < pattern.size(); ++i) {
    const QChar c = pattern[i];
    if (c == u'-') {
      d.leftAlign = true;
    } else if (c == u'0') {
      d.zeroPad = true;
    } else if (c == u'+') {
      d.plusSign = true;
    } else if (c == u' ') {
      d.spaceSign = true;
    } else if (c == u'#') {
      d.alternate = true;
    } else {
      break;
    }
  }
  d.width = ReadNumber(pattern, i);
  if (i < pattern.size() && pattern[i] == u'.') {
    ++i;
    d.precision = ReadNumber(pattern, i);
  }
  SkipLength(pattern, i);
  if (i >= pattern.size()) {
    return -1;
  }
  const char16_t c = pattern[i].unicode();
  switch (c) {
    case u'd':
    case u'i':
    case u'u':
    case u'x':
    case u'X':
    case u'c':
    case u'C':
    case u's':
    case u'S':
    case u'%':
      d.conversion = c;
      return i + 1;
    default:
      return -1;
  }
}

QString Pad(QString body, const Directive& d) {
  const qsizetype missing = d.width - body.size();
  if (missing <= 0) {
    return body;
  }
  return d.leftAlign ? body + QString(missing, u' ') : QString(missing, u' ') + body;
}

// Sign or prefix, then the digits with the precision's leading zeros, then the width.
QString PadNumber(const QString& prefix, QString digits, const Directive& d) {
  if (d.precision >= 0) {
    if (d.precision == 0 && digits == u"0") {
      digits.clear();
    } else if (digits.size() < d.precision) {
      digits.prepend(QString(d.precision - digits.size(), u'0'));
    }
  }
  if (d.zeroPad && !d.leftAlign && d.precision < 0) {
    const qsizetype missing = d.width - prefix.size() - digits.size();
    if (missing > 0) {
      digits.prepend(QString(missing, u'0'));
    }
  }
  return Pad(prefix + digits, d);
}

// The value of an unsigned directive: a negative number that fits 32 bits is read as its 32-bit
// two's complement, as the platform's printf reads an int.
uint64_t AsUnsigned(const Arg& arg) {
  if (arg.kind() == Arg::Kind::kUnsigned) {
    return arg.unsignedValue();
  }
  const int64_t value = arg.signedValue();
  if (value >= std::numeric_limits<int32_t>::min() && value < 0) {
    return static_cast<uint32_t>(static_cast<int32_t>(value));
  }
  return static_cast<uint64_t>(value);
}

QString FormatSigned(const Arg& arg, const Directive& d) {
  if (arg.kind() == Arg::Kind::kUnsigned) {
    return PadNumber(d.plusSign ? QStringLiteral("+") : QString(),
                     QString::number(arg.unsignedValue()), d);
  }
  const int64_t value = arg.signedValue();
  QString sign;
  if (value < 0) {
    sign = QStringLiteral("-");
  } else if (d.plusSign) {
    sign = QStringLiteral("+");
  } else if (d.spaceSign) {
    sign = QStringLiteral(" ");
  }
  // The magnitude as unsigned, so that the most negative value has one too.
  const uint64_t magnitude =
      value < 0 ? ~static_cast<uint64_t>(value) + 1u : static_cast<uint64_t>(value);
  return PadNumber(sign, QString::number(magnitude), d);
}

QString FormatUnsigned(const Arg& arg, const Directive& d) {
  const uint64_t value = AsUnsigned(arg);
  if (d.conversion == u'u') {
    return PadNumber(QString(), QString::number(value), d);
  }
  QString digits = QString::number(value, 16);
  QString prefix = d.alternate && value != 0 ? QStringLiteral("0x") : QString();
  if (d.conversion == u'X') {
    digits = digits.toUpper();
    prefix = prefix.toUpper();
  }
  return PadNumber(prefix, digits, d);
}

QString FormatChar(const Arg& arg, const Directive& d) {
  QString ch;
  if (arg.kind() == Arg::Kind::kText) {
    ch = arg.text().left(1);
  } else {
    const uint64_t code = AsUnsigned(arg);
    if (code <= 0x10FFFF) {
      const char32_t unit = static_cast<char32_t>(code);
      ch = QString::fromUcs4(&unit, 1);
    }
  }
  return Pad(ch, d);
}

QString FormatText(const Arg& arg, const Directive& d) {
  QString text;
  switch (arg.kind()) {
    case Arg::Kind::kText:
      text = arg.text();
      break;
    case Arg::Kind::kSigned:
      text = QString::number(arg.signedValue());
      break;
    case Arg::Kind::kUnsigned:
      text = QString::number(arg.unsignedValue());
      break;
  }
  if (d.precision >= 0 && text.size() > d.precision) {
    text.truncate(d.precision);
  }
  return Pad(text, d);
}

QString FormatOne(const Arg& arg, const Directive& d) {
  switch (d.conversion) {
    case u's':
    case u'S':
      return FormatText(arg, d);
    case u'c':
    case u'C':
      return FormatChar(arg, d);
    default:
      break;
  }
  // A number directive given a text shows the text: the mistake stays visible.
  if (arg.kind() == Arg::Kind::kText) {
    return FormatText(arg, Directive{d.leftAlign, false, false, false, false, d.width, -1, u's'});
  }
  if (d.conversion == u'd' || d.conversion == u'i') {
    return FormatSigned(arg, d);
  }
  return FormatUnsigned(arg, d);
}

}  // namespace

QString FormatArgs(const QString& pattern, std::span<const Arg> args) {
  QString out;
  out.reserve(pattern.size());
  size_t next = 0;
  qsizetype i = 0;
  while (i < pattern.size()) {
    const QChar c = pattern[i];
    Directive d;
    const qsizetype end = c == u'%' ? ReadDirective(pattern, i, d) : -1;
    if (end < 0) {
      out += c;
      ++i;
      continue;
    }
    i = end;
    if (d.conversion == u'%') {
      out += u'%';
    } else if (next < args.size()) {
      out += FormatOne(args[next++], d);
    }
  }
  return out;
}

}  // namespace strings
