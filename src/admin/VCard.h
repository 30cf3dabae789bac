// SPDX-License-Identifier: GPL-3.0-or-later
// Reading vCard 2.1, 3.0 and 4.0 files onto the contact's columns, and writing vCard 3.0 or 4.0.
#pragma once

#include "db/Result.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// One card as the contact table holds it: values by column name of Vardelin_Contact (Name,
// Tel1, Mail1, ...) and the photo as the picture file's own bytes (the caller wraps them in
// the stored picture container).
struct VCardContact {
    QMap<QString, QString> columns;
    QByteArray photo;
    // Values the card carried that have no column left for them (a fourth mobile, a third
    // e-mail, a birthday without a year), as labelled lines ("电话：…", "邮箱：…", "网址：…",
    // "地址：…", "生日：…") that the import adds to the remark.
    QStringList leftOver;
    // The card had a photo that could not be decoded; it is read without one.
    bool photoUnreadable = false;
    // A value in UTF-8 held a byte that is no character; it stands as U+FFFD.
    bool textDamaged = false;
    // Written as the card's UID; a card written without one gets a random one. Read from the
    // card's UID.
    QString uid;
    // CATEGORIES: the names of the groups the card is filed under.
    QStringList categories;
    // The card's properties this program has no place for (X-… of other programs, IMPP,
    // RELATED, …), each as its unfolded line, written back unchanged: a card another program
    // wrote keeps them when it is sent back.
    QList<QByteArray> keptLines;
    // The card's VERSION as read ("2.1", "3.0", "4.0"); empty for a card made here.
    QByteArray version;

    QString value(const QString& column) const { return columns.value(column); }
};

// The mapping, in the order each kind of value fills its columns:
//   FN → Name (N's family and given names joined when FN is missing or empty)
//   TEL of type CELL → Moblie1, Moblie2, Moblie3, then Tel1, Tel2
//   TEL of type WORK → OfficePhone1, OfficePhone2, then Tel1, Tel2
//   TEL of type HOME → Tel3, then Tel1, Tel2
//   any other TEL (VOICE, FAX, no type) → Tel1, Tel2, then Tel3
//   EMAIL → Mail1, Mail2; ORG → CompanyName; Deptment; TITLE → Post
//   ADR of type WORK → CompanyAddress, any other ADR → Address (its postal code → ZipCode, or
//   kept at the end of the address when ZipCode is taken or the address is a work one)
//   BDAY → Birthday "YYYY-MM-DD"; NOTE → Remark; URL → Web; NICKNAME → NickName
//   PHOTO (ENCODING=b/BASE64 or a data: URI) → the photo bytes
// A value finds the first free column of its list. The writer writes the columns in the same
// order, so a card reads back to its columns; only a gap (Tel2 set, Tel1 empty) closes up.
namespace VCard {

// Every card of a file; an error in words, naming the line, when the file is not a vCard file
// or a card is damaged (no END, a line that is not a property, text not in its charset). A
// photo that cannot be decoded costs only the photo (photoUnreadable), a stray byte in UTF-8
// text only that byte (textDamaged).
Result<QList<VCardContact>> parse(const QByteArray& bytes);
Result<QList<VCardContact>> readFile(const QString& path);

enum class Version { V3, V4 };

// One card as vCard 3.0 (or 4.0) text with CRLF line ends and lines folded at 75 bytes. A line
// break is written as "\n" as the format has it; a value holding CR LF also travels as its own
// X-VARDELIN- property in base64, so it reads back as stored (cards of earlier builds, which
// wrote a CR there as "\r", read as before).
// 4.0, for address books that take no other: TEL and EMAIL with 4.0's TYPE values, BDAY in the
// basic form, PHOTO as a data: URI; a kept LABEL line (no 4.0 property) is left out, the address
// it labels being in ADR.
QByteArray write(const VCardContact& contact, Version version = Version::V3);
QByteArray toBytes(const QList<VCardContact>& contacts);

// The columns no standard property carries, written only as X-VARDELIN-<column>.
QStringList ownColumns();

} // namespace VCard
