// SPDX-License-Identifier: GPL-3.0-or-later
#include "LibPq.h"

#include "SharedLibrary.h"

const LibPq* LibPq::get()
{
    // A function's static is made once, the threads that ask meanwhile waiting for it.
    static const std::optional<LibPq> loaded = load(QStringLiteral("pq"), 5);
    return loaded ? &*loaded : nullptr;
}

std::optional<LibPq> LibPq::load(const QString& name, int version)
{
    SharedLibrary library(name, version);
    LibPq pq;
    library.read(pq.clear, "PQclear");
    library.read(pq.errorMessage, "PQerrorMessage");
    library.read(pq.exec, "PQexec");
    library.read(pq.execParams, "PQexecParams");
    library.read(pq.getResult, "PQgetResult");
    library.read(pq.getlength, "PQgetlength");
    library.read(pq.getvalue, "PQgetvalue");
    library.read(pq.ntuples, "PQntuples");
    library.read(pq.ping, "PQping");
    library.read(pq.putCopyData, "PQputCopyData");
    library.read(pq.putCopyEnd, "PQputCopyEnd");
    library.read(pq.registerEventProc, "PQregisterEventProc");
    library.read(pq.resultErrorField, "PQresultErrorField");
    library.read(pq.resultErrorMessage, "PQresultErrorMessage");
    library.read(pq.resultStatus, "PQresultStatus");
    library.read(pq.status, "PQstatus");
    library.read(pq.transactionStatus, "PQtransactionStatus");
    if (!library.complete())
        return std::nullopt;
    return pq;
}
