// SPDX-License-Identifier: GPL-3.0-or-later
#include "Backup.h"

#include "Database.h"
#include "SqliteStatement.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace {

const QString dayFormat = QStringLiteral("yyyy-MM-dd");

QString withSuffix(const QFileInfo& database, const QString& middle)
{
    const QString suffix = database.suffix();
    return database.completeBaseName() + middle + (suffix.isEmpty() ? QString() : u'.' + suffix);
}

DbError cannotWrite(const QString& path)
{
    return {SqliteCode::CantOpen, QStringLiteral("无法写入文件“%1”。").arg(path)};
}

DbError sqliteError(sqlite3* handle, int code)
{
    return DbError::fromSqlite(code, QString::fromUtf8(sqlite3_errmsg(handle)));
}

// A connection of its own, closed on every way out.
class Handle {
public:
    Handle() = default;
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { sqlite3_close(m_handle); }

    int open(const QString& path, int flags)
    {
        const int code = sqlite3_open_v2(QFile::encodeName(path).constData(), &m_handle,
                                         flags | SQLITE_OPEN_EXRESCODE, nullptr);
        if (code == SQLITE_OK)
            sqlite3_busy_timeout(m_handle, Database::busyTimeoutMs);
        return code;
    }
    sqlite3* get() const { return m_handle; }

private:
    sqlite3* m_handle = nullptr;
};

// The copy is a new file under a temporary name, put in place only once complete: a journal
// and a sync at every step would protect nothing. It is synced once, at the end.
bool writeUnjournalled(sqlite3* target)
{
    return sqlite3_exec(target, "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF", nullptr,
                        nullptr, nullptr) == SQLITE_OK;
}

bool syncToDisk(const QString& file)
{
    const int descriptor = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    const bool synced = ::fsync(descriptor) == 0;
    ::close(descriptor);
    return synced;
}

// Writes a new file holding source's last committed state, page by page through SQLite's
// backup, so a file in use is copied consistently. A failure leaves no file behind.
Status writeCopy(sqlite3* source, const QString& file)
{
    if (QFileInfo::exists(file) && !QFile::remove(file))
        return cannotWrite(file);
    Status written;
    {
        Handle target;
        if (target.open(file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE) != SQLITE_OK) {
            written = cannotWrite(file);
        } else if (!writeUnjournalled(target.get())) {
            written = sqliteError(target.get(), sqlite3_errcode(target.get()));
        } else if (sqlite3_backup* copy =
                       sqlite3_backup_init(target.get(), "main", source, "main")) {
            // All pages in one step: the copy is of one moment, never of a file changing under it.
            const int stepped = sqlite3_backup_step(copy, -1);
            sqlite3_backup_finish(copy);
            if (stepped != SQLITE_DONE)
                written = sqliteError(
                    stepped == SQLITE_BUSY || stepped == SQLITE_LOCKED ? source : target.get(),
                    stepped);
        } else {
            written = sqliteError(target.get(), sqlite3_errcode(target.get()));
        }
    }
    if (written && !syncToDisk(file))
        written = cannotWrite(file);
    if (!written)
        QFile::remove(file);
    return written;
}

// The temporary name a copy is written under, beside where it goes.
QString partialOf(const QString& target)
{
    return target + QStringLiteral(".partial");
}

Status copyThenReplace(sqlite3* source, const QString& target, const Backup::Replace& replace)
{
    const QString partial = partialOf(target);
    if (Status written = writeCopy(source, partial); !written)
        return written;
    if (!replace(partial, target)) {
        QFile::remove(partial);
        return cannotWrite(target);
    }
    return {};
}

Status ensureFolder(const QString& folder)
{
    if (QDir().mkpath(folder))
        return {};
    return DbError{SqliteCode::CantOpen, QStringLiteral("无法建立备份文件夹“%1”。").arg(folder)};
}

void pruneDailyCopies(const QString& databasePath)
{
    const QStringList copies = Backup::dailyCopies(databasePath);
    // A copy that cannot be removed now is removed after a later backup.
    for (qsizetype i = 0; i + Backup::keptDays < copies.size(); ++i)
        QFile::remove(copies[i]);
}

bool sameFile(const QString& one, const QString& other)
{
    const QString canonical = QFileInfo(one).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(other).canonicalFilePath();
}

// The journal files of the file being replaced would be applied to its replacement.
void removeJournals(const QString& databasePath)
{
    for (const char* ending : {"-journal", "-wal", "-shm"})
        QFile::remove(databasePath + QLatin1StringView(ending));
}

Status copyChecked(const QString& source, const QString& file)
{
    if (Status checked = Backup::check(source); !checked)
        return checked;
    Handle reading;
    if (reading.open(source, SQLITE_OPEN_READONLY) != SQLITE_OK)
        return DbError::cannotOpen(source);
    return writeCopy(reading.get(), file);
}

} // namespace

QString Backup::folderOf(const QString& databasePath)
{
    return QFileInfo(databasePath).absoluteDir().filePath(QStringLiteral("备份"));
}

QString Backup::dailyName(const QString& databasePath, const QDate& day)
{
    return withSuffix(QFileInfo(databasePath), u'-' + day.toString(dayFormat));
}

QStringList Backup::dailyCopies(const QString& databasePath)
{
    const QFileInfo database(databasePath);
    const QString suffix = database.suffix();
    const QRegularExpression pattern(
        u'^' + QRegularExpression::escape(database.completeBaseName()) +
        QStringLiteral("-\\d{4}-\\d{2}-\\d{2}") +
        (suffix.isEmpty() ? QString() : QRegularExpression::escape(u'.' + suffix)) + u'$');
    const QDir folder(folderOf(databasePath));
    QStringList copies;
    // The names sort by their date.
    for (const QString& name : folder.entryList(QDir::Files, QDir::Name)) {
        if (pattern.match(name).hasMatch())
            copies << folder.filePath(name);
    }
    return copies;
}

std::optional<QString> Backup::newest(const QString& databasePath)
{
    const QStringList copies = dailyCopies(databasePath);
    if (copies.isEmpty())
        return std::nullopt;
    return copies.last();
}

bool Backup::replaceFile(const QString& from, const QString& to)
{
    // rename(2) puts the new file in place in one step, even over an existing one.
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

Status Backup::copyTo(const Database& db, const QString& target)
{
    if (db.backend() == Backend::Server)
        return DbError{SqliteCode::Error,
                       QStringLiteral("数据库服务器上的通讯录由服务器管理员备份，本程序不能把它备份"
                                      "到文件。")};
    if (sameFile(db.path(), target)) {
        return DbError{SqliteCode::CantOpen,
                       QStringLiteral("不能备份到正在使用的数据库文件“%1”。").arg(target)};
    }
    sqlite3* source = SqliteStatement::handleOf(db);
    if (!source)
        return DbError::cannotOpen(db.path());
    return copyThenReplace(source, target, replaceFile);
}

Result<QString> Backup::daily(const Database& db, const QDate& day)
{
    if (db.backend() == Backend::Server)
        return QString();
    const QString folder = folderOf(db.path());
    if (Status made = ensureFolder(folder); !made)
        return made.error();
    const QString target = QDir(folder).filePath(dailyName(db.path(), day));
    if (Status copied = copyTo(db, target); !copied)
        return copied.error();
    pruneDailyCopies(db.path());
    return target;
}

Status Backup::check(const QString& path)
{
    Database candidate;
    if (Status opened = candidate.openReadOnly(path); !opened)
        return opened;
    // The tables being there says nothing of the pages behind them.
    auto verdict = candidate.readOne(QStringLiteral("PRAGMA quick_check(1)"));
    if (!verdict)
        return verdict.error();
    if (!verdict.value() || verdict.value()->value(0).toString() != QLatin1StringView("ok"))
        return DbError::fromSqlite(SqliteCode::Corrupt, {});
    return {};
}

Status Backup::restore(Database& db, const QString& source, const QDate& day,
                       const Replace& replace)
{
    // A server's book has no file to swap: it is replaced row by row (restoreIntoServer).
    if (db.backend() == Backend::Server)
        return DbError{SqliteCode::Misuse,
                       QStringLiteral("数据库服务器上的通讯录不能用文件替换。")};
    const QString path = db.path();
    if (sameFile(path, source)) {
        return DbError{SqliteCode::CantOpen,
                       QStringLiteral("所选文件“%1”就是正在使用的数据库文件。").arg(source)};
    }
    // Beside the database, so the replacement is a rename within one file system.
    const QString incoming = path + QStringLiteral(".restoring");
    if (Status copied = copyChecked(source, incoming); !copied)
        return copied;
    if (auto kept = daily(db, day); !kept) {
        QFile::remove(incoming);
        return kept.error();
    }
    db.close();
    const bool replaced = replace(incoming, path);
    if (!replaced)
        QFile::remove(incoming);
    const Status reopened = db.open(path);
    if (!replaced)
        return cannotWrite(path);
    return reopened;
}

Result<BookCopy::Copied> Backup::restoreIntoServer(const Database& db, const QString& source,
                                                   const BookCopy::Progress& progress)
{
    const QTemporaryDir folder;
    if (!folder.isValid())
        return cannotWrite(folder.path());
    const QString current = folder.filePath(QStringLiteral("DB.xml"));
    if (Status copied = copyChecked(source, current); !copied)
        return copied.error();
    {
        Database upToDate; // the opening brings an earlier build's layout up to date
        if (Status opened = upToDate.open(current); !opened)
            return opened.error();
    }
    return BookCopy::replace(current, db, progress);
}

Status Backup::restoreDamaged(const QString& databasePath, const QString& source,
                              const QDateTime& now, const Replace& replace)
{
    const QString incoming = databasePath + QStringLiteral(".restoring");
    if (Status copied = copyChecked(source, incoming); !copied)
        return copied;
    // The damaged file is not in use, so a plain copy keeps it for whoever can mend it.
    const QString folder = folderOf(databasePath);
    const QString damagedCopy = QDir(folder).filePath(
        withSuffix(QFileInfo(databasePath),
                   QStringLiteral("-损坏-") + now.toString(QStringLiteral("yyyyMMdd-HHmmss"))));
    Status kept = ensureFolder(folder);
    if (kept && QFileInfo::exists(databasePath) && !QFile::copy(databasePath, damagedCopy))
        kept = cannotWrite(damagedCopy);
    if (!kept) {
        QFile::remove(incoming);
        return kept;
    }
    removeJournals(databasePath);
    if (!replace(incoming, databasePath)) {
        QFile::remove(incoming);
        return cannotWrite(databasePath);
    }
    return {};
}
