#include "sync/WardConnection.h"

namespace ward {

QString Result::Text(int row, int column) const {
  return QString::fromUtf8(Bytes(row, column));
}

QByteArray Result::Bytes(int row, int column) const {
  return QByteArray(PQgetvalue(m_result.get(), row, column),
                    PQgetlength(m_result.get(), row, column));
}

int64_t Result::Int(int row, int column) const {
  return std::strtoll(PQgetvalue(m_result.get(), row, column), nullptr, 10);
}

bool Result::Bool(int row, int column) const {
  return PQgetvalue(m_result.get(), row, column)[0] == 't';
}

Connection::~Connection() {
  if (m_connection) {
    PQfinish(m_connection);
  }
}

bool CarriesPassword(const QString& conninfo) {
  char* message = nullptr;
  PQconninfoOption* options = PQconninfoParse(conninfo.toUtf8().constData(), &message);
  PQfreemem(message);
  if (!options) {
    return false;
  }
  bool carries = false;
  for (const PQconninfoOption* option = options; option->keyword; ++option) {
    if (std::string_view(option->keyword) == "password" && option->val && option->val[0]) {
      carries = true;
    }
  }
  PQconninfoFree(options);
  return carries;
}

bool Connection::Open(const QString& conninfo, QString& error) {
  if (CarriesPassword(conninfo)) {
    error = QStringLiteral(
        "The server address holds a password. Keep passwords out of command lines and settings: "
        "put it in ~/.pgpass or the environment (PGPASSWORD), or use a client certificate.");
    return false;
  }
  // Fail fast on an unreachable server rather than wait on the system's TCP time-out.
  const QByteArray info = conninfo.toUtf8();
  const char* keywords[] = {"dbname", "connect_timeout", "application_name", nullptr};
  const char* values[] = {info.constData(), "10", "ovelin", nullptr};
  m_connection = PQconnectdbParams(keywords, values, 1);
  if (!m_connection || PQstatus(m_connection) != CONNECTION_OK) {
    error = QStringLiteral("Could not connect to the ward server: %1")
                .arg(m_connection ? QString::fromUtf8(PQerrorMessage(m_connection)).trimmed()
                                  : QStringLiteral("out of memory"));
    return false;
  }
  // Times travel as ISO 8601 texts and are read back in the same form.
  if (!Execute("SET datestyle = 'ISO'") || !Execute("SET client_encoding = 'UTF8'")) {
    error = m_error;
    return false;
  }
  return true;
}

std::optional<Result> Connection::Run(const std::string& sql, const Values& params) {
  std::vector<const char*> texts;
  std::vector<int> lengths;
  texts.reserve(params.size());
  lengths.reserve(params.size());
  for (const Value& param : params) {
    texts.push_back(param ? param->constData() : nullptr);
    lengths.push_back(param ? static_cast<int>(param->size()) : 0);
  }
  // Without parameters the text may hold several statements (the schema script).
  PGresult* raw = params.empty()
                      ? PQexec(m_connection, sql.c_str())
                      : PQexecParams(m_connection, sql.c_str(), static_cast<int>(params.size()),
                                     nullptr, texts.data(), lengths.data(), nullptr, 0);
  const ExecStatusType status = raw ? PQresultStatus(raw) : PGRES_FATAL_ERROR;
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
    const char* code = raw ? PQresultErrorField(raw, PG_DIAG_SQLSTATE) : nullptr;
    m_errorCode = code ? code : "";
    m_error =
        QString::fromUtf8(raw ? PQresultErrorMessage(raw) : PQerrorMessage(m_connection)).trimmed();
    if (m_error.isEmpty()) {
      m_error = QString::fromUtf8(PQerrorMessage(m_connection)).trimmed();
    }
    PQclear(raw);
    return std::nullopt;
  }
  return Result(raw);
}

QString Connection::Describe() const {
  return QStringLiteral("%1@%2 on %3")
      .arg(QString::fromUtf8(PQuser(m_connection)), QString::fromUtf8(PQdb(m_connection)),
           QString::fromUtf8(PQhost(m_connection)));
}

}  // namespace ward
