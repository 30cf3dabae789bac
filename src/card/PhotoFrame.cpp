// SPDX-License-Identifier: GPL-3.0-or-later
#include "PhotoFrame.h"

#include "ScaledPicture.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

PhotoFrame::PhotoFrame(QWidget* parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("Edit_Photo"));
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setToolTip(QStringLiteral("单击选择照片"));
    setAccessibleName(QStringLiteral("照片"));
    setAccessibleDescription(QStringLiteral("按回车键或空格键选择照片"));
    setMinimumSize(96, 120);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
}

bool PhotoFrame::setPicture(const QByteArray& pictureBytes)
{
    if (pictureBytes.isEmpty()) {
        clear();
        return true;
    }
    QImage decoded = QImage::fromData(pictureBytes);
    if (decoded.isNull())
        return false;
    m_bytes = pictureBytes;
    m_image = std::move(decoded);
    m_scaled = QPixmap();
    update();
    return true;
}

void PhotoFrame::clear()
{
    m_bytes.clear();
    m_image = QImage();
    m_scaled = QPixmap();
    update();
}

QSize PhotoFrame::sizeHint() const
{
    return {132, 160};
}

void PhotoFrame::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    const QRect area = contentsRect().adjusted(3, 3, -3, -3);
    if (m_image.isNull()) {
        painter.setPen(palette().color(QPalette::PlaceholderText));
        painter.drawText(area, Qt::AlignCenter | Qt::TextWordWrap,
                         QStringLiteral("照片\n（单击选择）"));
    } else {
        // The photo fills the frame, a small one enlarged too.
        const QSize shown = m_image.size().scaled(area.size(), Qt::KeepAspectRatio);
        if (m_scaled.size() != shown)
            m_scaled = QPixmap::fromImage(ScaledPicture::of(m_image, shown));
        QRect target(QPoint(), shown);
        target.moveCenter(area.center());
        painter.drawPixmap(target, m_scaled);
    }
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DashLine));
        painter.drawRect(contentsRect().adjusted(1, 1, -2, -2));
    }
}

void PhotoFrame::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit chooseRequested();
    QFrame::mouseReleaseEvent(event);
}

void PhotoFrame::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        emit chooseRequested();
        event->accept();
        return;
    default:
        QFrame::keyPressEvent(event);
    }
}
