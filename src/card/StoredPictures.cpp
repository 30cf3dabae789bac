// SPDX-License-Identifier: GPL-3.0-or-later
#include "StoredPictures.h"

#include "contacts/ContactBelongings.h"
#include "db/Database.h"
#include "db/PictureBag.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

Result<std::vector<StoredPictures::Entry>> StoredPictures::list(const Database& db,
                                                                qint64 contactId)
{
    auto q = db.query(QStringLiteral("SELECT ID, Name FROM Vardelin_Files "
                                     "WHERE Type = 'P' AND CID = ? ORDER BY ID"),
                      {contactId});
    if (!q)
        return q.error();
    std::vector<Entry> entries;
    QSqlQuery& query = q.value();
    while (query.next())
        entries.push_back({query.value(0).toLongLong(), query.value(1).toString()});
    if (Status ended = db.finished(query); !ended)
        return ended.error();
    return entries;
}

Result<QByteArray> StoredPictures::readPictureFile(const QString& path)
{
    const QFileInfo info(path);
    if (info.isFile() && info.size() > largestPictureBytes) {
        return DbError{
            fileUnreadableNumber,
            QStringLiteral("图片文件“%1”太大，图片不能超过 32 MB。").arg(info.fileName())};
    }
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
        return DbError{fileUnreadableNumber,
                       QStringLiteral("无法读取图片文件“%1”。").arg(info.fileName())};
    }
    QByteArray bytes = file.read(largestPictureBytes + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > largestPictureBytes) {
        return DbError{fileUnreadableNumber,
                       QStringLiteral("无法读取图片文件“%1”。").arg(info.fileName())};
    }
    return bytes;
}

Result<std::optional<qint64>> StoredPictures::add(const Database& db, qint64 contactId,
                                                  const QString& name,
                                                  const QByteArray& pictureBytes)
{
    std::optional<qint64> added;
    // See ContactBelongings::contactExists.
    const Status written = db.writeTransaction([&]() -> Status {
        auto contact = ContactBelongings::contactExists(db, contactId);
        if (!contact)
            return contact.error();
        if (!contact.value())
            return {};
        auto inserted =
            db.query(QStringLiteral("INSERT INTO Vardelin_Files (CID, Type, Name, Files) "
                                    "VALUES (?, 'P', ?, ?)"),
                     {contactId, name, PictureBag::ofPicture(pictureBytes)});
        if (!inserted)
            return inserted.error();
        auto id = db.insertedId(inserted.value());
        if (!id)
            return id.error();
        added = id.value();
        return {};
    });
    if (!written)
        return written.error();
    return added;
}

Result<StoredPictures::Stored> StoredPictures::picture(const Database& db, qint64 pictureId)
{
    auto q = db.query(QStringLiteral("SELECT Files FROM Vardelin_Files WHERE ID = ?"), {pictureId});
    if (!q)
        return q.error();
    if (!q.value().next()) {
        if (Status ended = db.finished(q.value()); !ended)
            return ended.error();
        return Stored{Shown::RowVanished, {}};
    }
    auto bytes = PictureBag::pictureOf(q.value().value(0).toByteArray());
    if (!bytes)
        return Stored{Shown::NotABag, {}};
    return Stored{Shown::Picture, std::move(*bytes)};
}

Result<bool> StoredPictures::rename(const Database& db, qint64 pictureId, const QString& name)
{
    auto q = db.query(QStringLiteral("UPDATE Vardelin_Files SET Name = ? WHERE ID = ?"),
                      {name, pictureId});
    if (!q)
        return q.error();
    return q.value().numRowsAffected() > 0;
}

Status StoredPictures::remove(const Database& db, qint64 pictureId)
{
    return db.exec(QStringLiteral("DELETE FROM Vardelin_Files WHERE ID = ?"), {pictureId});
}
