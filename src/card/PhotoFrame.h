// SPDX-License-Identifier: GPL-3.0-or-later
// The card's photo: shows a picture scaled to the frame and asks for a new one on a click.
#pragma once

#include <QByteArray>
#include <QFrame>
#include <QImage>
#include <QPixmap>

class PhotoFrame : public QFrame {
    Q_OBJECT

public:
    explicit PhotoFrame(QWidget* parent = nullptr);

    // Shows the picture file's bytes; false (and nothing changed) when they are not a picture
    // this program can decode. Empty bytes show the empty picture.
    bool setPicture(const QByteArray& pictureBytes);
    void clear();
    // The bytes of the shown picture as they came from its file; empty for the empty picture.
    const QByteArray& pictureBytes() const { return m_bytes; }
    const QImage& image() const { return m_image; }

    QSize sizeHint() const override;

signals:
    // A click, Enter or Space on the frame.
    void chooseRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QByteArray m_bytes;
    QImage m_image;
    // The image scaled for the frame's current size, made again only when that size changes.
    QPixmap m_scaled;
};
