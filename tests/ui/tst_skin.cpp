// SPDX-License-Identifier: GPL-3.0-or-later
// The colour themes and how the style draws them, the Chinese font choice, the icon loader and the
// start-up's font and translation set-up.
#include "ui/ChineseFont.h"
#include "ui/DeferredIconStyle.h"
#include "ui/FontConfigWarmUp.h"
#include "ui/ProgramIcons.h"
#include "ui/QtTranslations.h"
#include "ui/Skin.h"
#include "ui/SkinColours.h"

#include <QApplication>
#include <QDockWidget>
#include <QFile>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHeaderView>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QStatusBar>
#include <QStyleFactory>
#include <QStyleOption>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace {

// The parts of the windows the themes draw, each drawn alone by the style.
enum Part {
    PushButton,
    DefaultPushButton,
    ToolButton,
    DockButton,
    TabScrollButton,
    Tab,
    TabBelow,
    Header,
    Menu,
    MenuItem,
    MenuSeparator,
    MenuBarItem,
    ToolBar,
    StatusBar,
    DockTitle,
    ToolTip,
    GroupBox,
    CheckableGroupBox,
    Pane,
    Splitter,
};

// The part drawn over magenta into 80 by 24 pixels.
QImage drawn(Part part, QStyle::State state)
{
    QImage image(80, 24, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    QPainter painter(&image);
    const QStyle* style = QApplication::style();
    const auto prepare = [&](QStyleOption& option, const QWidget* widget) {
        option.initFrom(widget);
        option.rect = image.rect();
        option.state = state;
    };
    QPushButton pushButton;
    QToolButton toolButton;
    QDockWidget dock(u"分组"_s);
    QTabBar tabBar;
    QHeaderView header(Qt::Horizontal);
    QMenu menu;
    QMenuBar menuBar;
    QToolBar toolBar;
    QGroupBox groupBox;
    switch (part) {
    case PushButton:
    case DefaultPushButton: {
        QStyleOptionButton option;
        prepare(option, &pushButton);
        option.text = u"确定"_s;
        if (part == DefaultPushButton)
            option.features = QStyleOptionButton::DefaultButton;
        style->drawControl(QStyle::CE_PushButton, &option, &painter, &pushButton);
        break;
    }
    case ToolButton:
    case TabScrollButton: {
        const QToolButton* button =
            part == ToolButton ? &toolButton : tabBar.findChild<QToolButton*>();
        QStyleOptionToolButton option;
        prepare(option, button);
        option.subControls = QStyle::SC_ToolButton;
        option.text = u"新建"_s;
        option.toolButtonStyle = Qt::ToolButtonTextOnly;
        style->drawComplexControl(QStyle::CC_ToolButton, &option, &painter, button);
        break;
    }
    case DockButton: {
        const auto* button = dock.findChild<QAbstractButton*>(u"qt_dockwidget_closebutton"_s);
        QStyleOptionToolButton option;
        prepare(option, button);
        style->drawPrimitive(QStyle::PE_PanelButtonTool, &option, &painter, button);
        style->drawComplexControl(QStyle::CC_ToolButton, &option, &painter, button);
        break;
    }
    case Tab:
    case TabBelow: {
        QStyleOptionTab option;
        prepare(option, &tabBar);
        option.shape = part == Tab ? QTabBar::RoundedNorth : QTabBar::RoundedSouth;
        option.text = u"A"_s;
        style->drawControl(QStyle::CE_TabBarTab, &option, &painter, &tabBar);
        break;
    }
    case Header: {
        QStyleOptionHeader option;
        prepare(option, &header);
        style->drawControl(QStyle::CE_HeaderSection, &option, &painter, &header);
        break;
    }
    case Menu:
    case MenuItem:
    case MenuSeparator: {
        QStyleOptionMenuItem option;
        prepare(option, &menu);
        option.menuItemType =
            part == MenuSeparator ? QStyleOptionMenuItem::Separator : QStyleOptionMenuItem::SubMenu;
        option.text = u"删除\tDel"_s;
        option.checkType = QStyleOptionMenuItem::NonExclusive;
        option.checked = option.menuHasCheckableItems = true;
        if (state & QStyle::State_Selected) { // with an icon in place of the tick
            QPixmap icon(16, 16);
            icon.fill(Qt::blue);
            option.icon = QIcon(icon);
        }
        if (part == Menu)
            style->drawPrimitive(QStyle::PE_PanelMenu, &option, &painter, &menu);
        else
            style->drawControl(QStyle::CE_MenuItem, &option, &painter, &menu);
        break;
    }
    case MenuBarItem: {
        QStyleOptionMenuItem option;
        prepare(option, &menuBar);
        option.text = u"文件"_s;
        style->drawControl(QStyle::CE_MenuBarItem, &option, &painter, &menuBar);
        break;
    }
    case ToolBar: {
        QStyleOptionToolBar option;
        prepare(option, &toolBar);
        style->drawControl(QStyle::CE_ToolBar, &option, &painter, &toolBar);
        break;
    }
    case StatusBar:
    case ToolTip:
    case Pane: {
        QStyleOption option;
        prepare(option, &pushButton);
        const auto element = part == StatusBar ? QStyle::PE_PanelStatusBar
                             : part == ToolTip ? QStyle::PE_PanelTipLabel
                                               : QStyle::PE_FrameTabWidget;
        style->drawPrimitive(element, &option, &painter, nullptr);
        break;
    }
    case DockTitle: {
        QStyleOptionDockWidget option;
        prepare(option, &dock);
        option.title = dock.windowTitle();
        option.closable = option.floatable = true;
        style->drawControl(QStyle::CE_DockWidgetTitle, &option, &painter, &dock);
        break;
    }
    case GroupBox:
    case CheckableGroupBox: {
        QStyleOptionGroupBox option;
        prepare(option, &groupBox);
        option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
        if (part == CheckableGroupBox)
            option.subControls |= QStyle::SC_GroupBoxCheckBox;
        option.text = u"信封"_s;
        style->drawComplexControl(QStyle::CC_GroupBox, &option, &painter, &groupBox);
        break;
    }
    case Splitter: {
        QStyleOption option;
        prepare(option, &pushButton);
        style->drawControl(QStyle::CE_Splitter, &option, &painter, nullptr);
        break;
    }
    }
    return image;
}

} // namespace

class TestSkin : public QObject {
    Q_OBJECT

private slots:
    void anUnknownThemeChangesNothing()
    {
        QVERIFY(Skin::apply(u"Blue"_s));
        const QPalette blue = QApplication::palette();
        QVERIFY(Skin::apply(u"black"_s)); // any letter case
        const QPalette black = QApplication::palette();
        QVERIFY(black != blue);
        QVERIFY(!Skin::apply(u"Pink"_s)); // from Black, so a fallback to Blue would show
        QCOMPARE(QApplication::palette(), black);
        QCOMPARE(Skin::current(), u"Black"_s);
        QCOMPARE(drawn(PushButton, QStyle::State_Enabled).pixelColor(0, 12),
                 Skin::themeNamed(u"Black")->buttonBorder);
    }

    // Each part is drawn in its theme's colours in each state: a border, or the middle of a
    // fill (a gradient's middle is the mean of its ends).
    void eachPartIsDrawnInItsThemesColours_data()
    {
        QTest::addColumn<QString>("skin");
        QTest::addColumn<int>("part");
        QTest::addColumn<int>("state");
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<QColor>("expected");
        using S = QStyle;
        const int on = S::State_Enabled, hover = on | S::State_MouseOver | S::State_Raised;
        // Beside the caption, where one is drawn.
        const QPoint left(0, 12), aside(6, 12), middle(40, 12), top(40, 0), bottom(40, 23);
        for (const SkinColours& c : Skin::themes()) {
            const auto row = [&c](const char* what, Part part, int state, QPoint at,
                                  const QColor& expected) {
                QTest::addRow("%s: %s", c.name.data(), what)
                    << QString(c.name) << int(part) << state << at << expected;
            };
            const auto mean = [](const QColor& a, const QColor& b) {
                return QColor((a.red() + b.red()) / 2, (a.green() + b.green()) / 2,
                              (a.blue() + b.blue()) / 2);
            };
            row("push button", PushButton, on, left, c.buttonBorder);
            row("push button under the pointer", PushButton, hover, left, c.hoverBorder);
            row("pressed push button", PushButton, on | S::State_Sunken, left, c.pressedBorder());
            row("pressed push button with the focus", PushButton,
                on | S::State_Sunken | S::State_HasFocus, left, c.hoverBorder);
            row("default push button", DefaultPushButton, on, left, c.hoverBorder);
            row("switched-off push button", PushButton, 0, QPoint(3, 12), c.buttonBottom);
            row("tool button", ToolButton, on | S::State_AutoRaise, left, QColor(Qt::magenta));
            row("tool button under the pointer", ToolButton, hover | S::State_AutoRaise, left,
                c.hoverBorder);
            row("checked tool button", ToolButton, on | S::State_On, left, c.pressedBorder());
            row("dock title button", DockButton, on, left, c.inputBorder);
            row("tab scroll button", TabScrollButton, on | S::State_Raised, left, c.inputBorder);
            row("tab", Tab, on, aside, mean(c.tabTop, c.tabBottom));
            row("tab under the pointer", Tab, hover, aside, mean(c.hoverTop, c.hoverBottom));
            row("chosen tab", Tab, on | S::State_Selected, aside, c.pane);
            row("switched-off tab", Tab, 0, aside, c.buttonBottom);
            row("tab below its page", TabBelow, on, QPoint(40, 21), c.frameBorder);
            row("header", Header, on, bottom, c.inputBorder);
            row("header under the pointer", Header, hover, middle, mean(c.hoverTop, c.hoverBottom));
            row("menu item", MenuItem, on, left, QColor(Qt::magenta));
            row("chosen menu item", MenuItem, on | S::State_Selected, left, c.hoverBorder);
            row("switched-off menu item", MenuItem, S::State_Selected, left, QColor(Qt::magenta));
            row("menu separator", MenuSeparator, on, QPoint(40, 3), c.grid);
            row("menu", Menu, on, middle, c.base);
            row("chosen menu bar item", MenuBarItem, on | S::State_Selected, aside,
                mean(c.hoverTop, c.hoverBottom));
            row("pressed menu bar item", MenuBarItem, on | S::State_Selected | S::State_Sunken,
                aside, mean(c.pressedTop(), c.pressedBottom()));
            row("tool bar", ToolBar, on, bottom, c.frameBorder);
            row("status bar", StatusBar, on, top, c.frameBorder);
            row("dock title", DockTitle, on, top, c.frameBorder);
            row("tool tip", ToolTip, on, middle, QColor(SkinColours::toolTipBase));
            row("group box", GroupBox, on, QPoint(0, 18), c.groupBorder);
            row("checkable group box", CheckableGroupBox, on, QPoint(79, 18), c.groupBorder);
            row("tab page", Pane, on, middle, c.pane);
            row("splitter", Splitter, on, middle, c.window);
        }
    }
    void eachPartIsDrawnInItsThemesColours()
    {
        QFETCH(QString, skin);
        QFETCH(int, part);
        QFETCH(int, state);
        QFETCH(QPoint, at);
        QFETCH(QColor, expected);
        QVERIFY(Skin::apply(skin));
        const QColor seen = drawn(Part(part), QStyle::State(state)).pixelColor(at);
        const bool near = qAbs(seen.red() - expected.red()) <= 5 &&
                          qAbs(seen.green() - expected.green()) <= 5 &&
                          qAbs(seen.blue() - expected.blue()) <= 5;
        QVERIFY2(near, qPrintable(seen.name() + u" for "_s + expected.name()));
    }

    // The colour chosen on the tool bar repaints what is already shown, the widgets given a
    // colour of their own included.
    void aThemeChosenAtRunTimeRecoloursTheShownWindows()
    {
        QVERIFY(Skin::apply(u"Blue"_s));
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* warning = new QLabel(u"不能为空"_s);
        Skin::markAsWarning(warning);
        auto* status = new QStatusBar;
        auto* list = new QTreeWidget;
        auto* button = new QPushButton(u"确定"_s);
        for (QWidget* widget : std::initializer_list<QWidget*>{warning, status, list, button})
            layout->addWidget(widget);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        for (const SkinColours& c : Skin::themes()) {
            QVERIFY(Skin::apply(c.name));
            QCOMPARE(warning->palette().color(QPalette::WindowText), c.warningText);
            QCOMPARE(status->palette().color(QPalette::WindowText), c.frameText);
            QCOMPARE(list->palette().color(QPalette::WindowText), c.text);
            QCOMPARE(list->palette().color(QPalette::AlternateBase), c.alternateBase);
            QCOMPARE(list->header()->palette().color(QPalette::ButtonText), c.headerText);
            QCOMPARE(button->grab().toImage().pixelColor(0, button->height() / 2), c.buttonBorder);
        }
    }

    // The paddings the windows were laid out with stay, and with them the dialogs' layout.
    void sizesAreThePaddingsTheWindowsWereLaidOutFor()
    {
        QVERIFY(Skin::apply(u"Blue"_s));
        QPushButton button(u"查找"_s);
        const QSize text = button.fontMetrics().size(Qt::TextShowMnemonic, button.text());
        QCOMPARE(button.sizeHint(), text + QSize(2 * (14 + 1), 2 * (4 + 1)));
        QTabBar tabs;
        tabs.setExpanding(false);
        tabs.addTab(u"全部"_s);
        tabs.addTab(u"A"_s);
        // Three pixels of padding and one of border over the text; two more of margin over
        // tabs not chosen; the chosen tab wider for its bold caption.
        QCOMPARE(tabs.tabRect(1).height(), tabs.fontMetrics().height() + 2 * 3 + 1 + 2);
        QFont bold = tabs.font();
        bold.setBold(true);
        QCOMPARE(tabs.tabRect(0).width(),
                 QFontMetrics(bold).horizontalAdvance(u"全部"_s) + 2 * 6 + 2 - 1);
        QGroupBox box(u"信封"_s);
        box.setLayout(new QVBoxLayout);
        box.layout()->setContentsMargins({});
        box.layout()->addWidget(new QWidget);
        box.ensurePolished();
        const int margin = qRound(0.8 * box.fontMetrics().height());
        QCOMPARE(box.contentsMargins(), QMargins(1 + 4, margin + 1 + 6, 1 + 4, 1 + 4));
        QMenu menu;
        menu.addAction(u"全选"_s);
        menu.addSeparator();
        menu.addAction(u"删除"_s);
        QCOMPARE(menu.actionGeometry(menu.actions().at(0)).height(),
                 menu.fontMetrics().height() + 2 * (4 + 1));
        QCOMPARE(menu.actionGeometry(menu.actions().at(1)).height(), 1 + 2 * 3);
        QMenuBar bar;
        bar.addMenu(u"文件"_s);
        bar.adjustSize();
        QCOMPARE(bar.actionGeometry(bar.actions().at(0)).size(),
                 bar.fontMetrics().size(Qt::TextShowMnemonic, u"文件"_s) + QSize(2 * 10, 2 * 4));
    }

    void thePasswordCharacterIsTheFieldsOwn()
    {
        QVERIFY(Skin::apply(u"Blue"_s));
        QLineEdit masked, plain;
        for (QLineEdit* edit : {&masked, &plain}) {
            edit->setEchoMode(QLineEdit::Password);
            edit->setText(u"abc"_s);
        }
        Skin::maskWithAsterisks(&masked);
        QCOMPARE(masked.displayText(), u"***"_s);
        QVERIFY(!plain.displayText().contains(u'*'));
    }

    // The tool bar's overflow icon, read only when first drawn, is Fusion's own, in either
    // direction and at any size.
    void theOverflowIconIsFusionsOwn()
    {
        QVERIFY(Skin::apply(u"Blue"_s));
        const std::unique_ptr<QStyle> fusion(QStyleFactory::create(u"Fusion"_s));
        // On a screen of twice the density too.
        const auto painted = [](const QIcon& icon, qreal density) {
            QImage image(QSize(20, 20) * density, QImage::Format_ARGB32_Premultiplied);
            image.setDevicePixelRatio(density);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            icon.paint(&painter, QRect(0, 0, 20, 20));
            return image;
        };
        const auto same = [&](const QIcon& deferred, const QIcon& own) {
            QVERIFY(!deferred.isNull());
            QIcon copy = deferred;
            copy.detach(); // a copy of one not yet read
            for (const qreal density : {1.0, 2.0})
                QCOMPARE(painted(copy, density), painted(own, density));
            QCOMPARE(deferred.availableSizes(), own.availableSizes());
            for (const int side : {8, 16, 24}) {
                const QSize size(side, side);
                QCOMPARE(deferred.actualSize(size), own.actualSize(size));
                QCOMPARE(deferred.pixmap(size, 2.0).toImage(), own.pixmap(size, 2.0).toImage());
                QCOMPARE(deferred.pixmap(size, QIcon::Disabled).toImage(),
                         own.pixmap(size, QIcon::Disabled).toImage());
            }
        };
        QToolBar bar;
        const auto* overflow = bar.findChild<QToolButton*>(u"qt_toolbar_ext_button"_s);
        QVERIFY(overflow);
        same(overflow->icon(), fusion->standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton));
        for (const auto direction : {Qt::LeftToRight, Qt::RightToLeft}) {
            QStyleOption option;
            option.direction = direction;
            for (const auto which : {QStyle::SP_ToolBarHorizontalExtensionButton,
                                     QStyle::SP_ToolBarVerticalExtensionButton})
                same(QApplication::style()->standardIcon(which, &option),
                     fusion->standardIcon(which, &option));
        }
        // One whose style has gone draws nothing rather than read a deleted style.
        auto* gone = new DeferredIconStyle(QStyleFactory::create(u"Fusion"_s));
        const QIcon orphan = gone->standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton);
        delete gone;
        QVERIFY(orphan.isNull());
    }

    void chineseFontKeepsTheSizeAndIsDrawnUnhinted()
    {
        if (!QFontDatabase::families().contains(u"WenQuanYi Micro Hei"_s))
            QSKIP("WenQuanYi Micro Hei is not installed");
        QFont start(u"DejaVu Sans"_s);
        start.setPointSizeF(13.5);
        QApplication::setFont(start);
        preferSimplifiedChineseFont();
        QCOMPARE(QApplication::font().family(), u"WenQuanYi Micro Hei"_s);
        QCOMPARE(QApplication::font().pointSizeF(), 13.5);
        QCOMPARE(QApplication::font().hintingPreference(), QFont::PreferNoHinting);
    }

    void startUpSetUp()
    {
        // An unjoined thread would end the program at the warm-up's destruction.
        {
            const FontConfigWarmUp unwaited;
        }
        FontConfigWarmUp waited;
        waited.wait();
        waited.wait(); // twice: the second finds nothing to join
        QVERIFY(QtTranslations::install(*QApplication::instance()));
    }

    void icons()
    {
        using namespace ProgramIcons;
        QTemporaryDir dir;
        QVERIFY(QFile::copy(QStringLiteral(VARDELIN_ICON_SOURCE_DIR "/") + contactMale,
                            dir.filePath(contactMale)));
        setFolder(dir.path());
        QVERIFY(load(u"missing.ico"_s).isNull());
        QCOMPARE(load(contactMale).availableSizes().size(), 4); // the file holds four drawings
        // Read when drawn, the icon draws what an icon holding every drawing of the file draws.
        QIcon eager;
        QImageReader reader(dir.filePath(contactMale));
        do {
            eager.addPixmap(QPixmap::fromImage(reader.read()));
        } while (reader.jumpToNextImage());
        for (const int side : {16, 20, 32, 40, 64, 256}) {
            for (const QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled, QIcon::Selected}) {
                const QSize size(side, side);
                QCOMPARE(load(contactMale).actualSize(size, mode), eager.actualSize(size, mode));
                QCOMPARE(load(contactMale).pixmap(size, mode).toImage(),
                         eager.pixmap(size, mode).toImage());
                const auto painted = [size, mode](const QIcon& icon) {
                    QImage image(size, QImage::Format_ARGB32_Premultiplied);
                    image.fill(Qt::transparent);
                    QPainter painter(&image);
                    icon.paint(&painter, image.rect(), Qt::AlignCenter, mode);
                    return image;
                };
                QCOMPARE(painted(load(contactMale)), painted(eager));
            }
        }
        setFolder(QStringLiteral(VARDELIN_ICON_SOURCE_DIR));
        for (const QLatin1StringView file :
             {columnRow, contactFemale, accountRow, groupClosed, groupOpen, toolNew, toolEdit,
              toolDelete, toolPrint, toolSettings, toolAbout, toolSearch, toolNewGroup})
            QVERIFY2(!load(file).isNull(), file.data());
    }
};

QTEST_MAIN(TestSkin)
#include "tst_skin.moc"
