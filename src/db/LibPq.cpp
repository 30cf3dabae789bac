// SPDX-License-Identifier: GPL-3.0-or-later
#include "LibPq.h"

#include <QDebug>
#include <QLibrary>

const LibPq* LibPq::get()
{
    // A function's static is made once, the threads that ask meanwhile waiting for it.
    static const std::optional<LibPq> loaded = load(QStringLiteral("pq"), 5);
    return loaded ? &*loaded : nullptr;
}

std::optional<LibPq> LibPq::load(const QString& name, int version)
{
    // Never unloaded: the driver's connections and the program's share it until the end.
    QLibrary library(name, version);
    LibPq pq;
    bool found = library.load();
    const auto resolve = [&library, &found](auto& entry, const char* symbol) {
        entry = found ? reinterpret_cast<std::remove_reference_t<decltype(entry)>>(
                            library.resolve(symbol))
                      : nullptr;
        found = entry != nullptr;
    };
    resolve(pq.clear, "PQclear");
    resolve(pq.errorMessage, "PQerrorMessage");
    resolve(pq.exec, "PQexec");
    resolve(pq.execParams, "PQexecParams");
    resolve(pq.getResult, "PQgetResult");
    resolve(pq.getlength, "PQgetlength");
    resolve(pq.getvalue, "PQgetvalue");
    resolve(pq.ntuples, "PQntuples");
    resolve(pq.ping, "PQping");
    resolve(pq.putCopyData, "PQputCopyData");
    resolve(pq.putCopyEnd, "PQputCopyEnd");
    resolve(pq.registerEventProc, "PQregisterEventProc");
    resolve(pq.resultErrorField, "PQresultErrorField");
    resolve(pq.resultErrorMessage, "PQresultErrorMessage");
    resolve(pq.resultStatus, "PQresultStatus");
    resolve(pq.status, "PQstatus");
    resolve(pq.transactionStatus, "PQtransactionStatus");
    if (!found) {
        qWarning().noquote() << "libpq:" << library.errorString();
        return std::nullopt;
    }
    return pq;
}
