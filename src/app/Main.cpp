// SPDX-License-Identifier: GPL-3.0-or-later
#include "Main.h"

#include "AddressBookCommands.h"
#include "ColleagueChanges.h"
#include "DockLayout.h"
#include "FileNotices.h"
#include "MainToolBar.h"
#include "PaneLayout.h"
#include "SearchInTwoSteps.h"
#include "ShutDown.h"
#include "UserProfile.h"

#include "about/AboutDesktop.h"
#include "about/frmAbout.h"

#include "admin/frmSystem.h"
#include "card/frmCard.h"
#include "contacts/ContactListCommands.h"
#include "contacts/ContactListLoader.h"
#include "contacts/ContactListView.h"
#include "contacts/LetterTabs.h"
#include "db/Database.h"
#include "db/Session.h"
#include "groups/GroupCommands.h"
#include "groups/GroupTree.h"
#include "groups/GroupTreeWidget.h"
#include "history/HistoryPane.h"
#include "print/PrintCommands.h"
#include "sync/SyncPage.h"
#include "ui/ProgramIcons.h"
#include "ui/Prompter.h"
#include "ui/Skin.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDockWidget>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QIcon programIcon(QLatin1StringView fileName)
{
    return ProgramIcons::load(QString(fileName));
}

} // namespace

Main::Main(Database& db, Session& session, Prompter& prompter, QWidget* parent)
    : QMainWindow(parent)
    , m_db(db)
    , m_session(session)
    , m_prompter(prompter)
    , m_toolBar(new MainToolBar(this))
    , m_startUp(db, session, prompter, this)
    , m_reminders(db, session, prompter, this,
                  [this](qint64 contactId) { EditCard(contactId, false); })
    , m_timedSync(db, session, m_passwords)
{
    setObjectName(QStringLiteral("Main"));
    setWindowTitle(QStringLiteral("瓦德林通讯录 V3.1"));
    setWindowIcon(programIcon(ProgramIcons::contactMale));
    resize(1100, 720);
    connect(&m_timedSync, &TimedSync::finished, this, &Main::timedSyncFinished);
    addToolBar(Qt::TopToolBarArea, m_toolBar);
    // The toolbar holds the search and every command: nothing may hide it.
    m_toolBar->toggleViewAction()->setVisible(false);
    m_toolBar->toggleViewAction()->setEnabled(false);

    // Each widget is made under its final parent: every move to another parent resolves the
    // moved widget's and all its children's palette and font again.
    auto* centre = new QWidget(this);
    m_tabs = new LetterTabs(centre);
    m_list = new ContactListView(centre);
    m_searchSteps = new SearchInTwoSteps(m_db, m_list, this);
    auto* layout = new QVBoxLayout(centre);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_tabs);
    layout->addWidget(m_list, 1);
    setCentralWidget(centre);

    createPanes();
    createMenus();
    connectCommands();
    arrangeKeyboardOrder();
    nameForAssistiveTools();
    new FileNotices(
        m_db, m_prompter, this, [this] { return m_started; }, [this] { restartOnReplacedFile(); });
}

bool Main::startUp(const QString& databasePath)
{
    const Status started = runStartUp(databasePath);
    if (!started) {
        // Like every prompt before the window, in the default colours.
        Skin::apply(Skin::defaultName);
        if (!m_startUp.offerNewestBackup(databasePath, started.error()))
            m_prompter.showError(this, started.error());
        m_restartWanted = m_startUp.restored();
        return false;
    }
    m_started = !m_endedAtLogin;
    if (m_started) {
        new ColleagueChanges(
            m_db, m_prompter, this,
            {m_list, m_tree, m_historyReader, m_session.options.isExpanded, [this] {
                 return GJContact(m_listSearched ? GroupTree::rootId : m_tree->selectedGroupId(),
                                  m_listSearched);
             }});
        // What the first frame does not show waits for it, so that it never delays it.
        m_firstPaintPending = true;
        m_list->viewport()->installEventFilter(this);
    }
    return m_started;
}

bool Main::eventFilter(QObject* watched, QEvent* event)
{
    if (m_firstPaintPending && event->type() == QEvent::Paint && watched == m_list->viewport()) {
        m_firstPaintPending = false;
        m_list->viewport()->removeEventFilter(this);
        QTimer::singleShot(0, this, &Main::afterFirstPaint);
    }
    return QMainWindow::eventFilter(watched, event);
}

void Main::afterFirstPaint()
{
    m_toolBar->completeAfterFirstPaint();
    // Unless a command has built the list anew since.
    if (m_restOfListPending)
        refreshList(m_tree->selectedGroupId(), false);
    m_reminders.start();
    m_timedSync.start(true);
}

void Main::timedSyncFinished(const QString& message, bool changedHere)
{
    statusBar()->showMessage(message);
    if (changedHere)
        refreshList(m_tree->selectedGroupId(), false);
}

Status Main::runStartUp(const QString& databasePath)
{
    auto opened = m_startUp.open(databasePath, m_loginShow);
    if (!opened)
        return opened.error();
    if (!opened.value()) {
        m_endedAtLogin = true;
        return {};
    }
    restoreDockState(*opened.value());

    if (m_session.options.isMax)
        setWindowState(windowState() | Qt::WindowMaximized);
    // An empty or unknown colour keeps the default.
    if (Skin::apply(m_session.skinName)) {
        const QSignalBlocker quiet(m_toolBar->skinCombo());
        m_toolBar->skinCombo()->setCurrentText(Skin::current());
    }

    if (Status tree = GJTree(); !tree)
        return tree;
    return GJContactFirstScreen();
}

void Main::createPanes()
{
    m_groupPane = new QDockWidget(QStringLiteral("分组"), this);
    m_groupPane->setObjectName(QStringLiteral("Pane1"));
    auto* groups = new QWidget(m_groupPane);
    groups->setObjectName(QStringLiteral("P1"));
    auto* groupsLayout = new QVBoxLayout(groups);
    groupsLayout->setContentsMargins(2, 2, 2, 2);
    m_tree = new GroupTreeWidget(groups);
    m_newGroupButton = new QPushButton(QStringLiteral("新建分组"), groups);
    m_newGroupButton->setObjectName(QStringLiteral("Button_Type_New"));
    m_newGroupButton->setIcon(programIcon(ProgramIcons::toolNewGroup));
    groupsLayout->addWidget(m_tree, 1);
    groupsLayout->addWidget(m_newGroupButton);

    m_groupPane->setWidget(groups);
    addDockWidget(Qt::LeftDockWidgetArea, m_groupPane);

    m_historyPane = new QDockWidget(QStringLiteral("联系情况"), this);
    m_historyPane->setObjectName(QStringLiteral("Pane2"));
    auto* history = new QWidget(m_historyPane);
    history->setObjectName(QStringLiteral("P2"));
    auto* historyLayout = new QVBoxLayout(history);
    historyLayout->setContentsMargins(2, 2, 2, 2);
    m_history = new QPlainTextEdit(history);
    m_history->setObjectName(QStringLiteral("Edit_LX"));
    m_history->setReadOnly(true);
    historyLayout->addWidget(m_history);

    m_historyPane->setWidget(history);
    addDockWidget(Qt::BottomDockWidgetArea, m_historyPane);

    resizeDocks({m_groupPane}, {220}, Qt::Horizontal);
    resizeDocks({m_historyPane}, {200}, Qt::Vertical);
}

void Main::createMenus()
{
    m_groupMenu = new QMenu(QStringLiteral("右键"), this);
    m_groupMenu->setObjectName(QStringLiteral("RightMenu"));
    m_groupMenu->addAction(QStringLiteral("修改"))->setObjectName(QStringLiteral("Edit_Menu"));
    m_groupMenu->addAction(QStringLiteral("删除"))->setObjectName(QStringLiteral("Del_Menu"));

    m_contactMenu = new QMenu(QStringLiteral("联系人右键"), this);
    m_contactMenu->setObjectName(QStringLiteral("RightContact"));
    m_contactMenu->addAction(QStringLiteral("全部选中"))
        ->setObjectName(QStringLiteral("AllSelect"));
    m_contactMenu->addAction(QStringLiteral("删除选中"))->setObjectName(QStringLiteral("AllDel"));
    m_contactMenu->addSeparator()->setObjectName(QStringLiteral("H1"));
    m_contactMenu->addAction(QStringLiteral("更改分组"))->setObjectName(QStringLiteral("EditType"));
    m_contactMenu->addAction(QStringLiteral("查找重复联系人"))
        ->setObjectName(QStringLiteral("FindDuplicates"));
    m_contactMenu->addAction(QStringLiteral("打印"))->setObjectName(QStringLiteral("PrintList"));

    m_paneMenu = new QMenu(this);
    m_paneMenu->setObjectName(QStringLiteral("PaneMenu"));
    m_paneMenu->addAction(m_groupPane->toggleViewAction());
    m_paneMenu->addAction(m_historyPane->toggleViewAction());
}

QMenu* Main::createPopupMenu()
{
    auto* menu = new QMenu(this);
    menu->addActions(m_paneMenu->actions());
    return menu;
}

void Main::connectCommands()
{
    connect(m_tree, &GroupTreeWidget::groupChosen, this,
            [this](qint64 groupId) { refreshList(groupId, false); });
    connect(m_tabs, &QTabBar::currentChanged, this,
            [this] { refreshList(m_tree->selectedGroupId(), false); });
    connect(m_toolBar->searchButton(), &QPushButton::clicked, this,
            [this] { refreshList(GroupTree::rootId, true); });
    connect(m_toolBar->condition(), &QLineEdit::returnPressed, this,
            [this] { refreshList(GroupTree::rootId, true); });
    connect(m_toolBar->skinCombo(), &QComboBox::textActivated, this, &Main::chooseSkin);
    connect(m_toolBar->newBookAction(), &QAction::triggered, this, [this] {
        if (const auto path = AddressBookCommands::createNew(this, m_prompter))
            switchToAddressBook(*path);
    });
    connect(m_toolBar->openBookAction(), &QAction::triggered, this, [this] {
        if (const auto path = AddressBookCommands::chooseExisting(this, m_prompter))
            switchToAddressBook(*path);
    });
    connect(m_toolBar->settingsButton(), &QToolButton::clicked, this, &Main::Button_Sys_Click);
    connect(m_toolBar->aboutButton(), &QToolButton::clicked, this, &Main::Button_About_Click);
    connectCardCommands();
    connect(m_searchSteps, &SearchInTwoSteps::completed, m_tabs, &LetterTabs::showCount);
    connect(m_searchSteps, &SearchInTwoSteps::failed, this,
            [this](const DbError& error) { m_prompter.showError(this, error); });
    m_historyReader = new HistoryPane(m_db, m_prompter, m_list, m_history, this);

    m_tabs->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_tabs, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { m_paneMenu->popup(m_tabs->mapToGlobal(at)); });

    // The list's and the tree's own commands, with their pop-up menus.
    auto* listCommands = new ContactListCommands(m_db, m_session, m_prompter, m_list, m_contactMenu,
                                                 m_toolBar->deleteButton(), this);
    connect(listCommands, &ContactListCommands::listStale, this,
            [this] { refreshList(m_tree->selectedGroupId(), false); });
    connect(listCommands, &ContactListCommands::contactsRemoved, m_tabs, &LetterTabs::showFewer);
    auto* printCommands = new PrintCommands(m_db, m_prompter, m_list, this);
    connect(m_toolBar->printButton(), &QToolButton::clicked, printCommands, &PrintCommands::print);
    connect(m_contactMenu->findChild<QAction*>(QStringLiteral("PrintList")), &QAction::triggered,
            printCommands, &PrintCommands::print);
    auto* groupCommands =
        new GroupCommands(m_db, m_prompter, m_tree, m_groupMenu, m_newGroupButton, this);
    connect(groupCommands, &GroupCommands::groupPicked, this,
            [this](qint64 groupId) { refreshList(groupId, false); });
    connect(groupCommands, &GroupCommands::groupsChanged, this, [this] {
        if (Status rebuilt = GJTree(); !rebuilt)
            m_prompter.showError(this, rebuilt.error());
    });
}

bool Main::listComplete() const
{
    return !m_restOfListPending && !m_searchSteps->pending();
}

Status Main::GJTree()
{
    auto groups = GroupTree::load(m_db);
    if (!groups)
        return groups.error();
    m_tree->rebuild(groups.value(), m_session.options.isExpanded);
    return {};
}

ContactListFilter Main::listFilter(qint64 groupId, bool search) const
{
    ContactListFilter filter;
    filter.groupId = groupId;
    filter.userId = m_session.currentUserId;
    filter.letter = m_tabs->selectedLetter();
    if (search)
        filter.keyword = m_toolBar->condition()->text();
    filter.top = m_session.options.isTop;
    return filter;
}

Status Main::GJContact(qint64 groupId, bool search)
{
    m_restOfListPending = false;
    m_listSearched = search;
    m_searchSteps->cancel();
    const ContactListFilter filter = listFilter(groupId, search);
    // The shown rows go first: at 300,000 contacts two lists side by side are 150 MB.
    m_list->releaseRows();
    if (m_searchSteps->serves(filter)) {
        auto first = m_searchSteps->start(filter);
        if (!first) {
            m_tabs->showCount(0);
            return first.error();
        }
        showList(std::move(first.value().rows), first.value().count);
        return {};
    }
    auto rows = ContactListLoader::load(m_db, filter);
    if (!rows) {
        m_tabs->showCount(0);
        return rows.error();
    }
    showList(std::move(rows).value(), rows.value().rowCount());
    return {};
}

Status Main::GJContactFirstScreen()
{
    ContactListFilter filter = listFilter(GroupTree::rootId, false);
    filter.firstRows = firstScreenRows;
    auto total = ContactListLoader::count(m_db, filter);
    if (!total)
        return total.error();
    auto rows = ContactListLoader::load(m_db, filter);
    if (!rows)
        return rows.error();
    m_restOfListPending = std::size_t(total.value()) > rows.value().rowCount();
    showList(std::move(rows).value(), std::size_t(total.value()));
    return {};
}

void Main::showList(ContactRows rows, std::size_t count)
{
    ClearTab();
    m_tabs->showCount(count);
    m_list->showRows(std::move(rows), programIcon(ProgramIcons::contactFemale),
                     programIcon(ProgramIcons::contactMale));
}

void Main::ClearTab()
{
    m_tabs->ClearTab();
}

void Main::refreshList(qint64 groupId, bool search)
{
    if (Status built = GJContact(groupId, search); !built)
        m_prompter.showError(this, built.error());
}

void Main::chooseSkin(const QString& colour)
{
    if (!Skin::apply(colour))
        return;
    m_session.skinName = colour;
    if (Status saved = UserProfile::saveSkin(m_db, m_session.currentUserId, colour); !saved)
        m_prompter.showError(this, saved.error());
}

void Main::arrangeKeyboardOrder()
{
    // Top to bottom, left to right: the toolbar, the group pane, the list, the history.
    const QList<QWidget*> order{m_toolBar->newButton(),
                                m_toolBar->editButton(),
                                m_toolBar->deleteButton(),
                                m_toolBar->printButton(),
                                m_toolBar->bookButton(),
                                m_toolBar->settingsButton(),
                                m_toolBar->aboutButton(),
                                m_toolBar->condition(),
                                m_toolBar->searchButton(),
                                m_toolBar->skinCombo(),
                                m_tree,
                                m_newGroupButton,
                                m_tabs,
                                m_list,
                                m_history};
    for (QWidget* widget : order) {
        if (!(widget->focusPolicy() & Qt::TabFocus))
            widget->setFocusPolicy(Qt::TabFocus);
    }
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
    // Tab leaves the list and the history instead of moving inside them.
    m_list->setTabKeyNavigation(false);
    m_history->setTabChangesFocus(true);
}

void Main::nameForAssistiveTools()
{
    m_tree->setAccessibleName(QStringLiteral("分组"));
    m_tabs->setAccessibleName(QStringLiteral("首字母"));
    m_list->setAccessibleName(QStringLiteral("联系人列表"));
    m_history->setAccessibleName(QStringLiteral("联系情况"));
}

QString Main::dockState() const
{
    return DockLayout::write(PaneLayout::capture(*this, {m_groupPane, m_historyPane}));
}

bool Main::restoreDockState(const QString& text)
{
    // An earlier build's form (Qt's own state bytes) is dropped rather than read: those bytes
    // follow Qt's private format, and the next close stores the layout in ours.
    const std::optional<DockLayout::Layout> layout = DockLayout::read(text);
    if (layout)
        PaneLayout::apply(*this, {m_groupPane, m_historyPane}, *layout);
    keepToolBarShown();
    return layout.has_value();
}

void Main::keepToolBarShown()
{
    // A layout saved while the toolbar could still be hidden or moved must not lock the
    // user out of the search and the commands.
    if (toolBarArea(m_toolBar) != Qt::TopToolBarArea)
        addToolBar(Qt::TopToolBarArea, m_toolBar);
    // Only a hidden one is shown here: show() on a toolbar not hidden would polish and lay it
    // out now, before the window's own show does it all again.
    if (m_toolBar->isHidden())
        m_toolBar->show();
}

void Main::closeEvent(QCloseEvent* event)
{
    // Closing is never refused. A window whose start-up did not finish (a failure, a login
    // left) writes nothing, and nothing more is written to a file found damaged, nor to one
    // another program replaced.
    m_reminders.stop();
    m_timedSync.stop();
    if (m_started && m_db.isOpen() && !m_db.isDamaged() && !m_db.wasReplaced())
        ShutDown::run(m_db, m_session, m_prompter, *this, dockState());
    event->accept();
}

void Main::restartOnReplacedFile()
{
    // Nothing of this window belongs in the file that replaced the one it was started on.
    m_started = false;
    m_restartWanted = true;
    close();
}

void Main::switchToAddressBook(const QString& databasePath)
{
    m_nextDatabasePath = databasePath;
    m_restartWanted = true;
    close();
}

void Main::Button_Sys_Click()
{
    frmSystem settings(
        m_db, m_session, m_prompter, [this] { return GJContact(m_tree->selectedGroupId(), false); },
        this);
    if (Status loaded = settings.load(); !loaded) {
        m_prompter.showError(this, loaded.error());
        return;
    }
    // The page syncs by hand and may restore a backup over the file: no timed sync beside it.
    m_timedSync.stop();
    auto* sync = new SyncPage(m_db, m_session, m_prompter, m_passwords);
    if (Status loaded = sync->load(); !loaded) {
        delete sync;
        m_prompter.showError(this, loaded.error());
        m_timedSync.start(false);
        return;
    }
    settings.addPage(sync, QStringLiteral("同步"));
    connect(&settings, &QDialog::accepted, sync, &SyncPage::save);
    bool synced = false;
    connect(sync, &SyncPage::synced, this, [&synced] { synced = true; });
    settings.exec();
    // Cards from the server are in the list at once, however the window was closed.
    if (synced && !settings.restored())
        if (Status rebuilt = GJContact(m_tree->selectedGroupId(), false); !rebuilt)
            m_prompter.showError(this, rebuilt.error());
    if (settings.restored())
        restartOnReplacedFile();
    else
        m_timedSync.start(false);
}

void Main::Button_About_Click()
{
    frmAbout about(m_prompter, AboutDesktop::system(), this);
    about.exec();
}

void Main::connectCardCommands()
{
    connect(m_toolBar->newButton(), &QToolButton::clicked, this, &Main::Button_New_Click);
    connect(m_toolBar->editButton(), &QToolButton::clicked, this, &Main::Button_Edit);
    // A double click or Enter on a row.
    connect(m_list, &QAbstractItemView::activated, this, &Main::Button_Edit);
}

void Main::Button_New_Click()
{
    CardRequest request;
    request.tid = m_tree->selectedGroupId();
    openCards(request);
}

void Main::EditCard(qint64 contactId, bool copy)
{
    openCards({true, contactId, 0, copy});
}

void Main::Button_Edit()
{
    const QModelIndexList selected =
        m_list->selectionModel() ? m_list->selectionModel()->selectedRows() : QModelIndexList();
    if (selected.isEmpty()) {
        m_prompter.message(this, QStringLiteral("请选择需要编辑的联系人！"),
                           QStringLiteral("提示！"), Prompter::Icon::Exclamation);
        return;
    }
    EditCard(m_list->contacts()->contactId(selected.first().row()), false);
}

void Main::openCards(CardRequest request)
{
    for (;;) {
        frmCard card(m_db, m_session, m_prompter, request, this);
        if (card.loadError()) {
            m_prompter.showError(this, *card.loadError());
            return;
        }
        card.exec();
        if (card.saved())
            refreshList(m_tree->selectedGroupId(), false);
        switch (card.then()) {
        case frmCard::Then::Nothing:
            return;
        case frmCard::Then::NewCard:
            request = {false, 0, m_tree->selectedGroupId(), false};
            break;
        case frmCard::Then::CopyCard:
            request = {true, card.contactId(), 0, true};
            break;
        }
    }
}
