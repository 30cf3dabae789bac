// SPDX-License-Identifier: GPL-3.0-or-later
// An icon whose drawings stay in their .ico file until a size of them is asked for.
#pragma once

#include <QIcon>
#include <QIconEngine>
#include <QList>
#include <QSize>
#include <QString>

// Reads the file's directory of drawings at once, and each drawing only when a size is asked
// for that it is the best match of: the smallest drawing at least as large, else the largest,
// as Qt picks among the pixmaps of an icon. A tool bar at start-up decodes one drawing per
// icon instead of every size each file holds.
class IcoFileIconEngine : public QIconEngine {
public:
    // Null (isNull()) when the file is missing or holds no readable drawing.
    explicit IcoFileIconEngine(const QString& path);

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override;
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    QIconEngine* clone() const override;
    QString key() const override;
    bool isNull() override;

private:
    // The index in the file of the drawing Qt would draw for size.
    int bestFor(const QSize& size) const;
    // Puts the drawing at index into m_read, once.
    void read(int index);

    QString m_path;
    QList<QSize> m_sizes; // of each drawing, in the file's order
    QList<bool> m_isRead;
    QIcon m_read; // the drawings read so far
};
