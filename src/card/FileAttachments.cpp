// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileAttachments.h"

#include "ContactCard.h"

#include "contacts/ContactBelongings.h"
#include "db/Database.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSqlError>
#include <QSqlQuery>

namespace {

const BlobStream::Cell filesCell(qint64 rowId)
{
    return {"Vardelin_Files", "Files", rowId};
}

DbError fileError(const QString& what, const QString& path, const QString& reason)
{
    return {BlobStream::fileErrorNumber, what.arg(QFileInfo(path).fileName(), reason)};
}

QString megabytes(qint64 bytes)
{
    return QString::number(double(bytes) / (1024 * 1024), 'f', 1);
}

} // namespace

Result<std::vector<FileAttachments::Row>> FileAttachments::list(const Database& db,
                                                                qint64 contactId)
{
    // The columns are named so that the files' bytes are never read, and "UpDate" is quoted
    // because UPDATE is a keyword.
    auto q = db.query(QStringLiteral("SELECT ID, Name, \"UpDate\", Size, Ext FROM Vardelin_Files "
                                     "WHERE Type = 'F' AND CID = ? "
                                     "ORDER BY \"UpDate\" DESC, ID DESC"),
                      {contactId});
    if (!q)
        return q.error();
    std::vector<Row> rows;
    QSqlQuery& query = q.value();
    while (query.next()) {
        rows.push_back({query.value(0).toLongLong(), query.value(1).toString(),
                        query.value(2).toString().left(10), query.value(3).toLongLong(),
                        query.value(4).toString()});
    }
    if (Status ended = db.finished(query); !ended)
        return ended.error();
    return rows;
}

QString FileAttachments::sizeText(qint64 bytes, const QLocale& locale)
{
    // Hundredths of a kilobyte, in whole numbers so the half is exact.
    const qint64 scaled = bytes * 100;
    qint64 hundredths = scaled / 1024;
    const qint64 rest = scaled % 1024;
    if (rest * 2 > 1024 || (rest * 2 == 1024 && hundredths % 2 == 1))
        ++hundredths;
    QString text = QString::number(hundredths / 100);
    const qint64 fraction = hundredths % 100;
    if (fraction != 0) {
        QString digits = QStringLiteral("%1").arg(fraction, 2, 10, QLatin1Char('0'));
        if (digits.endsWith(u'0'))
            digits.chop(1);
        text += locale.decimalPoint() + digits;
    }
    return text;
}

QString FileAttachments::extensionOf(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot <= 0)
        return QStringLiteral(""); // stored as an empty text, not as Null
    return name.mid(dot);
}

QString FileAttachments::proposedName(const QString& path)
{
    return QFileInfo(path).fileName();
}

Result<FileAttachments::Added> FileAttachments::add(const Database& db, const AddRequest& request,
                                                    const BlobStream::Progress& progress)
{
    const QFileInfo info(request.path);
    QFile file(request.path);
    if (!info.exists())
        return DbError{BlobStream::fileErrorNumber,
                       QStringLiteral("文件“%1”不存在。").arg(info.fileName())};
    // Devices and pipes have no length to size the row by.
    if (!info.isFile())
        return DbError{BlobStream::fileErrorNumber,
                       QStringLiteral("“%1”不是普通文件，不能添加。").arg(info.fileName())};
    if (!file.open(QIODevice::ReadOnly))
        return fileError(QStringLiteral("无法读取文件“%1”：%2"), request.path, file.errorString());
    const qint64 size = file.size();
    auto largest = BlobStream::largestValue(db);
    if (!largest)
        return largest.error();
    // The row also carries its name and other columns, which count against the same limit.
    constexpr qint64 otherColumnsAllowance = 64 * 1024;
    if (size > largest.value() - otherColumnsAllowance) {
        return DbError{tooLargeNumber,
                       QStringLiteral("文件“%1”太大（%2 MB），数据库最多只能保存 %3 MB 的文件。")
                           .arg(info.fileName(), megabytes(size),
                                megabytes(largest.value() - otherColumnsAllowance))};
    }

    Added added;
    const BlobStream::Room room(db, size, BlobStream::Room::For::Writing);
    // See ContactBelongings::contactExists.
    const Status written = db.writeTransaction([&]() -> Status {
        auto contact = ContactBelongings::contactExists(db, request.contactId);
        if (!contact)
            return contact.error();
        if (!contact.value()) {
            added.contactVanished = true;
            return {};
        }
        auto inserted = db.query(
            QStringLiteral("INSERT INTO Vardelin_Files (CID, Type, Name, Files, Ext, \"UpDate\", "
                           "Size) VALUES (?, 'F', ?, %1, ?, ?, ?)")
                .arg(BlobStream::sizedValue(db)),
            {request.contactId, request.name, size, extensionOf(request.path),
             request.today.toString(ContactCard::dateFormat), size});
        if (!inserted)
            return inserted.error();
        auto id = db.insertedId(inserted.value());
        if (!id)
            return id.error();
        added.id = id.value();
        auto moved = BlobStream::write(db, filesCell(added.id), file, size, progress);
        if (!moved)
            return moved.error();
        added.moved = moved.value();
        if (added.moved == BlobStream::Moved::Stopped)
            return DbError{0, QStringLiteral("stopped")}; // rolls back; not shown
        return {};
    });
    if (added.moved == BlobStream::Moved::Stopped)
        return Added{BlobStream::Moved::Stopped, 0};
    if (!written) {
        if (written.error().number == BlobStream::fileErrorNumber)
            return fileError(QStringLiteral("无法读取文件“%1”：%2"), request.path,
                             written.error().description);
        return written.error();
    }
    return added;
}

Result<FileAttachments::SaveOutcome> FileAttachments::saveTo(const Database& db, qint64 fileId,
                                                             const QString& target,
                                                             const BlobStream::Progress& progress)
{
    // The length comes from the row's header; the bytes are not read.
    auto found = db.query(
        QStringLiteral("SELECT length(Files) FROM Vardelin_Files WHERE ID = ? AND Type = 'F'"),
        {fileId});
    if (!found)
        return found.error();
    if (!found.value().next()) {
        if (Status ended = db.finished(found.value()); !ended)
            return ended.error();
        return SaveOutcome::RowVanished;
    }
    const qint64 size = found.value().value(0).toLongLong();
    found.value().finish();
    const BlobStream::Room room(db, size, BlobStream::Room::For::Reading);

    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        return fileError(QStringLiteral("无法写入文件“%1”：%2"), target, out.errorString());
    auto moved = BlobStream::read(db, filesCell(fileId), out, progress);
    if (!moved || moved.value() == BlobStream::Moved::Stopped) {
        out.cancelWriting();
        if (!moved) {
            if (moved.error().number == BlobStream::fileErrorNumber)
                return fileError(QStringLiteral("无法写入文件“%1”：%2"), target,
                                 moved.error().description);
            return moved.error();
        }
        return SaveOutcome::Stopped;
    }
    if (!out.commit())
        return fileError(QStringLiteral("无法写入文件“%1”：%2"), target, out.errorString());
    return SaveOutcome::Saved;
}

Status FileAttachments::remove(const Database& db, const std::vector<qint64>& fileIds)
{
    return db.transaction([&]() -> Status {
        for (const qint64 id : fileIds) {
            if (Status done =
                    db.exec(QStringLiteral("DELETE FROM Vardelin_Files WHERE ID = ?"), {id});
                !done)
                return done;
        }
        return {};
    });
}
