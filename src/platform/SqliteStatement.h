#pragma once

#include <sqlite3.h>

#include <QByteArray>
#include <QString>
#include <cstdint>

#include "platform/StoreError.h"

namespace platform {

// Binding values to one prepared SQLite statement, stepping it and reading its columns. Who
// prepares the statement and who releases it is the deriving class's business (the registry
// prepares and finalizes its own; the property database borrows cached ones). A step that ends in
// anything but a row or the end is reported as a store failure with SQLite's cause.
class SqliteStatement {
 public:
  SqliteStatement(const SqliteStatement&) = delete;
  SqliteStatement& operator=(const SqliteStatement&) = delete;

  bool Ok() const { return m_statement != nullptr; }
  void Bind(int index, int64_t value) {
    if (m_statement) {
      sqlite3_bind_int64(m_statement, index, value);
    }
  }
  void Bind(int index, const QString& text) {
    if (m_statement) {
      // An empty text binds as '' (never NULL, which NOT NULL columns would refuse).
      const void* data = text.isEmpty() ? static_cast<const void*>(u"") : text.utf16();
      sqlite3_bind_text16(m_statement, index, data, static_cast<int>(text.size() * 2),
                          SQLITE_TRANSIENT);
    }
  }
  void BindBlob(int index, const QByteArray& bytes) {
    if (!m_statement) {
      return;
    }
    if (bytes.isEmpty()) {
      sqlite3_bind_zeroblob(m_statement, index, 0);  // an empty value, not NULL
    } else {
      sqlite3_bind_blob(m_statement, index, bytes.constData(), static_cast<int>(bytes.size()),
                        SQLITE_TRANSIENT);
    }
  }
  // Makes the statement ready for the next set of bindings.
  void Reset() {
    if (m_statement) {
      sqlite3_reset(m_statement);
    }
  }
  // SQLITE_ROW, SQLITE_DONE or an error (reported). A statement that could not be prepared was
  // reported when it failed and answers SQLITE_MISUSE here.
  int Step() {
    if (!m_statement) {
      return SQLITE_MISUSE;
    }
    const int rc = sqlite3_step(m_statement);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
      ReportSqliteFailure(sqlite3_db_handle(m_statement), rc);
    }
    return rc;
  }
  // Runs to the end; true when it got there without an error.
  bool Run() {
    int rc = Step();
    while (rc == SQLITE_ROW) {
      rc = Step();
    }
    return rc == SQLITE_DONE;
  }
  bool IsNull(int column) const { return sqlite3_column_type(m_statement, column) == SQLITE_NULL; }
  int64_t Int(int column) const { return sqlite3_column_int64(m_statement, column); }
  QString Text(int column) const {
    const void* text = sqlite3_column_text16(m_statement, column);
    const int bytes = sqlite3_column_bytes16(m_statement, column);
    return text && bytes > 0 ? QString(static_cast<const QChar*>(text), bytes / 2) : QString();
  }
  // By stored length: zero bytes inside the value are kept.
  QByteArray Blob(int column) const {
    const void* data = sqlite3_column_blob(m_statement, column);
    const int size = sqlite3_column_bytes(m_statement, column);
    return data && size > 0 ? QByteArray(static_cast<const char*>(data), size) : QByteArray();
  }

 protected:
  explicit SqliteStatement(sqlite3_stmt* statement) : m_statement(statement) {}
  ~SqliteStatement() = default;

  sqlite3_stmt* m_statement;
};

}  // namespace platform
