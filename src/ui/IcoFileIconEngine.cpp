// SPDX-License-Identifier: GPL-3.0-or-later
#include "IcoFileIconEngine.h"

#include <QImageReader>
#include <QPaintDevice>
#include <QPainter>
#include <QPixmap>

namespace {

qint64 area(const QSize& size)
{
    return qint64(size.width()) * size.height();
}

} // namespace

IcoFileIconEngine::IcoFileIconEngine(const QString& path)
    : m_path(path)
{
    // The sizes come from the file's directory; no drawing is decoded here.
    QImageReader reader(path);
    if (!reader.canRead())
        return;
    do {
        m_sizes.append(reader.size());
    } while (reader.jumpToNextImage());
    m_isRead = QList<bool>(m_sizes.size(), false);
}

int IcoFileIconEngine::bestFor(const QSize& size) const
{
    if (m_sizes.isEmpty())
        return -1;
    const qint64 wanted = area(size);
    int best = 0;
    for (int at = 1; at < m_sizes.size(); ++at) {
        const qint64 current = area(m_sizes.at(best));
        const qint64 candidate = area(m_sizes.at(at));
        const bool bothLargeEnough = qMin(current, candidate) >= wanted;
        const qint64 chosen = bothLargeEnough ? qMin(current, candidate) : qMax(current, candidate);
        if (chosen != current)
            best = at;
    }
    return best;
}

void IcoFileIconEngine::read(int index)
{
    if (index < 0 || m_isRead.at(index))
        return;
    m_isRead[index] = true;
    QImageReader reader(m_path);
    if (!reader.jumpToImage(index))
        return;
    const QImage image = reader.read();
    if (!image.isNull())
        m_read.addPixmap(QPixmap::fromImage(image));
}

void IcoFileIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
                              QIcon::State state)
{
    // The drawing for the device's pixels, as Qt's own icons choose it on a high-density screen.
    const qreal scale = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    read(bestFor(rect.size() * scale));
    m_read.paint(painter, rect, Qt::AlignCenter, mode, state);
}

QPixmap IcoFileIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state)
{
    read(bestFor(size));
    return m_read.pixmap(size, mode, state);
}

QPixmap IcoFileIconEngine::scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                                        qreal scale)
{
    read(bestFor(size * scale));
    return m_read.pixmap(size, scale, mode, state);
}

QSize IcoFileIconEngine::actualSize(const QSize& size, QIcon::Mode, QIcon::State)
{
    // Layouts ask this of many sizes: answered from the directory, nothing decoded.
    const int best = bestFor(size);
    if (best < 0)
        return {};
    QSize actual = m_sizes.at(best);
    if (actual.width() > size.width() || actual.height() > size.height())
        actual.scale(size, Qt::KeepAspectRatio);
    return actual;
}

QList<QSize> IcoFileIconEngine::availableSizes(QIcon::Mode mode, QIcon::State state)
{
    // Like an icon made of pixmaps: the drawings are the normal, off state's.
    if (mode != QIcon::Normal || state != QIcon::Off)
        return {};
    return m_sizes;
}

QIconEngine* IcoFileIconEngine::clone() const
{
    return new IcoFileIconEngine(*this);
}

QString IcoFileIconEngine::key() const
{
    return QStringLiteral("IcoFileIconEngine");
}

bool IcoFileIconEngine::isNull()
{
    return m_sizes.isEmpty();
}
