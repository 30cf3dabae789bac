// SPDX-License-Identifier: GPL-3.0-or-later
// What any Qt program showing the address book's first screen must do, and nothing more: the
// first 500 contacts of the book given by --database, in the program's columns and Chinese
// font, read with SQLite's C API into a plain table model; the groups in a tree; the letter tabs,
// the tool bar's captions, the history pane and the status line, all in Qt's own style, with no
// icons, no schema check, no accounts and no themes. bench_launch_x11 starts it beside the program
// and the bare window: the time it takes is the least the program's first frame can take. It
// prints one line at the list's first paint with rows, and ends.
#include "FirstPaintExit.h"
#include "ui/ChineseFont.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QDockWidget>
#include <QLineEdit>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTabBar>
#include <QTableView>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <sqlite3.h>

#include <array>
#include <cstdio>
#include <vector>

namespace {

constexpr int columnCount = 7;
using Row = std::array<QString, columnCount>;

class PlainRows : public QAbstractTableModel {
public:
    explicit PlainRows(std::vector<Row> rows)
        : m_rows(std::move(rows))
    {
    }

    int rowCount(const QModelIndex& parent) const override
    {
        return parent.isValid() ? 0 : int(m_rows.size());
    }
    int columnCount(const QModelIndex& parent) const override
    {
        return parent.isValid() ? 0 : ::columnCount;
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role == Qt::DisplayRole)
            return m_rows[index.row()][index.column()];
        if (role == Qt::CheckStateRole && index.column() == 0)
            return Qt::Unchecked;
        return {};
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        static constexpr const char16_t* captions[::columnCount] = {
            u"姓名", u"所属分类", u"手机1", u"电话1", u"单位名称", u"职务", u"Email1"};
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
            return QString::fromUtf16(captions[section]);
        return QAbstractTableModel::headerData(section, orientation, role);
    }

private:
    std::vector<Row> m_rows;
};

QString textAt(sqlite3_stmt* statement, int column)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, column)));
}

std::vector<Row> firstRows(sqlite3* db)
{
    std::vector<Row> rows;
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT C.Name, T.Name, C.Moblie1, C.Tel1, C.CompanyName, C.Post, C.Mail1"
                       " FROM Vardelin_Contact C JOIN Vardelin_Type T ON T.ID = C.TID"
                       " ORDER BY C.ID LIMIT 500",
                       -1, &statement, nullptr);
    while (sqlite3_step(statement) == SQLITE_ROW) {
        Row row;
        for (int column = 0; column < columnCount; ++column)
            row[column] = textAt(statement, column);
        rows.push_back(std::move(row));
    }
    sqlite3_finalize(statement);
    return rows;
}

void addGroups(sqlite3* db, QTreeWidget* tree)
{
    auto* all = new QTreeWidgetItem(tree, {QStringLiteral("全部联系人")});
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "SELECT Name FROM Vardelin_Type ORDER BY Number", -1, &statement,
                       nullptr);
    while (sqlite3_step(statement) == SQLITE_ROW)
        new QTreeWidgetItem(all, {textAt(statement, 0)});
    sqlite3_finalize(statement);
    all->setExpanded(true);
}

QWidget* listAndTabs(QWidget* parent, PlainRows* rows, FirstPaintExit* watcher)
{
    auto* centre = new QWidget(parent);
    auto* tabs = new QTabBar(centre);
    tabs->addTab(QStringLiteral("全部"));
    for (char letter = 'A'; letter <= 'Z'; ++letter)
        tabs->addTab(QString(QChar(letter)));
    auto* list = new QTableView(centre);
    list->setModel(rows);
    list->viewport()->installEventFilter(watcher);
    auto* layout = new QVBoxLayout(centre);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tabs);
    layout->addWidget(list, 1);
    return centre;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const qsizetype named = arguments.indexOf(QStringLiteral("--database"));
    if (named < 0 || named + 1 >= arguments.size()) {
        std::fputs("usage: bench_plain_first_screen --database <file>\n", stderr);
        return 2;
    }
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(arguments.at(named + 1).toUtf8().constData(), &db, SQLITE_OPEN_READONLY,
                        nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "cannot open the book: %s\n", sqlite3_errmsg(db));
        return 1;
    }
    preferSimplifiedChineseFont();
    PlainRows rows(firstRows(db));
    FirstPaintExit watcher(rows.rowCount({}));

    QMainWindow window;
    window.resize(1100, 720);
    QToolBar* tools = window.addToolBar(QStringLiteral("工具栏"));
    for (const char16_t* caption : {u"新建", u"修改", u"删除", u"打印", u"设置", u"关于"})
        tools->addAction(QString::fromUtf16(caption));
    tools->addWidget(new QLineEdit(tools));
    window.setCentralWidget(listAndTabs(&window, &rows, &watcher));

    auto* groups = new QDockWidget(QStringLiteral("分组"), &window);
    auto* tree = new QTreeWidget(groups);
    tree->setHeaderHidden(true);
    addGroups(db, tree);
    groups->setWidget(tree);
    window.addDockWidget(Qt::LeftDockWidgetArea, groups);
    auto* history = new QDockWidget(QStringLiteral("联系情况"), &window);
    history->setWidget(new QPlainTextEdit(history));
    window.addDockWidget(Qt::BottomDockWidgetArea, history);
    window.statusBar()->showMessage(QStringLiteral("共 %1 人").arg(rows.rowCount({})));
    sqlite3_close(db);

    window.show();
    return QApplication::exec();
}
