// SPDX-License-Identifier: GPL-3.0-or-later
#include "PictureBag.h"

#include <QtEndian>

namespace {

constexpr QByteArrayView magic("VDLNBAG");

void appendNumber(QByteArray& out, quint32 number)
{
    const quint32 big = qToBigEndian(number);
    out.append(reinterpret_cast<const char*>(&big), sizeof big);
}

// Reads forward through untrusted bytes; every take fails rather than overrun.
class Reader {
public:
    explicit Reader(QByteArrayView bytes)
        : m_bytes(bytes)
    {
    }

    std::optional<quint32> number()
    {
        const auto taken = take(sizeof(quint32));
        if (!taken)
            return std::nullopt;
        return qFromBigEndian<quint32>(taken->data());
    }
    std::optional<QByteArrayView> take(qsizetype length)
    {
        if (length < 0 || length > m_bytes.size() - m_at)
            return std::nullopt;
        const QByteArrayView taken = m_bytes.sliced(m_at, length);
        m_at += length;
        return taken;
    }
    bool atEnd() const { return m_at == m_bytes.size(); }

private:
    QByteArrayView m_bytes;
    qsizetype m_at = 0;
};

} // namespace

void PictureBag::write(const QString& name, const QByteArray& value)
{
    for (auto& entry : m_entries) {
        if (entry.first == name) {
            entry.second = value;
            return;
        }
    }
    m_entries.append({name, value});
}

std::optional<QByteArray> PictureBag::read(const QString& name) const
{
    for (const auto& entry : m_entries) {
        if (entry.first == name)
            return entry.second;
    }
    return std::nullopt;
}

QByteArray PictureBag::contents() const
{
    QByteArray out(magic.data(), magic.size());
    out.append(char(version));
    appendNumber(out, quint32(m_entries.size()));
    for (const auto& [name, value] : m_entries) {
        const QByteArray utf8 = name.toUtf8();
        appendNumber(out, quint32(utf8.size()));
        out.append(utf8);
        appendNumber(out, quint32(value.size()));
        out.append(value);
    }
    return out;
}

std::optional<PictureBag> PictureBag::fromContents(const QByteArray& bytes)
{
    Reader reader(bytes);
    const auto head = reader.take(magic.size() + 1);
    if (!head || head->first(magic.size()) != magic || quint8(head->back()) != version)
        return std::nullopt;
    const auto count = reader.number();
    if (!count)
        return std::nullopt;
    PictureBag bag;
    for (quint32 i = 0; i < *count; ++i) {
        const auto nameLength = reader.number();
        const auto name = nameLength ? reader.take(qsizetype(*nameLength)) : std::nullopt;
        const auto valueLength = name ? reader.number() : std::nullopt;
        const auto value = valueLength ? reader.take(qsizetype(*valueLength)) : std::nullopt;
        if (!value)
            return std::nullopt;
        bag.m_entries.append({QString::fromUtf8(*name), value->toByteArray()});
    }
    if (!reader.atEnd())
        return std::nullopt;
    return bag;
}

QByteArray PictureBag::ofPicture(const QByteArray& pictureBytes)
{
    PictureBag bag;
    bag.write(QString(pictureEntry), pictureBytes);
    return bag.contents();
}

std::optional<QByteArray> PictureBag::pictureOf(const QByteArray& stored)
{
    const auto bag = fromContents(stored);
    if (!bag)
        return std::nullopt;
    return bag->read(QString(pictureEntry));
}
