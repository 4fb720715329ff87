#include "production/Connection.h"

#include <cstdlib>

#include "production/LibPq.h"

namespace vantor::production {

namespace {

std::string trimmed(const char *text) {
    std::string s = text ? text : "";
    while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
    return s;
}

// libpq quotes a URI it cannot parse; a password in it must not reach the screen or a log.
std::string withoutPassword(std::string message, const std::string &conninfo) {
    std::vector<std::string> secrets;
    const auto scheme = conninfo.find("://");
    if (scheme != std::string::npos) {
        const auto at = conninfo.find('@', scheme + 3);
        const auto colon = conninfo.find(':', scheme + 3);
        if (at != std::string::npos && colon < at) secrets.push_back(conninfo.substr(colon + 1, at - colon - 1));
    }
    for (auto key = conninfo.find("password"); key != std::string::npos; key = conninfo.find("password", key + 1)) {
        auto value = conninfo.find_first_not_of(" =", key + 8);
        if (value == std::string::npos || conninfo.find('=', key + 8) > value) continue;
        const auto end = conninfo.find_first_of(" &", value);
        secrets.push_back(conninfo.substr(value, end == std::string::npos ? std::string::npos : end - value));
    }
    for (const auto &secret : secrets)
        for (auto at = secret.empty() ? std::string::npos : message.find(secret); at != std::string::npos;
             at = message.find(secret, at))
            message.replace(at, secret.size(), "****");
    return message;
}

}  // namespace

bool isDatabaseLocation(const std::string &location) {
    return location.rfind("postgresql://", 0) == 0 || location.rfind("postgres://", 0) == 0;
}

QueryResult::QueryResult(pg_result *result) : result_(result) {}
QueryResult::~QueryResult() {
    if (result_) libpq().clear(result_);
}
QueryResult::QueryResult(QueryResult &&other) noexcept : result_(other.result_) { other.result_ = nullptr; }
int QueryResult::rows() const { return libpq().ntuples(result_); }
int QueryResult::affected() const {
    const char *n = libpq().cmdTuples(result_);
    return n && *n ? std::atoi(n) : 0;
}
std::string QueryResult::text(int row, int column) const { return libpq().getvalue(result_, row, column); }
long long QueryResult::integer(int row, int column) const { return std::atoll(libpq().getvalue(result_, row, column)); }

Connection::Connection(const std::string &conninfo) {
    // A station that cannot reach the server says so within seconds instead of hanging;
    // the connection string's own settings come last and win.
    const char *keys[] = {"connect_timeout", "application_name", "dbname", nullptr};
    const char *values[] = {std::getenv("PGCONNECT_TIMEOUT") ? nullptr : "5", "vantor",
                            conninfo.empty() ? nullptr : conninfo.c_str(), nullptr};
    const LibPq &pq = libpq();
    conn_ = pq.connectdbParams(keys, values, 1);
    if (!conn_) throw DatabaseUnreachable("cannot connect to the database: out of memory");
    if (pq.status(conn_) != CONNECTION_OK) {
        const std::string message = withoutPassword(trimmed(pq.errorMessage(conn_)), conninfo);
        pq.finish(conn_);
        throw DatabaseUnreachable("cannot connect to the database: " + message);
    }
    pq.setNoticeProcessor(
        conn_, [](void *, const char *) {}, nullptr);
}

Connection::~Connection() { libpq().finish(conn_); }

bool Connection::broken() const { return lost_ || libpq().status(conn_) != CONNECTION_OK; }

QueryResult Connection::exec(const std::string &sql, const Parameters &parameters) {
    std::vector<const char *> values;
    for (const auto &p : parameters) values.push_back(p ? p->c_str() : nullptr);
    return checked(
        libpq().execParams(conn_, sql.c_str(), int(values.size()), nullptr, values.data(), nullptr, nullptr, 0));
}

void Connection::execScript(const std::string &sql) { checked(libpq().exec(conn_, sql.c_str())); }

QueryResult Connection::checked(pg_result *raw) {
    QueryResult result(raw);
    const ExecStatusType status = raw ? libpq().resultStatus(raw) : PGRES_FATAL_ERROR;
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) return result;
    const std::string message = trimmed(raw ? libpq().resultErrorMessage(raw) : libpq().errorMessage(conn_));
    // No SQLSTATE means libpq itself lost the server; class 08 and the 57P shutdown codes
    // are the server going away.
    const char *state = raw ? libpq().resultErrorField(raw, PG_DIAG_SQLSTATE) : nullptr;
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
        } catch (const ProductionError &) {}
    }
}
void Transaction::commit() {
    open_ = false;
    connection_.exec("COMMIT");
}

}  // namespace vantor::production
