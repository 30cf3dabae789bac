// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmCard.h"

#include "ContactCard.h"
#include "FilesPage.h"
#include "OptionalDateEdit.h"
#include "PhotoFrame.h"
#include "PicturesPage.h"

#include "db/Database.h"
#include "db/Session.h"
#include "history/HistoryPage.h"
#include "ui/ProgramIcons.h"
#include "ui/Prompter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString promptTitle = QStringLiteral("提示！");
const QString pictureFilter =
    QStringLiteral("JPG图片 (*.jpg *.JPG *.jpeg);;GIF图片 (*.gif *.GIF);;BMP图片 (*.bmp *.BMP);;"
                   "PNG图片 (*.png)");

// The numbers the error box shows when a chosen photo cannot be used.
constexpr int photoFileUnreadable = 75;
constexpr int photoNotAPicture = 481;
// A photo is read whole into memory and into the row; larger files are refused.
constexpr qint64 largestPhotoBytes = 32 * 1024 * 1024;

// A save that finds its row changed or deleted since the card read it asks what to do; the last
// answer of each goes back to the card.
const QString changedMeanwhile = QStringLiteral("此联系人在您打开后已在别处被修改并保存。\n\n"
                                                "“重新读取”：放弃您的修改，显示已保存的内容；\n"
                                                "“覆盖保存”：用您的修改替换已保存的内容；\n"
                                                "“取消”：返回继续编辑。");
QStringList changedAnswers()
{
    return {QStringLiteral("重新读取(&R)"), QStringLiteral("覆盖保存(&O)"),
            QStringLiteral("取消(&C)")};
}
const QString deletedMeanwhile =
    QStringLiteral("此联系人在您打开后已在别处被删除。\n\n"
                   "“另存为新联系人”：把您填写的内容保存为一个新联系人；\n"
                   "“取消”：返回继续编辑。");
QStringList deletedAnswers()
{
    return {QStringLiteral("另存为新联系人(&N)"), QStringLiteral("取消(&C)")};
}

using Frame = CardField::Frame;

// Lays out one frame's labels and editors in grid, from rowOffset and columnOffset on. A field
// that spans its row takes spanColumns editor columns.
void placeFrame(QGridLayout* grid, const CardEditors& editors, Frame frame, int rowOffset,
                int columnOffset, int spanColumns)
{
    for (const CardEditors::Entry& entry : editors.entries()) {
        const CardField& field = *entry.field;
        if (field.frame != frame)
            continue;
        const int row = rowOffset + field.row;
        const int column = columnOffset + (field.pair < 0 ? 0 : field.pair * 2);
        grid->addWidget(entry.label, row, column);
        grid->addWidget(entry.editor, row, column + 1, 1, field.pair < 0 ? spanColumns : 1);
    }
}

QGroupBox* frameBox(const QString& objectName, const QString& title, QWidget* parent)
{
    auto* box = new QGroupBox(title, parent);
    box->setObjectName(objectName);
    return box;
}

QFrame* separatorLine(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

} // namespace

frmCard::frmCard(Database& db, Session& session, Prompter& prompter, const CardRequest& request,
                 QWidget* parent)
    : QDialog(parent)
    , m_db(db)
    , m_session(session)
    , m_prompter(prompter)
    , m_isEdit(request.isEdit)
    , m_id(request.isEdit ? request.id : 0)
    , m_tid(request.tid)
    , m_isCopy(request.isEdit && request.isCopy)
{
    setObjectName(QStringLiteral("frmCard"));
    setWindowTitle(QStringLiteral("联系人"));
    setSizeGripEnabled(true);
    m_editors = std::make_unique<CardEditors>(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 8);
    layout->setSpacing(4);
    auto* tools = new QHBoxLayout;
    tools->setSpacing(2);
    buildToolBar(tools);
    layout->addLayout(tools);
    layout->addWidget(separatorLine(this));

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("TabC"));
    m_tabs->setAccessibleName(QStringLiteral("联系人信息"));
    m_tabs->addTab(buildBasicPage(), QStringLiteral("基本信息"));
    m_tabs->addTab(buildCustomPage(), QStringLiteral("自定义信息"));
    m_pictures = new PicturesPage(m_db, m_prompter, m_id);
    m_tabs->addTab(m_pictures, QStringLiteral("图片"));
    m_files = new FilesPage(m_db, m_prompter, m_id);
    m_tabs->addTab(m_files, QStringLiteral("文档"));
    m_historyPage = new HistoryPage(m_db, m_prompter, m_id, request.isEdit, this);
    m_tabs->addTab(m_historyPage, QStringLiteral("联系记录"));
    layout->addWidget(m_tabs, 1);

    setTabOrderByCard();
    connectCommands();
    loadCard();
    resize(sizeHint().expandedTo(QSize(760, 540)));
}

frmCard::~frmCard() = default;

QToolButton* frmCard::addTool(QLayout* layout, const QString& objectName, const QString& tip,
                              const QIcon& icon)
{
    auto* button = new QToolButton(this);
    button->setObjectName(objectName);
    button->setToolTip(tip);
    button->setAccessibleName(tip);
    button->setIcon(icon);
    button->setIconSize(QSize(28, 28));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::StrongFocus);
    layout->addWidget(button);
    return button;
}

void frmCard::buildToolBar(QLayout* layout)
{
    QStyle* look = style();
    QIcon newIcon = ProgramIcons::load(QString(ProgramIcons::toolNew));
    if (newIcon.isNull())
        newIcon = look->standardIcon(QStyle::SP_FileIcon);
    addTool(layout, QStringLiteral("Button_Save"), QStringLiteral("保存"),
            look->standardIcon(QStyle::SP_DialogSaveButton))
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    addTool(layout, QStringLiteral("Button_New"), QStringLiteral("保存并新建联系人"), newIcon);
    addTool(layout, QStringLiteral("Button_Copy"), QStringLiteral("复制到新联系人"),
            look->standardIcon(QStyle::SP_FileDialogDetailedView));
    addTool(layout, QStringLiteral("Button_Clear"), QStringLiteral("清除照片"),
            look->standardIcon(QStyle::SP_DialogResetButton));
    addTool(layout, QStringLiteral("Button_Exit"), QStringLiteral("不保存退出"),
            look->standardIcon(QStyle::SP_DialogCloseButton));
    static_cast<QHBoxLayout*>(layout)->addStretch(1);
}

QWidget* frmCard::buildBasicPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("PageBasic"));
    auto* layout = new QVBoxLayout(page);

    auto* heading = new QGridLayout;
    placeFrame(heading, *m_editors, Frame::Heading, 0, 0, 1);
    heading->setColumnStretch(1, 3);
    heading->setColumnStretch(3, 1);
    heading->setColumnStretch(5, 3);
    layout->addLayout(heading);

    auto* middle = new QHBoxLayout;
    middle->addWidget(m_editors->photo());
    auto* phones = frameBox(QStringLiteral("GroupBox1"), QString(), page);
    auto* phonesGrid = new QGridLayout(phones);
    placeFrame(phonesGrid, *m_editors, Frame::Phones, 0, 0, 3);
    phonesGrid->setColumnStretch(1, 1);
    phonesGrid->setColumnStretch(3, 1);
    middle->addWidget(phones, 1);
    layout->addLayout(middle);

    auto* lower = new QHBoxLayout;
    auto* work = frameBox(QStringLiteral("GroupBox2"), QStringLiteral("工作"), page);
    auto* workGrid = new QGridLayout(work);
    placeFrame(workGrid, *m_editors, Frame::Work, 0, 0, 3);
    workGrid->setColumnStretch(1, 1);
    workGrid->setColumnStretch(3, 1);
    auto* network = frameBox(QStringLiteral("GroupBox3"), QStringLiteral("网络"), page);
    auto* networkGrid = new QGridLayout(network);
    placeFrame(networkGrid, *m_editors, Frame::Network, 0, 0, 1);
    networkGrid->setColumnStretch(1, 1);
    lower->addWidget(work, 3);
    lower->addWidget(network, 2);
    layout->addLayout(lower);
    layout->addStretch(1);
    return page;
}

QWidget* frmCard::buildCustomPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("PageCustom"));
    auto* grid = new QGridLayout(page);
    // Columns: label, box, gap, label, box; the two bands share them so labels line up.
    constexpr int rightColumn = 3;
    constexpr int lowerBand = 5;
    placeFrame(grid, *m_editors, Frame::UpperLeft, 0, 0, 1);
    placeFrame(grid, *m_editors, Frame::UpperRight, 0, rightColumn, 1);
    grid->addWidget(separatorLine(page), lowerBand - 1, 0, 1, 6);
    placeFrame(grid, *m_editors, Frame::LowerLeft, lowerBand, 0, 1);
    placeFrame(grid, *m_editors, Frame::LowerRight, lowerBand, rightColumn, 1);
    placeFrame(grid, *m_editors, Frame::Bottom, lowerBand + 5, 0, 4);
    auto* lunar = new QHBoxLayout;
    lunar->addWidget(m_editors->lunarText());
    lunar->addWidget(m_editors->lunarBox());
    grid->addLayout(lunar, lowerBand, rightColumn + 2);
    grid->setColumnMinimumWidth(2, 16);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(4, 1);
    grid->setRowStretch(lowerBand + 5, 1);
    return page;
}

void frmCard::setTabOrderByCard()
{
    QWidget* previous = nullptr;
    auto chain = [&previous](QWidget* next) {
        if (previous)
            QWidget::setTabOrder(previous, next);
        previous = next;
    };
    for (const CardField* field : CardFields::tabOrder()) {
        QWidget* editor = m_editors->editor(field->control);
        if (auto* date = qobject_cast<OptionalDateEdit*>(editor)) {
            chain(date->checkBox());
            chain(date->textBox());
            if (field->control == QLatin1StringView("Edit_Birthday"))
                chain(m_editors->lunarBox());
        } else {
            chain(editor);
        }
    }
    // A card opens ready for typing the name, whatever the toolbar's place in the chain.
    m_editors->editor(QLatin1StringView("Edit_Name"))->setFocus();
}

void frmCard::connectCommands()
{
    connect(findChild<QToolButton*>(QStringLiteral("Button_Save")), &QToolButton::clicked, this,
            [this] { SaveCard(); });
    connect(findChild<QToolButton*>(QStringLiteral("Button_New")), &QToolButton::clicked, this,
            &frmCard::saveAndNew);
    connect(findChild<QToolButton*>(QStringLiteral("Button_Copy")), &QToolButton::clicked, this,
            &frmCard::copyToNew);
    connect(findChild<QToolButton*>(QStringLiteral("Button_Clear")), &QToolButton::clicked, this,
            [this] { m_editors->photo()->clear(); });
    connect(findChild<QToolButton*>(QStringLiteral("Button_Exit")), &QToolButton::clicked, this,
            [this] { closeQuietly(QDialog::Rejected); });
    connect(m_editors->photo(), &PhotoFrame::chooseRequested, this, &frmCard::choosePhoto);
}

void frmCard::loadCard()
{
    GJSex();
    GJGrade();
    GJDept();
    GJPost();
    for (const Status& listed :
         {m_pictures->GJPic(), m_files->GJFiles(), m_historyPage->GJHistory()}) {
        if (!listed && !m_loadError)
            m_loadError = listed.error();
    }
    if (!m_isEdit) {
        setWindowTitle(QStringLiteral("新建联系人"));
        m_editors->showToday(QDate::currentDate());
        // Nothing can be copied from a contact that has no row yet.
        findChild<QToolButton*>(QStringLiteral("Button_Copy"))->setEnabled(false);
    } else {
        setWindowTitle(QStringLiteral("修改联系人"));
        m_editors->showToday(QDate::currentDate());
        auto stored = ContactCard::load(m_db, m_id, &m_readAs);
        if (!stored) {
            m_loadError = stored.error();
        } else if (stored.value()) {
            m_tid = stored.value()->groupId;
            m_editors->load(*stored.value());
        }
    }
    if (m_isCopy) {
        setWindowTitle(QStringLiteral("新建联系人"));
        m_isEdit = false;
    }
    GJParent();
}

void frmCard::GJSex()
{
    m_editors->fillSex();
}

void frmCard::GJGrade()
{
    m_editors->fillGrade();
}

void frmCard::GJDept()
{
    auto values = CardChoices::departments(m_db);
    if (values)
        m_editors->addDepartments(values.value());
    else if (!m_loadError)
        m_loadError = values.error();
}

void frmCard::GJPost()
{
    auto values = CardChoices::posts(m_db);
    if (values)
        m_editors->addPosts(values.value());
    else if (!m_loadError)
        m_loadError = values.error();
}

void frmCard::GJParent()
{
    auto groups = CardChoices::groups(m_db);
    if (groups)
        m_editors->fillGroups(groups.value(), m_tid);
    else if (!m_loadError)
        m_loadError = groups.error();
}

bool frmCard::SaveCard()
{
    const auto* name = static_cast<QLineEdit*>(m_editors->editor(QLatin1StringView("Edit_Name")));
    if (name->text().isEmpty()) {
        m_prompter.message(this, QStringLiteral("姓名不能为空！"), promptTitle,
                           Prompter::Icon::Information);
        return false;
    }
    if (m_editors->groupList()->currentIndex() < 0) {
        m_prompter.message(this, QStringLiteral("请选择所属分类！"), promptTitle,
                           Prompter::Icon::Information);
        return false;
    }
    if (!datesReadable())
        return false;
    if (!m_prompter.ask(this, QStringLiteral("是否确认保存联系人信息？"), promptTitle))
        return false;

    ContactCard::SaveRequest request;
    if (m_isEdit) {
        request.updateId = m_id;
        request.readAs = m_readAs;
    }
    request.userId = m_session.currentUserId;
    request.today = QDate::currentDate();
    request.record = m_editors->gather();
    return writeCard(std::move(request));
}

bool frmCard::writeCard(ContactCard::SaveRequest request)
{
    // At most three rounds: changed meanwhile, then deleted before the overwrite, then new.
    for (;;) {
        auto written = ContactCard::save(m_db, request);
        if (!written) {
            m_prompter.showError(this, written.error());
            return false;
        }
        switch (written.value().outcome) {
        case ContactCard::SaveOutcome::Written:
            m_saved = true;
            closeQuietly(QDialog::Accepted);
            return true;
        case ContactCard::SaveOutcome::RowChanged: {
            const int answer = m_prompter.choose(this, changedMeanwhile, promptTitle,
                                                 Prompter::Icon::Exclamation, changedAnswers());
            if (answer == 0)
                reloadCard();
            if (answer != 1)
                return false;
            request.readAs.reset();
            break;
        }
        case ContactCard::SaveOutcome::RowVanished:
            if (m_prompter.choose(this, deletedMeanwhile, promptTitle, Prompter::Icon::Exclamation,
                                  deletedAnswers()) != 0)
                return false;
            request.updateId.reset();
            request.readAs.reset();
            break;
        case ContactCard::SaveOutcome::GroupVanished:
            m_prompter.message(this, QStringLiteral("所属分类已被删除，请重新选择！"), promptTitle,
                               Prompter::Icon::Exclamation);
            GJParent();
            return false;
        }
    }
}

void frmCard::reloadCard()
{
    auto stored = ContactCard::load(m_db, m_id, &m_readAs);
    if (!stored) {
        m_prompter.showError(this, stored.error());
        return;
    }
    // Gone meanwhile too: the next save says so.
    if (!stored.value())
        return;
    m_tid = stored.value()->groupId;
    m_editors->load(*stored.value());
    GJParent();
}

bool frmCard::datesReadable()
{
    const CardEditors::Entry* unreadable = m_editors->firstDateThatIsNone();
    if (!unreadable)
        return true;
    QString label = QString::fromUtf16(unreadable->field->label);
    label.chop(1); // the colon
    m_prompter.message(
        this,
        QStringLiteral("%1“%2”不是有效的日期，请按“年-月-日”填写，例如 2001-09-10。")
            .arg(label, static_cast<OptionalDateEdit*>(unreadable->editor)->textBox()->text()),
        promptTitle, Prompter::Icon::Exclamation);
    m_tabs->setCurrentWidget(unreadable->editor->parentWidget());
    static_cast<OptionalDateEdit*>(unreadable->editor)->textBox()->setFocus();
    return false;
}

void frmCard::saveAndNew()
{
    if (SaveCard())
        m_then = Then::NewCard;
}

void frmCard::copyToNew()
{
    m_then = Then::CopyCard;
    closeQuietly(QDialog::Rejected);
}

void frmCard::choosePhoto()
{
    const QString path = m_prompter.openFileName(this, QStringLiteral("选择照片"), pictureFilter);
    if (path.isEmpty())
        return;
    QFile file(path);
    if (QFileInfo(path).size() > largestPhotoBytes) {
        m_prompter.showError(
            this, {photoFileUnreadable, QStringLiteral("图片文件“%1”太大，照片不能超过 32 MB。")
                                            .arg(QFileInfo(path).fileName())});
        return;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        m_prompter.showError(
            this, {photoFileUnreadable, QStringLiteral("无法读取图片文件“%1”。").arg(path)});
        return;
    }
    if (!m_editors->photo()->setPicture(file.readAll())) {
        m_prompter.showError(
            this, {photoNotAPicture,
                   QStringLiteral("“%1”不是可以识别的图片文件。").arg(QFileInfo(path).fileName())});
    }
}

void frmCard::closeQuietly(int result)
{
    m_closingFromCode = true;
    done(result);
}

void frmCard::reject()
{
    if (m_closingFromCode ||
        m_prompter.ask(this, QStringLiteral("是否关闭联系人窗口？"), promptTitle)) {
        m_closingFromCode = true;
        QDialog::reject();
    }
}
