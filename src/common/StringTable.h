#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringView>
#include <array>
#include <concepts>
#include <cstdint>
#include <span>
#include <type_traits>
#include <vector>

// The string table: every text the user sees, by id (ids are named in common/StringIds.h). The
// table is resources/strings.tsv, compiled in as the resource ":/strings.tsv" and read once, on
// first use, from any thread.
namespace strings {

// The text of id; empty when the table has no such id.
QString Load(int id);
bool Exists(int id);
// Every id of the table, ascending.
std::vector<int> Ids();
// Ids that the table lists more than once, ascending (the first text is the one kept), and the
// 1-based numbers of the lines that are neither blank, comment nor entry. Both empty for a sound
// table.
std::vector<int> Duplicates();
std::vector<int> BadLines();

// The table's file format: one entry per line, "<decimal id>\t<text>", the text with the escapes
// \n, \r, \t and \\ (any other backslash stays as it is); blank lines and lines starting with '#'
// are skipped. Parse is what Load uses on the resource.
struct ParsedTable {
  QHash<int, QString> texts;
  std::vector<int> duplicates;
  std::vector<int> badLines;
};
ParsedTable Parse(const QByteArray& utf8);
QString Unescape(QStringView escaped);

// What an argument of Format may be, besides QString, QStringView, const char* (UTF-8) and
// const char16_t*.
template <typename T>
concept SignedNumber = std::signed_integral<T> && !std::same_as<T, bool>;
template <typename T>
concept UnsignedNumber = std::unsigned_integral<T> && !std::same_as<T, bool>;
template <typename T>
concept Enumeration = std::is_enum_v<T>;
// Other text types: QLatin1StringView, QChar, QByteArray (UTF-8) ...
template <typename T>
concept TextLike = !std::integral<T> && !std::is_enum_v<T> && !std::is_pointer_v<T> &&
                   !std::is_array_v<T> && std::constructible_from<QString, const T&>;

// One argument of Format: a text, a signed or an unsigned integer.
class Arg {
 public:
  enum class Kind : uint8_t { kText, kSigned, kUnsigned };

  explicit Arg(const QString& text) : m_kind(Kind::kText), m_text(text) {}
  explicit Arg(QStringView text) : m_kind(Kind::kText), m_text(text.toString()) {}
  explicit Arg(const char* text) : m_kind(Kind::kText), m_text(QString::fromUtf8(text)) {}
  explicit Arg(const char16_t* text) : m_kind(Kind::kText), m_text(QStringView(text).toString()) {}
  template <SignedNumber T>
  explicit Arg(T value) : m_kind(Kind::kSigned), m_signed(value) {}
  template <UnsignedNumber T>
  explicit Arg(T value) : m_kind(Kind::kUnsigned), m_unsigned(value) {}
  template <Enumeration T>
  explicit Arg(T value) : Arg(static_cast<std::underlying_type_t<T>>(value)) {}
  template <TextLike T>
  explicit Arg(const T& value) : m_kind(Kind::kText), m_text(value) {}
  // A flag is almost always a mistake here; say which text it stands for.
  explicit Arg(bool) = delete;

  Kind kind() const { return m_kind; }
  const QString& text() const { return m_text; }
  int64_t signedValue() const { return m_signed; }
  uint64_t unsignedValue() const { return m_unsigned; }

 private:
  Kind m_kind;
  QString m_text;
  int64_t m_signed = 0;
  uint64_t m_unsigned = 0;
};

// printf-style filling of a table text. Directives: %s (a text; an integer argument gives its
// decimal text), %d and %i (signed), %u, %x and %X (unsigned; a negative value that fits 32 bits is
// taken as its 32-bit two's complement), %c (a character: an integer's code point, or a text's
// first character) and %%. Flags '-' (left-align), '0' (pad numbers with zeros), '+', ' ' and '#'
// (0x prefix for %x); a width; a precision (at least that many digits, or at most that many
// characters of a text); length letters (h, l, ll, I64, ...) are accepted and ignored. A directive
// without an argument left gives nothing; surplus arguments are ignored; anything that is not a
// directive, such as "%q" or a trailing "%", is copied as it stands.
QString FormatArgs(const QString& pattern, std::span<const Arg> args);

template <typename... Args>
QString Format(const QString& pattern, const Args&... args) {
  const std::array<Arg, sizeof...(Args)> list{Arg(args)...};
  return FormatArgs(pattern, list);
}

template <typename... Args>
QString FormatId(int id, const Args&... args) {
  return Format(Load(id), args...);
}

}  // namespace strings
