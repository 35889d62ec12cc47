#include "notes/NoteExport.h"

#include <iconv.h>

#include <QSaveFile>
#include <QSysInfo>
#include <cerrno>
#include <cstring>

namespace note_export {
namespace {

constexpr const char* kCodePage = "WINDOWS-1252";
// QString holds UTF-16 in the machine's byte order.
constexpr const char* kUtf16 =
    QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "UTF-16LE" : "UTF-16BE";
constexpr char kReplacement = '?';

// One iconv conversion descriptor, closed when it goes.
class Converter {
 public:
  Converter() : m_cd(iconv_open(kCodePage, kUtf16)) {}
  ~Converter() {
    if (IsValid()) {
      iconv_close(m_cd);
    }
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool IsValid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
  iconv_t Get() const { return m_cd; }

 private:
  iconv_t m_cd;
};

// Bytes of input that the character at in takes: a surrogate pair is one character.
size_t CharacterBytes(const char* in, size_t inLeft) {
  if (inLeft >= 2 * sizeof(char16_t)) {
    char16_t units[2];
    std::memcpy(units, in, sizeof(units));
    if (QChar::isHighSurrogate(units[0]) && QChar::isLowSurrogate(units[1])) {
      return 2 * sizeof(char16_t);
    }
  }
  return qMin(inLeft, sizeof(char16_t));
}

}  // namespace

Encoded ToCodePage(const QString& text) {
  Encoded result;
  Converter converter;
  if (!converter.IsValid()) {
    return result;
  }
  // A single-byte code page gives at most one byte per UTF-16 unit.
  QByteArray out(text.size(), '\0');
  char* in = const_cast<char*>(reinterpret_cast<const char*>(text.utf16()));
  size_t inLeft = static_cast<size_t>(text.size()) * sizeof(char16_t);
  char* next = out.data();
  size_t outLeft = static_cast<size_t>(out.size());
  while (inLeft > 0 && iconv(converter.Get(), &in, &inLeft, &next, &outLeft) == size_t(-1)) {
    // EILSEQ: a character without a byte in the code page (or a lone surrogate); EINVAL: a high
    // surrogate that ends the text. Either stands as '?' and the conversion goes on after it.
    if ((errno != EILSEQ && errno != EINVAL) || outLeft == 0) {
      return result;
    }
    const size_t skipped = CharacterBytes(in, inLeft);
    in += skipped;
    inLeft -= skipped;
    *next++ = kReplacement;
    --outLeft;
    ++result.replaced;
  }
  out.truncate(next - out.data());
  out.append('\0');
  result.bytes = out;
  result.ok = true;
  return result;
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    return false;
  }
  // A file left uncommitted is dropped, and the old one kept, when the object goes.
  return file.write(bytes) == bytes.size() && file.commit();
}

}  // namespace note_export
