// SPDX-License-Identifier: GPL-3.0-or-later
#include "SqlDialect.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QUrl>
#include <QUrlQuery>

namespace {

bool isServerScheme(const QString& scheme)
{
    return scheme == QLatin1StringView("postgresql") || scheme == QLatin1StringView("postgres");
}

// What libpq is told unless the URL says otherwise, so that a server gone away is told within
// some 10 seconds rather than waited for: the wait for a connection, and over TCP the keepalive
// probes of an idle connection and the wait for a sent statement's acknowledgement (without
// which a pulled cable blocks a statement for a quarter of an hour). A Unix socket fails at once.
const std::pair<QLatin1StringView, QLatin1StringView> defaultOptions[] = {
    {QLatin1StringView("connect_timeout"), QLatin1StringView("10")},
    {QLatin1StringView("keepalives_idle"), QLatin1StringView("10")},
    {QLatin1StringView("keepalives_interval"), QLatin1StringView("3")},
    {QLatin1StringView("keepalives_count"), QLatin1StringView("3")},
    {QLatin1StringView("tcp_user_timeout"), QLatin1StringView("10000")},
};

// Taken from the URL's query where the authority or path left them out.
void takeQueryItem(const QString& key, const QString& value, SqlDialect::ServerAddress& address,
                   QStringList& options)
{
    if (key == QLatin1StringView("host"))
        address.host = value;
    else if (key == QLatin1StringView("port"))
        address.port = value.toInt();
    else if (key == QLatin1StringView("user"))
        address.user = value;
    else if (key == QLatin1StringView("dbname"))
        address.databaseName = value;
    else if (key != QLatin1StringView("password")) // never from a command line others can read
        options << key + u'=' + value;
}

// The SQLite result code nearest to a server's SQLSTATE, and the words for it.
std::pair<int, QString> nearestCode(const QString& state)
{
    const QString kind = state.left(2);
    if (kind == QLatin1StringView("08") || kind == QLatin1StringView("57") ||
        state == QLatin1StringView("3D000"))
        return {SqliteCode::CantOpen, QStringLiteral("无法连接数据库服务器，或连接已断开：")};
    if (kind == QLatin1StringView("28") || state == QLatin1StringView("42501"))
        return {SqliteCode::Permission, QStringLiteral("数据库服务器拒绝了访问：")};
    if (kind == QLatin1StringView("40") || state == QLatin1StringView("55P03"))
        return {SqliteCode::Busy, QStringLiteral("数据库正被其他用户修改，请稍后再试。")};
    if (state == QLatin1StringView("53100"))
        return {SqliteCode::Full, QStringLiteral("数据库服务器的磁盘已满，无法写入。")};
    if (state == QLatin1StringView("53200"))
        return {SqliteCode::NoMemory, QStringLiteral("数据库服务器内存不足，无法完成操作。")};
    if (state == QLatin1StringView("25006"))
        return {SqliteCode::ReadOnly, QStringLiteral("数据库是只读的，无法保存修改。")};
    if (kind == QLatin1StringView("54"))
        return {SqliteCode::TooBig, QStringLiteral("要写入的内容太大，超过了数据库允许的大小。")};
    if (kind == QLatin1StringView("23"))
        return {19, QStringLiteral("数据库操作失败：")}; // SQLite's constraint failure
    return {SqliteCode::Error, QStringLiteral("数据库操作失败：")};
}

} // namespace

Backend SqlDialect::backendOf(const QString& location)
{
    const qsizetype colon = location.indexOf(QLatin1StringView("://"));
    return colon > 0 && isServerScheme(location.left(colon).toLower()) ? Backend::Server
                                                                       : Backend::File;
}

std::optional<SqlDialect::ServerAddress> SqlDialect::serverAddress(const QString& location)
{
    // libpq takes a socket folder percent-encoded as the host ("%2Frun%2Fpg"), which is no host
    // to QUrl: it is moved into the query, where libpq takes it too.
    static const QRegularExpression socketHost(
        QStringLiteral("^([A-Za-z]+://(?:[^@/?]*@)?)(%2[Ff][^:/?]*)([^?]*)\\??(.*)$"));
    QString readable = location;
    if (const auto match = socketHost.match(location); match.hasMatch()) {
        QUrlQuery query(match.captured(4));
        query.addQueryItem(QStringLiteral("host"), match.captured(2));
        readable = match.captured(1) + match.captured(3) + u'?' + query.toString();
    }
    const QUrl url(readable, QUrl::StrictMode);
    if (!url.isValid() || !isServerScheme(url.scheme().toLower()))
        return std::nullopt;
    ServerAddress address;
    address.host = url.host(QUrl::FullyDecoded);
    address.port = url.port(-1);
    address.user = url.userName(QUrl::FullyDecoded);
    address.databaseName = url.path(QUrl::FullyDecoded).mid(1);
    QStringList options;
    for (const auto& [key, value] : QUrlQuery(url).queryItems(QUrl::FullyDecoded))
        takeQueryItem(key, value, address, options);
    if (address.databaseName.isEmpty() || address.databaseName.contains(u'/'))
        return std::nullopt;
    for (const auto& [key, value] : defaultOptions) {
        const QString given = key + u'=';
        if (std::none_of(options.begin(), options.end(),
                         [&given](const QString& option) { return option.startsWith(given); }))
            options << given + value;
    }
    address.options = options.join(u';');
    return address;
}

QString SqlDialect::displayName(const QString& location)
{
    // A password typed into the URL stays off the screen.
    return QUrl(location).toString(QUrl::RemovePassword);
}

QString SqlDialect::columnType(Backend backend, const QString& fileType)
{
    if (backend == Backend::File)
        return fileType;
    QString type = fileType;
    type.replace(QLatin1StringView("INTEGER PRIMARY KEY AUTOINCREMENT"),
                 QLatin1StringView("BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY"));
    static const QRegularExpression integer(QStringLiteral("\\bINTEGER\\b"));
    static const QRegularExpression real(QStringLiteral("\\bREAL\\b"));
    static const QRegularExpression blob(QStringLiteral("\\bBLOB\\b"));
    type.replace(integer, QStringLiteral("BIGINT"));
    type.replace(real, QStringLiteral("DOUBLE PRECISION"));
    type.replace(blob, QStringLiteral("BYTEA"));
    return type;
}

QString SqlDialect::createTable(Backend backend, const QString& fileStatement)
{
    return columnType(backend, fileStatement);
}

QString SqlDialect::columnName(Backend backend, const QString& name)
{
    if (backend == Backend::Server && name != QLatin1StringView("UpDate"))
        return name;
    return u'"' + name + u'"';
}

QStringList SqlDialect::createTrigger(Backend backend, const QString& name, const QString& event,
                                      const QString& table, const QString& body, bool ifMissing)
{
    if (backend == Backend::File) {
        return {QStringLiteral("CREATE TRIGGER %1%2 %3 ON %4 BEGIN %5; END")
                    .arg(ifMissing ? QStringLiteral("IF NOT EXISTS ") : QString(), name, event,
                         table, body)};
    }
    const QString function = QStringLiteral("vardelin_trigger_") + name.toLower();
    return {
        QStringLiteral("CREATE OR REPLACE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql AS "
                       "$body$ BEGIN %2; RETURN NULL; END $body$")
            .arg(function, body),
        QStringLiteral("CREATE OR REPLACE TRIGGER %1 %2 ON %3 FOR EACH ROW EXECUTE FUNCTION %4()")
            .arg(name, event, table, function)};
}

QString SqlDialect::dropTrigger(Backend backend, const QString& name, const QString& table)
{
    if (backend == Backend::File)
        return QStringLiteral("DROP TRIGGER IF EXISTS ") + name;
    return QStringLiteral("DROP TRIGGER IF EXISTS %1 ON %2").arg(name, table);
}

QString SqlDialect::schemaNamesQuery(Backend backend)
{
    if (backend == Backend::File)
        return QStringLiteral(
            "SELECT lower(name) FROM sqlite_master WHERE type IN ('table', 'trigger')");
    return QStringLiteral(
        "SELECT lower(table_name) FROM information_schema.tables WHERE table_schema = "
        "current_schema() UNION SELECT lower(trigger_name) FROM information_schema.triggers "
        "WHERE trigger_schema = current_schema() UNION SELECT lower(collname) FROM pg_collation "
        "WHERE collnamespace = CAST(current_schema() AS regnamespace)");
}

QString SqlDialect::columnsQuery(Backend backend)
{
    if (backend == Backend::File)
        return QStringLiteral("SELECT lower(m.name), lower(p.name) FROM sqlite_master m, "
                              "pragma_table_info(m.name) p WHERE m.type = 'table' AND "
                              "m.name COLLATE NOCASE IN (SELECT value FROM json_each(?))");
    return QStringLiteral(
        "SELECT lower(c.table_name), lower(c.column_name) FROM information_schema.columns c "
        "JOIN information_schema.tables t ON t.table_schema = c.table_schema AND "
        "t.table_name = c.table_name WHERE t.table_type = 'BASE TABLE' AND "
        "c.table_schema = current_schema() AND lower(c.table_name) IN "
        "(SELECT lower(value) FROM json_array_elements_text(CAST(? AS json)) AS value)");
}

QStringList SqlDialect::functions(Backend backend)
{
    if (backend == Backend::File)
        return {};
    // NOCASE, as the statements name SQLite's collation: account names compared with letter
    // case set aside (ICU's comparison at the second strength also sets aside the case of
    // letters beyond ASCII, which SQLite's does not).
    return {QStringLiteral("CREATE OR REPLACE FUNCTION instr(text, text) RETURNS integer "
                           "LANGUAGE sql IMMUTABLE STRICT AS 'SELECT strpos($1, $2)'"),
            QStringLiteral("CREATE COLLATION IF NOT EXISTS nocase (provider = icu, "
                           "locale = 'und-u-ks-level2', deterministic = false)")};
}

QString SqlDialect::layoutQuery(Backend backend)
{
    if (backend == Backend::File)
        return QStringLiteral("PRAGMA user_version");
    return QStringLiteral("SELECT Layout FROM Vardelin_Layout WHERE ID = 1");
}

QStringList SqlDialect::stampLayout(Backend backend, int version)
{
    if (backend == Backend::File)
        return {QStringLiteral("PRAGMA user_version = %1").arg(version)};
    return {QStringLiteral("CREATE TABLE IF NOT EXISTS Vardelin_Layout (ID INTEGER PRIMARY KEY "
                           "CHECK (ID = 1), Layout INTEGER NOT NULL)"),
            QStringLiteral("INSERT INTO Vardelin_Layout (ID, Layout) VALUES (1, %1) "
                           "ON CONFLICT (ID) DO UPDATE SET Layout = excluded.Layout")
                .arg(version)};
}

QStringList SqlDialect::userTriggers(Backend backend, const QString& table, bool on)
{
    if (backend == Backend::File)
        return {};
    return {QStringLiteral("ALTER TABLE %1 %2 TRIGGER USER")
                .arg(table, on ? QStringLiteral("ENABLE") : QStringLiteral("DISABLE"))};
}

QString SqlDialect::blobChecksum(Backend backend, const QString& column)
{
    return backend == Backend::File ? QString() : QStringLiteral("sha256(%1)").arg(column);
}

QString SqlDialect::distinctValues(Backend backend, const QString& table, const QString& column)
{
    if (backend == Backend::File)
        return QStringLiteral("SELECT DISTINCT %2 FROM %1 WHERE %2 IS NOT NULL").arg(table, column);
    return QStringLiteral("WITH RECURSIVE Found (Value) AS ("
                          "(SELECT %2 FROM %1 WHERE %2 IS NOT NULL ORDER BY %2 LIMIT 1) UNION ALL "
                          "SELECT (SELECT %2 FROM %1 WHERE %2 > Found.Value ORDER BY %2 LIMIT 1) "
                          "FROM Found WHERE Found.Value IS NOT NULL) "
                          "SELECT Value FROM Found WHERE Value IS NOT NULL")
        .arg(table, column);
}

QString SqlDialect::indexedBy(Backend backend, const QString& index)
{
    return backend == Backend::File ? QStringLiteral(" INDEXED BY ") + index : QString();
}

QString SqlDialect::lockRow(Backend backend, Lock lock)
{
    return backend == Backend::Server && lock == Lock::UntilCommit ? QStringLiteral(" FOR UPDATE")
                                                                   : QString();
}

QStringList SqlDialect::beginWrite(Backend backend)
{
    if (backend == Backend::File)
        return {QStringLiteral("BEGIN IMMEDIATE")};
    // One lock for the whole address book, held to the commit or rollback, as a file's write
    // lock is: every writer that reads first waits here for the one before it to finish. The
    // number only has to be the same in every program.
    return {QStringLiteral("BEGIN"), QStringLiteral("SELECT pg_advisory_xact_lock(7665726469)")};
}

Status SqlDialect::storableOnServer(const QVariantList& values)
{
    for (const QVariant& value : values) {
        if (value.typeId() == QMetaType::QString && value.toString().contains(QChar(0)))
            return DbError::nulOnServer(value.toString());
    }
    return {};
}

DbError SqlDialect::serverError(const QSqlError& error)
{
    QString state = error.nativeErrorCode();
    // A connection that failed or broke may come without a state.
    if (state.isEmpty() && error.type() == QSqlError::ConnectionError)
        state = QStringLiteral("08000");
    const auto [number, words] = nearestCode(state);
    const QString said = error.databaseText().trimmed().isEmpty() ? error.text().trimmed()
                                                                  : error.databaseText().trimmed();
    return {number, words.endsWith(u'：') ? words + said : words};
}
