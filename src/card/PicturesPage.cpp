// SPDX-License-Identifier: GPL-3.0-or-later
#include "PicturesPage.h"

#include "PictureFit.h"
#include "ScaledPicture.h"
#include "StoredPictures.h"

#include "db/Database.h"
#include "ui/CommandButton.h"
#include "ui/Prompter.h"

#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

const QString promptTitle = QStringLiteral("提示！");
const QString nameTitle = QStringLiteral("提示");
const QString namePrompt = QStringLiteral("输入文件名称");
const QString pictureFilter =
    QStringLiteral("JPG图片 (*.jpg *.JPG *.jpeg);;GIF图片 (*.gif *.GIF);;BMP图片 (*.bmp *.BMP);;"
                   "PNG图片 (*.png)");

DbError vanished()
{
    return {StoredPictures::rowVanishedNumber, QStringLiteral("这张图片已被删除。")};
}

DbError notAPicture(const QString& what)
{
    return {StoredPictures::notAPictureNumber, QStringLiteral("%1不是可以显示的图片。").arg(what)};
}

} // namespace

PicturesPage::PicturesPage(Database& db, Prompter& prompter, qint64 contactId, QWidget* parent)
    : QWidget(parent)
    , m_db(db)
    , m_prompter(prompter)
    , m_contactId(contactId)
{
    setObjectName(QStringLiteral("PagePictures"));
    auto* layout = new QVBoxLayout(this);
    auto* buttons = new QHBoxLayout;
    m_add = commandButton(QStringLiteral("Button_ADDPIC"), QStringLiteral("添加(&A)"), this);
    auto* rename =
        commandButton(QStringLiteral("Button_EditPic"), QStringLiteral("修改(&E)"), this);
    auto* remove = commandButton(QStringLiteral("Button_DelPic"), QStringLiteral("删除(&D)"), this);
    buttons->addWidget(m_add);
    buttons->addWidget(rename);
    buttons->addWidget(remove);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    auto* body = new QHBoxLayout;
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("ListBox"));
    m_list->setAccessibleName(QStringLiteral("图片列表"));
    m_list->setMaximumWidth(220);
    m_frame = new QScrollArea(this);
    m_frame->setObjectName(QStringLiteral("Resizer1"));
    m_frame->setAlignment(Qt::AlignCenter);
    m_picture = new QLabel(m_frame);
    m_picture->setObjectName(QStringLiteral("Edit_Picture"));
    m_picture->setAccessibleName(QStringLiteral("图片"));
    m_picture->setAlignment(Qt::AlignCenter);
    m_frame->setWidget(m_picture);
    m_frame->viewport()->installEventFilter(this);
    body->addWidget(m_list, 1);
    body->addWidget(m_frame, 3);
    layout->addLayout(body, 1);

    // Nothing can be attached to a contact that has no row yet.
    m_add->setEnabled(m_contactId != 0);
    connect(m_add, &QPushButton::clicked, this, &PicturesPage::addPicture);
    connect(rename, &QPushButton::clicked, this, &PicturesPage::renamePicture);
    connect(remove, &QPushButton::clicked, this, &PicturesPage::deletePicture);
    // A click and a move with the keyboard both change the current row.
    connect(m_list, &QListWidget::currentRowChanged, this, &PicturesPage::showPicked);
}

Status PicturesPage::GJPic()
{
    const QSignalBlocker quiet(m_list);
    m_list->clear();
    auto entries = StoredPictures::list(m_db, m_contactId);
    if (!entries)
        return entries.error();
    for (const StoredPictures::Entry& entry : entries.value()) {
        auto* item = new QListWidgetItem(entry.name, m_list);
        item->setData(Qt::UserRole, entry.id);
    }
    m_list->setCurrentRow(-1);
    return {};
}

void PicturesPage::refill()
{
    if (Status filled = GJPic(); !filled)
        m_prompter.showError(this, filled.error());
}

qint64 PicturesPage::pickedId() const
{
    const QListWidgetItem* item = m_list->currentItem();
    return item && item->isSelected() ? item->data(Qt::UserRole).toLongLong() : 0;
}

void PicturesPage::showPicked()
{
    const QListWidgetItem* item = m_list->currentItem();
    if (!item)
        return;
    auto stored = StoredPictures::picture(m_db, item->data(Qt::UserRole).toLongLong());
    if (!stored) {
        m_prompter.showError(this, stored.error());
        return;
    }
    switch (stored.value().shown) {
    case StoredPictures::Shown::RowVanished:
        m_prompter.showError(this, vanished());
        // Not from inside the list's own signal: the click that sent it is still being handled.
        QMetaObject::invokeMethod(this, &PicturesPage::refill, Qt::QueuedConnection);
        return;
    case StoredPictures::Shown::NotABag:
        m_prompter.showError(this, notAPicture(QStringLiteral("保存的“%1”").arg(item->text())));
        return;
    case StoredPictures::Shown::Picture:
        break;
    }
    QImage decoded = QImage::fromData(stored.value().pictureBytes);
    if (decoded.isNull()) {
        m_prompter.showError(this, notAPicture(QStringLiteral("保存的“%1”").arg(item->text())));
        return;
    }
    m_image = std::move(decoded);
    m_shownSize = QSize();
    scaleToFrame();
}

void PicturesPage::scaleToFrame()
{
    if (m_image.isNull())
        return;
    const QSize shown = PictureFit::shownSize(m_image.size(), m_frame->viewport()->size());
    if (shown.isEmpty() || shown == m_shownSize)
        return;
    m_shownSize = shown;
    m_picture->setPixmap(QPixmap::fromImage(ScaledPicture::of(m_image, shown)));
    m_picture->resize(shown);
}

bool PicturesPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_frame->viewport() && event->type() == QEvent::Resize)
        scaleToFrame();
    return QWidget::eventFilter(watched, event);
}

void PicturesPage::addPicture()
{
    const QString path = m_prompter.openFileName(this, QStringLiteral("选择图片"), pictureFilter);
    if (path.isEmpty())
        return;
    const QString name = m_prompter.input(this, namePrompt, nameTitle, QFileInfo(path).fileName());
    if (name.isEmpty())
        return;
    auto bytes = StoredPictures::readPictureFile(path);
    if (!bytes) {
        m_prompter.showError(this, bytes.error());
        return;
    }
    if (QImage::fromData(bytes.value()).isNull()) {
        m_prompter.showError(this,
                             notAPicture(QStringLiteral("“%1”").arg(QFileInfo(path).fileName())));
        return;
    }
    auto added = StoredPictures::add(m_db, m_contactId, name, bytes.value());
    if (!added) {
        m_prompter.showError(this, added.error());
        return;
    }
    if (!added.value()) {
        m_prompter.message(this, QStringLiteral("联系人已被删除，无法添加图片！"), promptTitle,
                           Prompter::Icon::Exclamation);
        return;
    }
    refill();
}

void PicturesPage::renamePicture()
{
    const qint64 id = pickedId();
    if (id == 0) {
        m_prompter.message(this, QStringLiteral("请选择需要修改的图片！"), promptTitle,
                           Prompter::Icon::Information);
        return;
    }
    const QString name =
        m_prompter.input(this, namePrompt, nameTitle, m_list->currentItem()->text());
    if (name.isEmpty())
        return;
    if (!m_prompter.ask(this, QStringLiteral("是否修改选中图片的名称？"), promptTitle))
        return;
    auto renamed = StoredPictures::rename(m_db, id, name);
    if (!renamed) {
        m_prompter.showError(this, renamed.error());
        return;
    }
    if (!renamed.value())
        m_prompter.showError(this, vanished());
    refill();
}

void PicturesPage::deletePicture()
{
    const qint64 id = pickedId();
    if (id == 0) {
        m_prompter.message(this, QStringLiteral("请选择需要删除的图片！"), promptTitle,
                           Prompter::Icon::Information);
        return;
    }
    if (!m_prompter.ask(this, QStringLiteral("是否删除选中的图片？"), promptTitle))
        return;
    if (Status removed = StoredPictures::remove(m_db, id); !removed) {
        m_prompter.showError(this, removed.error());
        return;
    }
    refill();
}
