#include "production/LibPq.h"

#include <string>

#include "core/SharedLibrary.h"
#include "production/Connection.h"

namespace vantor::production {

namespace {

// The client library's ABI name, unchanged since PostgreSQL 8.2.
constexpr const char *kLibraryName = "libpq.so.5";

struct Loaded {
    SharedLibrary library;
    LibPq functions{};
    std::string error;

    template <typename Fn>
    void take(Fn &slot, const char *name) {
        slot = library.function<Fn>(name);
        if (!slot && error.empty()) error = std::string(kLibraryName) + " has no " + name;
    }

    Loaded() {
        if (!library.open(kLibraryName)) {
            error = "the PostgreSQL client library cannot be loaded (" + library.lastError() + ")";
            return;
        }
        LibPq &f = functions;
        take(f.connectdbParams, "PQconnectdbParams");
        take(f.status, "PQstatus");
        take(f.errorMessage, "PQerrorMessage");
        take(f.finish, "PQfinish");
        take(f.setNoticeProcessor, "PQsetNoticeProcessor");
        take(f.exec, "PQexec");
        take(f.execParams, "PQexecParams");
        take(f.resultStatus, "PQresultStatus");
        take(f.resultErrorMessage, "PQresultErrorMessage");
        take(f.resultErrorField, "PQresultErrorField");
        take(f.ntuples, "PQntuples");
        take(f.cmdTuples, "PQcmdTuples");
        take(f.getvalue, "PQgetvalue");
        take(f.clear, "PQclear");
    }
};

}  // namespace

const LibPq &libpq() {
    // Never unloaded: libpq and the libraries it brings may still run at exit.
    static const Loaded *const loaded = new Loaded;
    if (!loaded->error.empty()) throw DatabaseUnreachable("cannot connect to the database: " + loaded->error);
    return loaded->functions;
}

}  // namespace vantor::production
