#include "common/ByteStream.h"

#include <cstring>

namespace bytes {

size_t AddStringSize(const QString& text) {
  return sizeof(uint32_t) + (static_cast<size_t>(text.size()) + 1) * sizeof(char16_t);
}

bool Reader::ReadData(void* out, size_t count) {
  if (count > Remaining()) {
    return false;
  }
  if (count > 0) {
    std::memcpy(out, m_data + m_offset, count);
  }
  m_offset += count;
  return true;
}

bool Reader::ReadU8(uint8_t& out) {
  return ReadData(&out, 1);
}

bool Reader::ReadU16(uint16_t& out) {
  uint8_t raw[2];
  if (!ReadData(raw, sizeof raw)) {
    return false;
  }
  out = static_cast<uint16_t>(raw[0] | raw[1] << 8);
  return true;
}

bool Reader::ReadU32(uint32_t& out) {
  uint8_t raw[4];
  if (!ReadData(raw, sizeof raw)) {
    return false;
  }
  out = static_cast<uint32_t>(raw[0]) | static_cast<uint32_t>(raw[1]) << 8 |
        static_cast<uint32_t>(raw[2]) << 16 | static_cast<uint32_t>(raw[3]) << 24;
  return true;
}

bool Reader::ReadI32(int32_t& out) {
  uint32_t raw = 0;
  if (!ReadU32(raw)) {
    return false;
  }
  out = static_cast<int32_t>(raw);
  return true;
}

bool Reader::ReadFileTime(FILETIME& out) {
  const size_t start = m_offset;
  FILETIME value;
  if (!ReadU32(value.dwLowDateTime) || !ReadU32(value.dwHighDateTime)) {
    m_offset = start;
    return false;
  }
  out = value;
  return true;
}

bool Reader::ReadString(QString& out) {
  const size_t start = m_offset;
  uint32_t count = 0;
  if (!ReadU32(count) || !ReadStringUnits(count, out)) {
    m_offset = start;
    return false;
  }
  return true;
}

bool Reader::ReadStringUnits(uint32_t countWithZero, QString& out) {
  // Checked against the rest of the buffer before anything is allocated.
  if (countWithZero == 0 || countWithZero > Remaining() / sizeof(char16_t)) {
    return false;
  }
  const uint8_t* units = m_data + m_offset;
  const size_t last = (countWithZero - 1) * sizeof(char16_t);
  if (units[last] != 0 || units[last + 1] != 0) {
    return false;
  }
  QString text(static_cast<qsizetype>(countWithZero - 1), Qt::Uninitialized);
  for (uint32_t i = 0; i + 1 < countWithZero; ++i) {
    text[i] = QChar(static_cast<char16_t>(units[2 * i] | units[2 * i + 1] << 8));
  }
  m_offset += countWithZero * sizeof(char16_t);
  out = text;
  return true;
}

void Writer::WriteData(const void* data, size_t count) {
  const auto* begin = static_cast<const uint8_t*>(data);
  m_out.insert(m_out.end(), begin, begin + count);
}

void Writer::WriteU8(uint8_t value) {
  m_out.push_back(value);
}

void Writer::WriteU16(uint16_t value) {
  m_out.push_back(static_cast<uint8_t>(value));
  m_out.push_back(static_cast<uint8_t>(value >> 8));
}

void Writer::WriteU32(uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) {
    m_out.push_back(static_cast<uint8_t>(value >> shift));
  }
}

void Writer::WriteI32(int32_t value) {
  WriteU32(static_cast<uint32_t>(value));
}

void Writer::WriteFileTime(const FILETIME& value) {
  WriteU32(value.dwLowDateTime);
  WriteU32(value.dwHighDateTime);
}

void Writer::WriteString(const QString& text) {
  WriteU32(static_cast<uint32_t>(text.size() + 1));
  WriteStringUnits(text);
}

void Writer::WriteStringUnits(const QString& text) {
  for (const QChar unit : text) {
    WriteU16(unit.unicode());
  }
  WriteU16(0);
}

}  // namespace bytes
