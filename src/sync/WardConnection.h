#pragma once

#include <libpq-fe.h>

#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A connection to a ward server (PostgreSQL, through libpq), with the few calls the
// synchronisation makes: statements with text parameters, read back as text.
namespace ward {

// A parameter of a statement: a text, or SQL NULL.
using Value = std::optional<QByteArray>;
using Values = std::vector<Value>;

class Result {
 public:
  Result() = default;
  explicit Result(PGresult* result) : m_result(result, &PQclear) {}

  int Rows() const { return m_result ? PQntuples(m_result.get()) : 0; }
  bool IsNull(int row, int column) const { return PQgetisnull(m_result.get(), row, column) != 0; }
  QString Text(int row, int column) const;
  QByteArray Bytes(int row, int column) const;
  int64_t Int(int row, int column) const;
  bool Bool(int row, int column) const;

 private:
  std::shared_ptr<PGresult> m_result;
};

class Connection {
 public:
  Connection() = default;
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Connects; false with a message saying why (unreachable, refused credentials, ...). A
  // connection string that carries a password is refused before any connection is tried: a
  // password belongs in libpq's password file or the environment, never on a command line.
  bool Open(const QString& conninfo, QString& error);
  // The statement's result, or nullopt with the server's message in Error().
  std::optional<Result> Run(const std::string& sql, const Values& params = {});
  bool Execute(const std::string& sql) { return Run(sql).has_value(); }
  // The latest failure, in the server's words; its SQLSTATE code.
  const QString& Error() const { return m_error; }
  const std::string& ErrorCode() const { return m_errorCode; }
  // Who the server says this connection is (for messages): user@database on host.
  QString Describe() const;

 private:
  PGconn* m_connection = nullptr;
  QString m_error;
  std::string m_errorCode;
};

// Whether a connection string or URI names a password; false also when it cannot be parsed
// (libpq then tells why when connecting).
bool CarriesPassword(const QString& conninfo);

}  // namespace ward
