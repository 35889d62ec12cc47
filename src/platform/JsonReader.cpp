#include "platform/JsonReader.h"

#include <QIODevice>
#include <charconv>
#include <cstring>

namespace platform {
namespace {

constexpr qsizetype kPieceBytes = qsizetype{1} << 20;
// "-1.2345678901234567e-308" and then some; a longer number is no number a backup holds.
constexpr int kMaxNumberChars = 64;

int HexDigit(int byte) {
  if (byte >= '0' && byte <= '9') {
    return byte - '0';
  }
  if (byte >= 'a' && byte <= 'f') {
    return byte - 'a' + 10;
  }
  if (byte >= 'A' && byte <= 'F') {
    return byte - 'A' + 10;
  }
  return -1;
}

bool IsDigit(int byte) {
  return byte >= '0' && byte <= '9';
}

}  // namespace

JsonReader::JsonReader(QIODevice& input, Limits limits) : m_input(input), m_limits(limits) {
  m_piece.resize(kPieceBytes);
}

bool JsonReader::Refill() {
  m_before += m_end;
  m_next = m_end = 0;
  const qint64 got = m_input.read(m_piece.data(), m_piece.size());
  if (got < 0) {
    m_readFailed = true;
    return false;
  }
  m_end = static_cast<qsizetype>(got);
  return got > 0;
}

int JsonReader::Peek() {
  if (m_next == m_end && !Refill()) {
    return -1;
  }
  return static_cast<unsigned char>(m_piece[m_next]);
}

int JsonReader::Take() {
  const int byte = Peek();
  if (byte >= 0) {
    ++m_next;
  }
  return byte;
}

int JsonReader::PeekPastSpace() {
  for (;;) {
    const int byte = Peek();
    if (byte != ' ' && byte != '\n' && byte != '\r' && byte != '\t') {
      return byte;
    }
    ++m_next;
  }
}

bool JsonReader::Fail(const QString& what) {
  m_error = m_readFailed ? QStringLiteral("the input could not be read: %1 (after %2 bytes)")
                               .arg(m_input.errorString())
                               .arg(Position())
                         : QStringLiteral("%1 at offset %2").arg(what).arg(Position());
  return false;
}

bool JsonReader::Stop() {
  m_error.clear();
  return false;
}

bool JsonReader::Expect(char byte, const char* what) {
  if (PeekPastSpace() != static_cast<unsigned char>(byte)) {
    return Fail(QStringLiteral("%1 expected").arg(QLatin1String(what)));
  }
  ++m_next;
  return true;
}

bool JsonReader::Read(JsonHandler& handler) {
  m_error.clear();
  if (PeekPastSpace() < 0) {
    return Fail(QStringLiteral("the input is empty"));
  }
  if (!Value(handler, 0)) {
    return false;
  }
  if (PeekPastSpace() >= 0) {
    return Fail(QStringLiteral("text after the end of the document"));
  }
  return !m_readFailed || Fail({});
}

bool JsonReader::Value(JsonHandler& handler, int depth) {
  const int byte = PeekPastSpace();
  switch (byte) {
    case '{':
      return Object(handler, depth);
    case '[':
      return Array(handler, depth);
    case '"': {
      ++m_next;
      QString text;
      return Text(text) && (handler.String(text) || Stop());
    }
    case 't':
      ++m_next;
      return Literal("rue") && (handler.Bool(true) || Stop());
    case 'f':
      ++m_next;
      return Literal("alse") && (handler.Bool(false) || Stop());
    case 'n':
      ++m_next;
      return Literal("ull") && (handler.Null() || Stop());
    case -1:
      return Fail(QStringLiteral("the document ends too early"));
    default:
      if (byte == '-' || IsDigit(byte)) {
        return NumberValue(handler);
      }
      return Fail(QStringLiteral("a value expected"));
  }
}

bool JsonReader::Object(JsonHandler& handler, int depth) {
  ++m_next;
  if (depth >= m_limits.depth) {
    return Fail(QStringLiteral("more than %1 levels of arrays and objects").arg(m_limits.depth));
  }
  if (!handler.BeginObject()) {
    return Stop();
  }
  if (PeekPastSpace() == '}') {
    ++m_next;
    return handler.EndObject() || Stop();
  }
  for (;;) {
    QString name;
    if (!Expect('"', "a member's name") || !Text(name)) {
      return false;
    }
    if (!handler.Key(name)) {
      return Stop();
    }
    if (!Expect(':', "\":\"") || !Value(handler, depth + 1)) {
      return false;
    }
    const int next = PeekPastSpace();
    ++m_next;
    if (next == '}') {
      return handler.EndObject() || Stop();
    }
    if (next != ',') {
      --m_next;
      return Fail(QStringLiteral("\",\" or \"}\" expected"));
    }
  }
}

bool JsonReader::Array(JsonHandler& handler, int depth) {
  ++m_next;
  if (depth >= m_limits.depth) {
    return Fail(QStringLiteral("more than %1 levels of arrays and objects").arg(m_limits.depth));
  }
  if (!handler.BeginArray()) {
    return Stop();
  }
  if (PeekPastSpace() == ']') {
    ++m_next;
    return handler.EndArray() || Stop();
  }
  for (;;) {
    if (!Value(handler, depth + 1)) {
      return false;
    }
    const int next = PeekPastSpace();
    ++m_next;
    if (next == ']') {
      return handler.EndArray() || Stop();
    }
    if (next != ',') {
      --m_next;
      return Fail(QStringLiteral("\",\" or \"]\" expected"));
    }
  }
}

bool JsonReader::Literal(const char* rest) {
  for (const char* c = rest; *c != '\0'; ++c) {
    if (Take() != static_cast<unsigned char>(*c)) {
      return Fail(QStringLiteral("a value expected"));
    }
  }
  return true;
}

bool JsonReader::NumberValue(JsonHandler& handler) {
  // -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
  char text[kMaxNumberChars + 1];
  int length = 0;
  const auto take = [&](auto accept) {
    const int byte = Peek();
    if (byte < 0 || !accept(byte) || length == kMaxNumberChars) {
      return false;
    }
    text[length++] = static_cast<char>(byte);
    ++m_next;
    return true;
  };
  const auto digits = [&] {
    int count = 0;
    while (take(IsDigit)) {
      ++count;
    }
    return count;
  };
  take([](int byte) { return byte == '-'; });
  const bool leadingZero = Peek() == '0';
  const int whole = digits();
  bool valid = whole > 0 && (!leadingZero || whole == 1);
  if (valid && take([](int byte) { return byte == '.'; })) {
    valid = digits() > 0;
  }
  if (valid && take([](int byte) { return byte == 'e' || byte == 'E'; })) {
    take([](int byte) { return byte == '+' || byte == '-'; });
    valid = digits() > 0;
  }
  const int after = Peek();
  if (!valid || IsDigit(after) || after == '.' || after == 'e' || after == 'E') {
    return Fail(QStringLiteral("a malformed or overlong number"));
  }
  double value = 0;
  const char* first = text[0] == '-' ? text + 1 : text;
  const auto [end, failure] = std::from_chars(first, text + length, value);
  if (failure == std::errc::invalid_argument || end != text + length) {
    return Fail(QStringLiteral("a malformed number"));
  }
  if (failure == std::errc::result_out_of_range) {
    return Fail(QStringLiteral("a number out of range"));
  }
  return handler.Number(text[0] == '-' ? -value : value) || Stop();
}

bool JsonReader::Text(QString& out) {
  m_text.clear();
  for (;;) {
    // A run of plain ASCII is copied as it stands.
    while (m_next < m_end) {
      const auto byte = static_cast<unsigned char>(m_piece[m_next]);
      if (byte < 0x20 || byte == '"' || byte == '\\' || byte >= 0x80) {
        break;
      }
      m_text.push_back(byte);
      ++m_next;
    }
    if (static_cast<qsizetype>(m_text.size()) > m_limits.textUnits) {
      return Fail(QStringLiteral("a text longer than %1 characters").arg(m_limits.textUnits));
    }
    const int byte = Take();
    if (byte == '"') {
      out = QString(reinterpret_cast<const QChar*>(m_text.data()),
                    static_cast<qsizetype>(m_text.size()));
      return true;
    }
    if (byte < 0) {
      return Fail(QStringLiteral("the document ends inside a text"));
    }
    if (byte == '\\') {
      if (!Escape()) {
        return false;
      }
    } else if (byte >= 0x80) {
      if (!MultiByte(byte)) {
        return false;
      }
    } else if (byte < 0x20) {
      --m_next;
      return Fail(QStringLiteral("a control character inside a text"));
    } else {
      m_text.push_back(static_cast<char16_t>(byte));  // the first byte of a new piece
    }
  }
}

bool JsonReader::Escape() {
  const int byte = Take();
  switch (byte) {
    case '"':
    case '\\':
    case '/':
      m_text.push_back(static_cast<char16_t>(byte));
      return true;
    case 'b':
      m_text.push_back(u'\b');
      return true;
    case 'f':
      m_text.push_back(u'\f');
      return true;
    case 'n':
      m_text.push_back(u'\n');
      return true;
    case 'r':
      m_text.push_back(u'\r');
      return true;
    case 't':
      m_text.push_back(u'\t');
      return true;
    case 'u': {
      int unit = 0;
      for (int i = 0; i < 4; ++i) {
        const int digit = HexDigit(Take());
        if (digit < 0) {
          return Fail(QStringLiteral("a malformed \\u escape"));
        }
        unit = unit * 16 + digit;
      }
      // Kept as the unit it names, a surrogate without its partner too.
      m_text.push_back(static_cast<char16_t>(unit));
      return true;
    }
    default:
      return Fail(QStringLiteral("an unknown escape"));
  }
}

bool JsonReader::MultiByte(int lead) {
  int count = 0;
  char32_t code = 0;
  if ((lead & 0xE0) == 0xC0) {
    count = 1;
    code = static_cast<char32_t>(lead & 0x1F);
  } else if ((lead & 0xF0) == 0xE0) {
    count = 2;
    code = static_cast<char32_t>(lead & 0x0F);
  } else if ((lead & 0xF8) == 0xF0) {
    count = 3;
    code = static_cast<char32_t>(lead & 0x07);
  } else {
    return Fail(QStringLiteral("a text that is not UTF-8"));
  }
  for (int i = 0; i < count; ++i) {
    const int byte = Take();
    if (byte < 0 || (byte & 0xC0) != 0x80) {
      return Fail(QStringLiteral("a text that is not UTF-8"));
    }
    code = (code << 6) | static_cast<char32_t>(byte & 0x3F);
  }
  static constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
  if (code < kSmallest[count] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
    return Fail(QStringLiteral("a text that is not UTF-8"));
  }
  if (code >= 0x10000) {
    m_text.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
    m_text.push_back(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
  } else {
    m_text.push_back(static_cast<char16_t>(code));
  }
  return true;
}

}  // namespace platform
