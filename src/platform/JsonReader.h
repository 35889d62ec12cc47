#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

class QIODevice;

namespace platform {

// What a JsonReader finds, an event at a time. Each answers false to stop the reading.
class JsonHandler {
 public:
  virtual ~JsonHandler() = default;
  virtual bool BeginObject() = 0;
  virtual bool EndObject() = 0;
  virtual bool BeginArray() = 0;
  virtual bool EndArray() = 0;
  virtual bool Key(const QString& name) = 0;
  virtual bool String(const QString& text) = 0;
  virtual bool Number(double value) = 0;
  virtual bool Bool(bool value) = 0;
  virtual bool Null() = 0;
};

// Reads one JSON document from a device as a stream: a piece of the input at a time, never the
// whole of it, and no value longer than its limits. Texts are read into UTF-16 as QJsonDocument
// reads them, an escaped surrogate that has no partner included, so that every text that was
// written can be read back.
class JsonReader {
 public:
  struct Limits {
    qsizetype textUnits;  // the longest text, in UTF-16 units
    int depth;            // arrays and objects within each other
  };

  JsonReader(QIODevice& input, Limits limits);

  // Reads the document to the end of the input. False when the text is not JSON, breaks a limit or
  // cannot be read (Error() says why and where), or when the handler stopped (Error() is empty).
  bool Read(JsonHandler& handler);
  const QString& Error() const { return m_error; }
  // The bytes of the input read so far.
  int64_t Position() const { return m_before + m_next; }

 private:
  bool Value(JsonHandler& handler, int depth);
  bool Object(JsonHandler& handler, int depth);
  bool Array(JsonHandler& handler, int depth);
  bool Text(QString& out);
  bool Escape();
  bool MultiByte(int lead);
  bool NumberValue(JsonHandler& handler);
  bool Literal(const char* rest);

  // The next byte without taking it, or -1 at the end of the input.
  int Peek();
  int Take();
  // Skips white space and answers the byte after it, not taken.
  int PeekPastSpace();
  bool Expect(char byte, const char* what);
  bool Fail(const QString& what);
  bool Stop();
  bool Refill();

  QIODevice& m_input;
  Limits m_limits;
  QByteArray m_piece;
  qsizetype m_next = 0;
  qsizetype m_end = 0;
  int64_t m_before = 0;  // bytes of the pieces before this one
  bool m_readFailed = false;
  std::vector<char16_t> m_text;  // the text being read
  QString m_error;
};

}  // namespace platform
