#include "production/Connection.h"

#include <cstdlib>

#include <libpq-fe.h>

namespace vantor::production {

namespace {

std::string trimmed(const char *text) {
    std::string s = text ? text : "";
    while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
    return s;
}

}  // namespace

bool isDatabaseLocation(const std::string &location) {
    return location.rfind("postgresql://", 0) == 0 || location.rfind("postgres://", 0) == 0;
}

QueryResult::QueryResult(pg_result *result) : result_(result) {}
QueryResult::~QueryResult() {
    if (result_) PQclear(result_);
}
QueryResult::QueryResult(QueryResult &&other) noexcept : result_(other.result_) { other.result_ = nullptr; }
int QueryResult::rows() const { return PQntuples(result_); }
int QueryResult::affected() const {
    const char *n = PQcmdTuples(result_);
    return n && *n ? std::atoi(n) : 0;
}
bool QueryResult::isNull(int row, int column) const { return PQgetisnull(result_, row, column); }
std::string QueryResult::text(int row, int column) const { return PQgetvalue(result_, row, column); }
long long QueryResult::integer(int row, int column) const { return std::atoll(PQgetvalue(result_, row, column)); }

Connection::Connection(const std::string &conninfo) {
    // A station that cannot reach the server says so within seconds instead of hanging;
    // the connection string's own settings come last and win.
    const char *keys[] = {"connect_timeout", "application_name", "dbname", nullptr};
    const char *values[] = {std::getenv("PGCONNECT_TIMEOUT") ? nullptr : "5", "vantor",
                            conninfo.empty() ? nullptr : conninfo.c_str(), nullptr};
    conn_ = PQconnectdbParams(keys, values, 1);
    if (!conn_) throw DatabaseUnreachable("cannot connect to the database: out of memory");
    if (PQstatus(conn_) != CONNECTION_OK) {
        const std::string message = trimmed(PQerrorMessage(conn_));
        PQfinish(conn_);
        throw DatabaseUnreachable("cannot connect to the database: " + message);
    }
    PQsetNoticeProcessor(conn_, [](void *, const char *) {}, nullptr);
}

Connection::~Connection() { PQfinish(conn_); }

bool Connection::broken() const { return lost_ || PQstatus(conn_) != CONNECTION_OK; }

std::string Connection::describe() const {
    return std::string(PQuser(conn_)) + "@" + PQhost(conn_) + ":" + PQport(conn_) + "/" + PQdb(conn_);
}

QueryResult Connection::exec(const std::string &sql, const Parameters &parameters) {
    std::vector<const char *> values;
    for (const auto &p : parameters) values.push_back(p ? p->c_str() : nullptr);
    return checked(PQexecParams(conn_, sql.c_str(), int(values.size()), nullptr, values.data(), nullptr, nullptr, 0));
}

void Connection::execScript(const std::string &sql) { checked(PQexec(conn_, sql.c_str())); }

QueryResult Connection::checked(pg_result *raw) {
    QueryResult result(raw);
    const ExecStatusType status = raw ? PQresultStatus(raw) : PGRES_FATAL_ERROR;
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) return result;
    const std::string message = trimmed(raw ? PQresultErrorMessage(raw) : PQerrorMessage(conn_));
    // No SQLSTATE means libpq itself lost the server; class 08 and the 57P shutdown codes
    // are the server going away.
    const char *state = raw ? PQresultErrorField(raw, PG_DIAG_SQLSTATE) : nullptr;
    const std::string code = state ? state : "";
    if (code.empty() || code.rfind("08", 0) == 0 || code.rfind("57P", 0) == 0) lost_ = true;
    if (broken()) throw DatabaseUnreachable("lost the connection to the database: " + message);
    throw ProductionError(message);
}

Transaction::Transaction(Connection &connection) : connection_(connection) { connection_.exec("BEGIN"); }
Transaction::~Transaction() {
    if (open_ && !connection_.broken()) {
        try {
            connection_.exec("ROLLBACK");
        } catch (const ProductionError &) {
        }
    }
}
void Transaction::commit() {
    open_ = false;
    connection_.exec("COMMIT");
}

}  // namespace vantor::production
