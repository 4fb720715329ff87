#pragma once
// libpq, loaded the first time a production line opens a database rather than when a program
// starts: it brings two dozen libraries (TLS, Kerberos, LDAP) that every other command of the
// command-line program would otherwise load and relocate for nothing.
#include <libpq-fe.h>

namespace vantor::production {

struct LibPq {
    decltype(&PQconnectdbParams) connectdbParams;
    decltype(&PQstatus) status;
    decltype(&PQerrorMessage) errorMessage;
    decltype(&PQfinish) finish;
    decltype(&PQsetNoticeProcessor) setNoticeProcessor;
    decltype(&PQexec) exec;
    decltype(&PQexecParams) execParams;
    decltype(&PQresultStatus) resultStatus;
    decltype(&PQresultErrorMessage) resultErrorMessage;
    decltype(&PQresultErrorField) resultErrorField;
    decltype(&PQntuples) ntuples;
    decltype(&PQcmdTuples) cmdTuples;
    decltype(&PQgetvalue) getvalue;
    decltype(&PQclear) clear;
};

// Loads the library once; throws DatabaseUnreachable, naming the library, when it or one of its
// functions is missing.
const LibPq &libpq();

}  // namespace vantor::production
