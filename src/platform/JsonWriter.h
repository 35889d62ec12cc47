#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <vector>

namespace platform {

// Writes one JSON document as it goes, in exactly the text that QJsonDocument::toJson(Indented)
// makes of the same document: four spaces a level, "key": value, an empty array or object as its
// brackets on two lines, and the document ending in a line feed. The caller gives each object's
// keys in QJsonObject's order (sorted by code unit); the writer does not sort them. Nothing is
// held but a buffer of a few hundred KiB, handed to the sink whenever it fills.
class JsonWriter {
 public:
  using Sink = std::function<bool(const QByteArray& bytes)>;

  explicit JsonWriter(Sink sink);

  void BeginObject();
  void EndObject();
  void BeginArray();
  void EndArray();
  // The key of the next member of the open object.
  void Key(const char* name);
  void String(const QString& text);
  // Numbers are written as QJsonValue writes them: the shortest form of the double.
  void Number(double value);
  void Null();

  // Hands what is buffered to the sink; false once any handing failed.
  bool Flush();
  bool Failed() const { return m_failed; }

  // The text QJsonDocument writes for a string value, quotes included.
  static void AppendString(QByteArray& out, const QString& text);

 private:
  void BeforeValue();
  void Open(char bracket);
  void Close(char bracket);
  void Indent(size_t depth);
  void FlushWhenFull();

  Sink m_sink;
  QByteArray m_buffer;
  // One entry an open array or object: whether it has had an element yet.
  std::vector<bool> m_hasElements;
  bool m_afterKey = false;
  bool m_failed = false;
};

}  // namespace platform
