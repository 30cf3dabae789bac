// SPDX-License-Identifier: GPL-3.0-or-later
// The stored form of every picture: a small container of named byte values.
#pragma once

#include <QByteArray>
#include <QLatin1StringView>
#include <QList>
#include <QString>

#include <optional>
#include <utility>

// Layout: the magic "VDLNBAG", a version byte, a 32-bit entry count, then per entry a 32-bit
// name length, the name in UTF-8, a 32-bit value length and the value; every number big-endian.
// A bag is read back only when every length fits the bytes exactly.
class PictureBag {
public:
    // The entry that holds a picture file's original bytes; empty for the empty picture.
    static constexpr QLatin1StringView pictureEntry{"Picture"};
    static constexpr quint8 version = 1;

    void write(const QString& name, const QByteArray& value);
    std::optional<QByteArray> read(const QString& name) const;

    QByteArray contents() const;
    // Nothing for bytes that are not a bag of a version this program reads, or that are
    // cut short or carry lengths that do not fit.
    static std::optional<PictureBag> fromContents(const QByteArray& bytes);

    // The bag of one picture, the way the photo and stored pictures are written.
    static QByteArray ofPicture(const QByteArray& pictureBytes);
    // The picture's bytes from stored bytes; nothing when they are not a bag holding one.
    static std::optional<QByteArray> pictureOf(const QByteArray& stored);

private:
    QList<std::pair<QString, QByteArray>> m_entries;
};
