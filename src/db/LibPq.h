// SPDX-License-Identifier: GPL-3.0-or-later
// libpq's entry points that the program calls itself, read from the system's libpq.so.5 when a
// server address book first needs them instead of being linked: linked, the library and the
// twenty it brings (Kerberos, LDAP, SASL, TLS, ...) would be loaded and bound before main() at
// every start, though only a server address book uses them, and Qt's PostgreSQL driver loads
// the same library by itself then.
#pragma once

#include <libpq-events.h>
#include <libpq-fe.h>

#include <QString>

#include <optional>

struct LibPq {
    decltype(&::PQclear) clear = nullptr;
    decltype(&::PQerrorMessage) errorMessage = nullptr;
    decltype(&::PQexec) exec = nullptr;
    decltype(&::PQexecParams) execParams = nullptr;
    decltype(&::PQgetResult) getResult = nullptr;
    decltype(&::PQgetlength) getlength = nullptr;
    decltype(&::PQgetvalue) getvalue = nullptr;
    decltype(&::PQntuples) ntuples = nullptr;
    decltype(&::PQping) ping = nullptr;
    decltype(&::PQputCopyData) putCopyData = nullptr;
    decltype(&::PQputCopyEnd) putCopyEnd = nullptr;
    decltype(&::PQregisterEventProc) registerEventProc = nullptr;
    decltype(&::PQresultErrorField) resultErrorField = nullptr;
    decltype(&::PQresultErrorMessage) resultErrorMessage = nullptr;
    decltype(&::PQresultStatus) resultStatus = nullptr;
    decltype(&::PQstatus) status = nullptr;
    decltype(&::PQtransactionStatus) transactionStatus = nullptr;

    // The entry points, read once by whichever thread asks first; null when the library or any
    // of them is missing. A connection handle only comes through ServerRows::handleOf(), which
    // has none then, so code that holds one calls through get() without asking again.
    static const LibPq* get();
    // Every entry point from the library of this name and major version ("pq", 5), or nothing
    // when it cannot be loaded or lacks one of them.
    static std::optional<LibPq> load(const QString& name, int version);
};
