#pragma once
// One libpq connection. The connection string is a libpq URI ("postgresql://...") or
// key=value text; empty means the PG* environment variables alone.
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

struct pg_conn;
struct pg_result;

namespace vantor::production {

// A refusal with a sentence for the user; database errors carry the server's own message.
class ProductionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The database could not be reached (or the connection broke): records then go to the journal.
class DatabaseUnreachable : public ProductionError {
public:
    using ProductionError::ProductionError;
};

// Whether a --log value names a database rather than a CSV file.
bool isDatabaseLocation(const std::string &location);

class QueryResult {
public:
    explicit QueryResult(pg_result *result);
    ~QueryResult();
    QueryResult(QueryResult &&other) noexcept;
    QueryResult &operator=(QueryResult &&) = delete;
    QueryResult(const QueryResult &) = delete;

    int rows() const;
    int affected() const;  // rows an INSERT/UPDATE changed
    std::string text(int row, int column) const;
    long long integer(int row, int column) const;

private:
    pg_result *result_;
};

using Parameters = std::vector<std::optional<std::string>>;  // nullopt = NULL

class Connection {
public:
    // Throws DatabaseUnreachable with libpq's message, without the password.
    explicit Connection(const std::string &conninfo);
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // Runs one statement. A broken connection throws DatabaseUnreachable, any other
    // failure ProductionError with the server's message.
    QueryResult exec(const std::string &sql, const Parameters &parameters = {});
    // Several statements without parameters (migrations).
    void execScript(const std::string &sql);
    bool broken() const;

private:
    QueryResult checked(pg_result *raw);

    pg_conn *conn_;
    bool lost_ = false;
};

// BEGIN ... COMMIT; rolled back when left without commit().
class Transaction {
public:
    explicit Transaction(Connection &connection);
    ~Transaction();
    void commit();

private:
    Connection &connection_;
    bool open_ = true;
};

}  // namespace vantor::production
