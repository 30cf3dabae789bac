// SPDX-License-Identifier: GPL-3.0-or-later
// The card's "图片" page: the contact's named pictures, shown, added, renamed and deleted.
#pragma once

#include "db/Result.h"

#include <QImage>
#include <QWidget>

class Database;
class Prompter;
class QLabel;
class QListWidget;
class QPushButton;
class QScrollArea;

class PicturesPage : public QWidget {
    Q_OBJECT

public:
    // Works on the pictures of contactId; a contact without a row yet (0) can have none added.
    PicturesPage(Database& db, Prompter& prompter, qint64 contactId, QWidget* parent = nullptr);

    // Lists the contact's pictures with none picked; the shown picture stays.
    Status GJPic();

    // The picture being shown as decoded, before any scaling; null when none is.
    const QImage& shownImage() const { return m_image; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showPicked();
    void addPicture();
    void renamePicture();
    void deletePicture();
    void refill();
    void scaleToFrame();
    qint64 pickedId() const;

    Database& m_db;
    Prompter& m_prompter;
    qint64 m_contactId;
    QPushButton* m_add = nullptr;
    QListWidget* m_list = nullptr;
    QScrollArea* m_frame = nullptr;
    QLabel* m_picture = nullptr;
    QImage m_image;
    // The size m_image was last scaled to, so a resize to the same size scales nothing.
    QSize m_shownSize;
};
