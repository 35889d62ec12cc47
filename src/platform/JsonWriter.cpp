#include "platform/JsonWriter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>
#include <cmath>
#include <utility>

namespace platform {
namespace {

// The buffer is handed on once it holds this much.
constexpr qsizetype kFlushAt = 256 * 1024;

}  // namespace

JsonWriter::JsonWriter(Sink sink) : m_sink(std::move(sink)) {
  m_buffer.reserve(kFlushAt + 4096);
}

void JsonWriter::AppendString(QByteArray& out, const QString& text) {
  // Printable ASCII and the common escapes are written here; any other character takes Qt's own
  // writer for the whole text, so that every escape and every UTF-8 sequence is Qt's.
  const qsizetype start = out.size();
  out += '"';
  for (const QChar c : text) {
    const char16_t unit = c.unicode();
    if (unit >= 0x20 && unit < 0x7f && unit != u'"' && unit != u'\\') {
      out += static_cast<char>(unit);
    } else if (unit == u'"' || unit == u'\\') {
      out += '\\';
      out += static_cast<char>(unit);
    } else if (unit == u'\n') {
      out += "\\n";
    } else if (unit == u'\r') {
      out += "\\r";
    } else if (unit == u'\t') {
      out += "\\t";
    } else {
      out.truncate(start);
      const QByteArray quoted = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
      out += QByteArrayView(quoted).sliced(1, quoted.size() - 2);
      return;
    }
  }
  out += '"';
}

void JsonWriter::Indent(size_t depth) {
  m_buffer.append(static_cast<qsizetype>(4 * depth), ' ');
}

void JsonWriter::BeforeValue() {
  if (m_afterKey) {
    m_afterKey = false;
    return;
  }
  if (m_hasElements.empty()) {
    return;  // the document itself
  }
  if (m_hasElements.back()) {
    m_buffer += ",\n";
  }
  m_hasElements.back() = true;
  Indent(m_hasElements.size());
}

void JsonWriter::Key(const char* name) {
  if (m_hasElements.back()) {
    m_buffer += ",\n";
  }
  m_hasElements.back() = true;
  Indent(m_hasElements.size());
  m_buffer += '"';
  m_buffer += name;
  m_buffer += "\": ";
  m_afterKey = true;
}

void JsonWriter::Open(char bracket) {
  BeforeValue();
  m_buffer += bracket;
  m_buffer += '\n';
  m_hasElements.push_back(false);
}

void JsonWriter::Close(char bracket) {
  if (m_hasElements.back()) {
    m_buffer += '\n';
  }
  m_hasElements.pop_back();
  Indent(m_hasElements.size());
  m_buffer += bracket;
  if (m_hasElements.empty()) {
    m_buffer += '\n';
    Flush();
  } else {
    FlushWhenFull();
  }
}

void JsonWriter::BeginObject() {
  Open('{');
}

void JsonWriter::EndObject() {
  Close('}');
}

void JsonWriter::BeginArray() {
  Open('[');
}

void JsonWriter::EndArray() {
  Close(']');
}

void JsonWriter::String(const QString& text) {
  BeforeValue();
  AppendString(m_buffer, text);
  FlushWhenFull();
}

void JsonWriter::Number(double value) {
  BeforeValue();
  if (std::isfinite(value)) {
    m_buffer += QByteArray::number(value, 'g', QLocale::FloatingPointShortest);
  } else {
    m_buffer += "null";
  }
}

void JsonWriter::Null() {
  BeforeValue();
  m_buffer += "null";
}

void JsonWriter::FlushWhenFull() {
  if (m_buffer.size() >= kFlushAt) {
    Flush();
  }
}

bool JsonWriter::Flush() {
  if (!m_failed && !m_buffer.isEmpty() && !m_sink(m_buffer)) {
    m_failed = true;
  }
  m_buffer.resize(0);  // keeps the allocation for the next piece
  return !m_failed;
}

}  // namespace platform
