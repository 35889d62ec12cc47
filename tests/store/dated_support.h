#pragma once

// Helpers of the dated chart stores' tests (vital signs, lab results, tests, notes).

#include <gtest/gtest.h>

#include <QString>
#include <cstdint>
#include <vector>

#include "common/CDBPatient.h"
#include "common/MessageService.h"
#include "platform/Clock.h"
#include "platform/FileTime.h"
#include "support/TempDevice.h"
#include "support/TestGuard.h"
#include "support/TestTime.h"

namespace dated_support {

using test_time::At;

// Files a patient on the current device the way a transfer does, so that records received after
// it belong to it.
inline void FilePatient(const QString& first, const QString& last) {
  CDBPatient patient;
  patient.firstName = first;
  patient.lastName = last;
  patient.patientType = QStringLiteral("Clinic");
  ASSERT_TRUE(patient.CreateRecord(false));
  CDBPatient::SetLastPatientWritten(patient.name);
}

// The serialised form written out by hand, independently of the program's writer.
class ExpectedBytes {
 public:
  ExpectedBytes& U8(uint8_t value) {
    m_bytes.push_back(value);
    return *this;
  }
  ExpectedBytes& U32(uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
      m_bytes.push_back(static_cast<uint8_t>(value >> shift));
    }
    return *this;
  }
  ExpectedBytes& Time(const FILETIME& time) {
    return U32(time.dwLowDateTime).U32(time.dwHighDateTime);
  }
  ExpectedBytes& Text(const QString& text) {
    U32(static_cast<uint32_t>(text.size() + 1));
    for (const QChar unit : text) {
      m_bytes.push_back(static_cast<uint8_t>(unit.unicode() & 0xFF));
      m_bytes.push_back(static_cast<uint8_t>(unit.unicode() >> 8));
    }
    m_bytes.push_back(0);
    m_bytes.push_back(0);
    return *this;
  }
  const std::vector<uint8_t>& Bytes() const { return m_bytes; }

 private:
  std::vector<uint8_t> m_bytes;
};

// A fresh device per test, with the process-wide state put back around it.
class DatedStoreTest : public ::testing::Test {
 protected:
  TestGuard m_guard;
  TempDevice device;
};

}  // namespace dated_support
