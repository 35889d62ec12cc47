#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/FileTime.h"

// The one reader and the one writer of every binary form of the program (serialised records, the
// beam wire format). Integers are little-endian; a FILETIME is 8 bytes, low half first; a text is a
// 32-bit count of UTF-16 code units including the terminating zero, then those units.
namespace bytes {

// Stored size of a text: the count field plus its units and the terminating zero.
size_t AddStringSize(const QString& text);

class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
  explicit Reader(const std::vector<uint8_t>& data) : Reader(data.data(), data.size()) {}

  // Each read copies one field at the running offset and advances it. A read that would pass the
  // end of the buffer reads nothing, leaves the offset alone and answers false.
  bool ReadData(void* out, size_t count);
  bool ReadU8(uint8_t& out);
  bool ReadU16(uint16_t& out);
  bool ReadU32(uint32_t& out);
  bool ReadI32(int32_t& out);
  bool ReadFileTime(FILETIME& out);
  // False when the count does not fit the rest of the buffer, is 0, or the last unit is not 0.
  bool ReadString(QString& out);
  // The units of a text whose count was read separately (the category wire form).
  bool ReadStringUnits(uint32_t countWithZero, QString& out);

  size_t Offset() const { return m_offset; }
  size_t Remaining() const { return m_size - m_offset; }

 private:
  const uint8_t* m_data;
  size_t m_size;
  size_t m_offset = 0;
};

class Writer {
 public:
  explicit Writer(std::vector<uint8_t>& out) : m_out(out) {}

  void WriteData(const void* data, size_t count);
  void WriteU8(uint8_t value);
  void WriteU16(uint16_t value);
  void WriteU32(uint32_t value);
  void WriteI32(int32_t value);
  void WriteFileTime(const FILETIME& value);
  void WriteString(const QString& text);
  // The units of a text with its terminating zero, without the count.
  void WriteStringUnits(const QString& text);

 private:
  std::vector<uint8_t>& m_out;
};

}  // namespace bytes
