// SPDX-License-Identifier: GPL-3.0-or-later
// Every text of every window is readable in every theme: each window is built and shown, and
// each caption, button, box, title, tab, header and list is drawn twice, once as it is and once
// with its text made transparent. The pixels that differ are the text; each one's contrast with
// the pixel behind it (the second drawing) must reach the ratio WCAG asks of text. Text is drawn
// without anti-aliasing here, so a text pixel has exactly the text's colour. Disabled controls
// are left out, as WCAG leaves them out.
#include "RunningMain.h"
#include "ScriptedPrompter.h"
#include "TestDatabase.h"

#include "about/AboutDesktop.h"
#include "about/frmAbout.h"
#include "admin/frmAlias.h"
#include "admin/frmSystem.h"
#include "app/frmLogin.h"
#include "card/frmCard.h"
#include "contacts/frmDuplicates.h"
#include "contacts/frmTName.h"
#include "db/Session.h"
#include "groups/frmType.h"
#include "history/frmHistory.h"
#include "history/frmRemind.h"
#include "ui/ChineseFont.h"
#include "ui/Contrast.h"
#include "ui/Skin.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDockWidget>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>
#include <QTreeWidget>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// What the text of one area looks like.
struct Reading {
    QRgb text = 0;    // the commonest colour of its pixels
    QRgb behind = 0;  // what lies behind the pixel of the lowest contrast counted
    double ratio = 0; // the contrast of all but the worst tenth of its pixels
    qsizetype pixels = 0;
};

const QString probeName = u"contrastProbe"_s;

// The widget's own sheet outranks the application's, whatever the selectors' weight.
QString hidingSheet(const QString& ownSheet)
{
    QString sheet = ownSheet.contains(u'{') || ownSheet.isEmpty()
                        ? ownSheet
                        : u'#' + probeName + u" { " + ownSheet + u" }";
    const QString self = u'#' + probeName;
    for (const QString& state : {u""_s, u":hover"_s, u":pressed"_s, u":checked"_s, u":focus"_s,
                                 u":default"_s, u":selected"_s}) {
        sheet += u'\n' + self + state + u" { color: transparent; selection-color: transparent; }";
        for (const QString& part : {u"::tab"_s, u"::section"_s, u"::item"_s})
            sheet += u'\n' + self + part + state + u" { color: transparent; }";
    }
    return sheet;
}

// Draws area (in widget's coordinates) of the window as it is and with the widget's text made
// transparent; nothing when no pixel changed.
std::optional<Reading> read(QWidget* window, QWidget* widget, const QRect& area)
{
    const QRect inWindow =
        QRect(widget->mapTo(window, area.topLeft()), area.size()).intersected(window->rect());
    if (inWindow.isEmpty())
        return std::nullopt;
    const QImage shown = window->grab(inWindow).toImage().convertToFormat(QImage::Format_RGB32);

    const QString name = widget->objectName();
    const QString sheet = widget->styleSheet();
    widget->setObjectName(probeName);
    widget->setStyleSheet(hidingSheet(sheet));
    // A link keeps the colour it was given when its text was set, which no sheet reaches.
    auto* label = qobject_cast<QLabel*>(widget);
    const QString richText =
        label && label->textFormat() == Qt::RichText ? label->text() : QString();
    if (!richText.isEmpty()) {
        const QString transparent = u"style=\"color: transparent\""_s;
        label->setText(u"<span "_s + transparent + u'>' +
                       QString(richText).replace(u"<a "_s, u"<a "_s + transparent + u' ') +
                       u"</span>"_s);
    }
    const QImage bare = window->grab(inWindow).toImage().convertToFormat(QImage::Format_RGB32);
    if (!richText.isEmpty())
        label->setText(richText);
    widget->setStyleSheet(sheet);
    widget->setObjectName(name);

    QHash<QRgb, qsizetype> counts;
    std::vector<std::pair<double, QRgb>> ratios;
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            const QRgb text = shown.pixel(x, y) & RGB_MASK;
            const QRgb behind = bare.pixel(x, y) & RGB_MASK;
            if (text == behind)
                continue;
            ++counts[text];
            ratios.emplace_back(Contrast::ratio(text, behind), behind);
        }
    }
    if (ratios.empty())
        return std::nullopt;
    Reading reading;
    reading.pixels = qsizetype(ratios.size());
    reading.text = std::max_element(counts.cbegin(), counts.cend()).key();
    const auto tenth = ratios.begin() + qsizetype(ratios.size()) / 10;
    std::nth_element(ratios.begin(), tenth, ratios.end());
    reading.ratio = tenth->first;
    reading.behind = tenth->second;
    return reading;
}

QString describe(const QWidget* widget)
{
    QString path;
    for (const QWidget* w = widget; w && !w->isWindow(); w = w->parentWidget()) {
        if (!w->objectName().isEmpty()) {
            path = w->objectName();
            break;
        }
    }
    return QString::fromLatin1(widget->metaObject()->className()) + u' ' + path;
}

// Walks the shown window, every page of every tab control in turn, and records each text that
// falls short.
class ContrastWalk {
public:
    explicit ContrastWalk(QWidget* window)
        : m_window(window)
    {
    }

    void run()
    {
        // A widget with a font of its own keeps its own drawing of it; here every one is drawn
        // without anti-aliasing.
        for (QWidget* widget : m_window->findChildren<QWidget*>()) {
            if (widget->testAttribute(Qt::WA_SetFont)) {
                QFont font = widget->font();
                font.setStyleStrategy(
                    QFont::StyleStrategy(font.styleStrategy() | QFont::NoAntialias));
                widget->setFont(font);
            }
        }
        QCoreApplication::processEvents();
        readVisible();
        for (QTabWidget* tabs : m_window->findChildren<QTabWidget*>()) {
            if (tabs->window() != m_window)
                continue;
            for (int page = 0; page < tabs->count(); ++page) {
                if (!tabs->isTabEnabled(page))
                    continue;
                tabs->setCurrentIndex(page);
                QCoreApplication::processEvents();
                readVisible();
            }
        }
    }

    const QStringList& faults() const { return m_faults; }
    int measured() const { return m_measured; }

private:
    void check(QWidget* widget, const QRect& area, const QString& what)
    {
        const auto reading = read(m_window, widget, area);
        const QString where = describe(widget) + u" \"" + what + u'"';
        if (!reading) {
            m_faults << where + u": no text drawn";
            return;
        }
        ++m_measured;
        if (reading->ratio < Contrast::minimumForText) {
            m_faults << where +
                            u": %1:1 (%2 on %3)"_s.arg(reading->ratio, 0, 'f', 2)
                                .arg(QColor(reading->text).name(), QColor(reading->behind).name());
        }
    }

    void readVisible()
    {
        // The tabs change with the page shown, so the bars are read on every page.
        for (QTabBar* bar : m_window->findChildren<QTabBar*>()) {
            if (!bar->isVisible() || bar->window() != m_window)
                continue;
            for (int tab = 0; tab < bar->count(); ++tab) {
                if (bar->isTabEnabled(tab) && !bar->tabText(tab).isEmpty())
                    check(bar, bar->tabRect(tab), bar->tabText(tab));
            }
        }
        for (QWidget* widget : m_window->findChildren<QWidget*>()) {
            if (!widget->isVisible() || !widget->isEnabled() || widget->window() != m_window ||
                m_done.contains(widget))
                continue;
            m_done.insert(widget);
            readOne(widget);
        }
    }

    // Where a check box or a radio button writes its caption: its box is drawn in the colours of
    // an edit, whatever the caption's.
    static QRect captionArea(QAbstractButton* button)
    {
        const bool check = qobject_cast<QCheckBox*>(button) != nullptr;
        if (!check && !qobject_cast<QRadioButton*>(button))
            return button->rect();
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        return button->style()->subElementRect(
            check ? QStyle::SE_CheckBoxContents : QStyle::SE_RadioButtonContents, &option, button);
    }

    // Where a closed list box writes its choice, without the arrow beside it.
    static QRect textArea(QComboBox* combo)
    {
        QStyleOptionComboBox option;
        option.initFrom(combo);
        option.editable = false;
        option.currentText = combo->currentText();
        return combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                              QStyle::SC_ComboBoxEditField, combo);
    }

    void readOne(QWidget* widget)
    {
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            if (!label->text().trimmed().isEmpty())
                check(label, label->rect(), label->text());
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            auto* tool = qobject_cast<QToolButton*>(button);
            const bool iconOnly = tool && tool->toolButtonStyle() == Qt::ToolButtonIconOnly;
            if (!button->text().isEmpty() && !iconOnly)
                check(button, captionArea(button), button->text());
        } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
            if (!group->title().isEmpty())
                check(group, QRect(0, 0, group->width(), group->fontMetrics().height() + 6),
                      group->title());
        } else if (auto* dock = qobject_cast<QDockWidget*>(widget)) {
            if (!dock->titleBarWidget())
                check(dock, QRect(0, 0, dock->width(), dock->fontMetrics().height() + 8),
                      dock->windowTitle());
        } else if (auto* header = qobject_cast<QHeaderView*>(widget)) {
            check(header, header->rect(), u"header"_s);
        } else if (auto* view = qobject_cast<QAbstractItemView*>(widget)) {
            if (view->model() && view->model()->rowCount() > 0)
                check(view, view->viewport()->geometry(), u"items"_s);
        } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            if (!edit->text().isEmpty())
                check(edit, edit->rect(), edit->text());
        } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            if (!combo->isEditable() && !combo->currentText().isEmpty())
                check(combo, textArea(combo), combo->currentText());
        } else if (auto* text = qobject_cast<QTextEdit*>(widget)) {
            if (!text->document()->isEmpty())
                check(text, text->viewport()->geometry(), u"text"_s);
        } else if (auto* plain = qobject_cast<QPlainTextEdit*>(widget)) {
            if (!plain->document()->isEmpty())
                check(plain, plain->viewport()->geometry(), u"text"_s);
        } else if (auto* bar = qobject_cast<QProgressBar*>(widget)) {
            if (bar->isTextVisible() && !bar->text().isEmpty())
                check(bar, bar->rect(), bar->text());
        }
    }

    QWidget* m_window;
    QSet<const QWidget*> m_done;
    QStringList m_faults;
    int m_measured = 0;
};

struct NoDesktop final : AboutDesktop {
    bool openUrl(const QUrl&) override { return false; }
    QString findExecutable(const QString&) override { return {}; }
    bool startDetached(const QString&) override { return false; }
};

// Everything one window needs while it is shown.
struct Scene {
    TestDatabase book;
    Session session;
    ScriptedPrompter prompter;
    NoDesktop desktop;
    std::unique_ptr<RunningMain> main;
    std::vector<std::unique_ptr<QWidget>> windows;
    qint64 contact = 0;

    Scene()
    {
        book.setOption(u"IsAllUser"_s, true);
        session.options.isAllUser = true;
        const qint64 group = book.addGroup(1, 1, u"客户"_s);
        contact = book.addContact({{u"Name"_s, u"张伟"_s},
                                   {u"TID"_s, group},
                                   {u"CompanyName"_s, u"华信"_s},
                                   {u"Moblie1"_s, u"13800138000"_s},
                                   {u"Remark"_s, u"老客户"_s}});
        book.addContact(
            {{u"Name"_s, u"张伟"_s}, {u"TID"_s, group}, {u"Moblie1"_s, u"13800138000"_s}});
        book.run(u"INSERT INTO Vardelin_History (CID, LxDate, NextDate, Remark, IsRemind) "
                 "VALUES (?, '2026-12-01', '2026-12-06', '回访', 1)"_s,
                 {contact});
    }

    template <typename W> W* keep(std::unique_ptr<W> window)
    {
        W* shown = window.get();
        windows.push_back(std::move(window));
        return shown;
    }
};

using Builder = std::function<QWidget*(Scene&)>;

QWidget* settings(Scene& scene)
{
    auto* window = scene.keep(std::make_unique<frmSystem>(
        scene.book.db(), scene.session, scene.prompter, frmSystem::RebuildList{}));
    return window->load() ? window : nullptr;
}

const std::vector<std::pair<const char*, Builder>>& windows()
{
    static const std::vector<std::pair<const char*, Builder>> all{
        {"main",
         [](Scene& scene) -> QWidget* {
             scene.book.run(u"UPDATE Vardelin_Login SET Skin = ?"_s, {Skin::current()});
             scene.main = std::make_unique<RunningMain>();
             if (!scene.main->start(scene.book.path()))
                 return nullptr;
             scene.main->list()->selectRow(0);
             return scene.main->window.get();
         }},
        {"card",
         [](Scene& scene) -> QWidget* {
             CardRequest request;
             request.isEdit = true;
             request.id = scene.contact;
             return scene.keep(std::make_unique<frmCard>(scene.book.db(), scene.session,
                                                         scene.prompter, request));
         }},
        {"settings", settings},
        {"login",
         [](Scene& scene) -> QWidget* {
             auto* login = scene.keep(std::make_unique<frmLogin>(scene.book.db(), scene.session));
             if (!login->load())
                 return nullptr;
             // A refused password writes its message into the dialog.
             login->findChild<QLineEdit*>(u"txtPassword"_s)->setText(u"wrong"_s);
             login->findChild<QPushButton*>(u"cmdOK"_s)->click();
             return login;
         }},
        {"group",
         [](Scene& scene) -> QWidget* {
             auto* group = scene.keep(std::make_unique<frmType>(scene.book.db(), scene.prompter,
                                                                frmType::Values{false, 0, 1}));
             return group->load() ? group : nullptr;
         }},
        {"history",
         [](Scene& scene) -> QWidget* {
             auto* history = scene.keep(std::make_unique<frmHistory>(
                 scene.book.db(), scene.prompter, frmHistory::Values{false, scene.contact, 0}));
             return history->load() ? history : nullptr;
         }},
        {"remind",
         [](Scene& scene) -> QWidget* {
             const QDate today(2026, 12, 6);
             DueList due;
             due.followUps.push_back({1, scene.contact, u"张伟"_s, today.addDays(-5), u"回访"_s});
             due.days.push_back({scene.contact, u"张伟"_s, DueDay::Kind::Birthday, today.addDays(2),
                                 QDate(1980, 12, 8)});
             return scene.keep(
                 std::make_unique<frmRemind>(scene.book.db(), scene.prompter, 1, today, due));
         }},
        {"about",
         [](Scene& scene) -> QWidget* {
             return scene.keep(std::make_unique<frmAbout>(scene.prompter, scene.desktop));
         }},
        {"alias",
         [](Scene& scene) -> QWidget* {
             // Opened from the column page, as the settings window opens it.
             QWidget* owner = settings(scene);
             if (!owner)
                 return nullptr;
             QWidget* page = owner->findChild<QTreeWidget*>(u"ListGird"_s)->parentWidget();
             auto* alias = new frmAlias(u"职务"_s, u"1350"_s, u"3"_s, page);
             alias->findChild<QLineEdit*>(u"Edit_Width"_s)->setText(u"abc"_s);
             alias->show();
             alias->close(); // refused: the message shows
             return alias;
         }},
        {"change group",
         [](Scene& scene) -> QWidget* {
             auto* move = scene.keep(std::make_unique<frmTName>(
                 scene.book.db(), scene.prompter, [](qint64) -> Result<bool> { return true; }));
             return move->GJParent() ? move : nullptr;
         }},
        {"duplicates",
         [](Scene& scene) -> QWidget* {
             auto* duplicates = scene.keep(
                 std::make_unique<frmDuplicates>(scene.book.db(), scene.session, scene.prompter));
             return duplicates->GJDuplicates() ? duplicates : nullptr;
         }},
    };
    return all;
}

} // namespace

class TestTextContrast : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        preferSimplifiedChineseFont();
        QFont plain = QApplication::font();
        plain.setStyleStrategy(QFont::NoAntialias);
        QApplication::setFont(plain);
    }

    void everyTextIsReadable_data()
    {
        QTest::addColumn<QString>("skin");
        QTest::addColumn<int>("window");
        for (const QString& skin : Skin::names()) {
            for (int window = 0; window < int(windows().size()); ++window)
                QTest::addRow("%s %s", qPrintable(skin), windows()[window].first) << skin << window;
        }
    }
    void everyTextIsReadable()
    {
        QFETCH(QString, skin);
        QFETCH(int, window);
        QVERIFY(Skin::apply(skin));
        Scene scene;
        QVERIFY(scene.book.ok());
        QWidget* shown = windows()[window].second(scene);
        QVERIFY(shown);
        shown->show();
        QVERIFY(QTest::qWaitForWindowExposed(shown));
        ContrastWalk walk(shown);
        walk.run();
        QVERIFY2(walk.faults().isEmpty(), qPrintable(walk.faults().join(u"\n"_s)));
        QVERIFY(walk.measured() >= 2);
    }

    void switchedOffPagesLookSwitchedOff_data()
    {
        QTest::addColumn<QString>("skin");
        for (const QString& skin : Skin::names())
            QTest::newRow(qPrintable(skin)) << skin;
    }
    void switchedOffPagesLookSwitchedOff()
    {
        QFETCH(QString, skin);
        QVERIFY(Skin::apply(skin));
        Scene scene;
        scene.book.run(u"INSERT INTO Vardelin_Login (Name, Pass, Skin, Dock) "
                       "VALUES ('职员', NULL, 'Blue', '')"_s);
        scene.session.currentUserId =
            scene.book.scalar(u"SELECT ID FROM Vardelin_Login WHERE Name = '职员'"_s).toLongLong();
        QWidget* window = settings(scene);
        QVERIFY(window);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        auto* bar = window->findChild<QTabWidget*>(u"TabC"_s)->tabBar();
        QCOMPARE(bar->currentIndex(), int(frmSystem::ImportTab));
        const auto off = read(window, bar, bar->tabRect(frmSystem::OptionsTab));
        const auto on = read(window, bar, bar->tabRect(frmSystem::PasswordTab));
        QVERIFY(off && on);
        QVERIFY2(off->text != on->text, qPrintable(QColor(off->text).name()));
        QVERIFY(off->ratio < on->ratio);
    }
};

QTEST_MAIN(TestTextContrast)
#include "tst_textcontrast.moc"
