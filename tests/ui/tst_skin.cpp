// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the colour themes, the Chinese font choice and the icon loader.
#include "ui/ChineseFont.h"
#include "ui/ProgramIcons.h"
#include "ui/Skin.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QImage>
#include <QPalette>
#include <QRegularExpression>
#include <QSet>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#include <cmath>

#ifndef VARDELIN_ICON_SOURCE_DIR
#error "VARDELIN_ICON_SOURCE_DIR must name resources/Icons of the source tree"
#endif

namespace {

QString shippedIcons()
{
    return QStringLiteral(VARDELIN_ICON_SOURCE_DIR);
}

// WCAG relative luminance and contrast ratio: 4.5 is the usual floor for body text.
double luminance(const QColor& colour)
{
    const auto channel = [](double c) {
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) +
           0.0722 * channel(colour.blueF());
}

double contrast(const QColor& a, const QColor& b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor pixelAt(QWidget& widget, QPoint point)
{
    return widget.grab().toImage().pixelColor(point);
}

// Counts the events a theme change sends to every widget.
class ThemeEventCounter : public QObject {
public:
    int count = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::StyleChange:
        case QEvent::PaletteChange:
        case QEvent::ApplicationPaletteChange:
            ++count;
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }
};

const QLatin1StringView namedIcons[] = {
    ProgramIcons::columnRow,    ProgramIcons::contactFemale, ProgramIcons::contactMale,
    ProgramIcons::accountRow,   ProgramIcons::groupClosed,   ProgramIcons::groupOpen,
    ProgramIcons::toolNew,      ProgramIcons::toolEdit,      ProgramIcons::toolDelete,
    ProgramIcons::toolSettings, ProgramIcons::toolAbout,     ProgramIcons::toolSearch,
    ProgramIcons::toolNewGroup,
};

} // namespace

class TestSkin : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void namesAreOfferedInOrder();
    void everyNameApplies();
    void blueAndBlackDiffer();
    void unknownColourChangesNothing();
    void namesMatchWithoutCase();
    void reapplyingTheCurrentThemeSendsNothing();
    void textStaysReadable_data();
    void textStaysReadable();
    void blackFramesAreDarkAndOthersLight_data();
    void blackFramesAreDarkAndOthersLight();
    void selectedTabStandsOut_data();
    void selectedTabStandsOut();

    void chineseFontKeepsTheSize();

    void missingIconIsNull();
    void unreadableIconIsNull();
    void realIconLoadsWithSmallSize();
    void loadedIconIsKeptAfterFileGoes();
    void defaultFolderIsBesideTheProgram();
    void shippedIconsHaveEverySize_data();
    void shippedIconsHaveEverySize();
};

void TestSkin::init()
{
    // Qt drops a whole style sheet that does not parse and only says so in a warning.
    QTest::failOnWarning(QRegularExpression(QStringLiteral("style ?sheet"),
                                            QRegularExpression::CaseInsensitiveOption));
}

void TestSkin::cleanup()
{
    ProgramIcons::setFolder(QString());
}

void TestSkin::namesAreOfferedInOrder()
{
    QCOMPARE(Skin::names(), QStringList({QStringLiteral("Blue"), QStringLiteral("Silver"),
                                         QStringLiteral("Black")}));
}

void TestSkin::everyNameApplies()
{
    QSet<QRgb> windows;
    const QStringList names = Skin::names();
    for (const QString& name : names) {
        QVERIFY2(Skin::apply(name), qPrintable(name));
        QCOMPARE(Skin::current(), name);
        QVERIFY(!qApp->styleSheet().isEmpty());
        QVERIFY2(!qApp->styleSheet().contains(QLatin1StringView("$(")),
                 "a colour was not filled in");
        windows.insert(QApplication::palette().color(QPalette::Window).rgb());
    }
    QCOMPARE(windows.size(), names.size());
}

void TestSkin::blueAndBlackDiffer()
{
    QVERIFY(Skin::apply(QStringLiteral("Blue")));
    const QColor blueWindow = QApplication::palette().color(QPalette::Window);
    const QString blueSheet = qApp->styleSheet();

    QVERIFY(Skin::apply(QStringLiteral("Black")));
    const QColor blackWindow = QApplication::palette().color(QPalette::Window);
    QVERIFY(blackWindow != blueWindow);
    QVERIFY(qApp->styleSheet() != blueSheet);

    QVERIFY(Skin::apply(QStringLiteral("Blue")));
    QCOMPARE(QApplication::palette().color(QPalette::Window), blueWindow);
    QCOMPARE(qApp->styleSheet(), blueSheet);
}

void TestSkin::unknownColourChangesNothing()
{
    QVERIFY(Skin::apply(QStringLiteral("Silver")));
    const QPalette palette = QApplication::palette();
    const QString sheet = qApp->styleSheet();

    QVERIFY(!Skin::apply(QStringLiteral("Pink")));
    QVERIFY(!Skin::apply(QString()));
    QCOMPARE(Skin::current(), QStringLiteral("Silver"));
    QCOMPARE(QApplication::palette(), palette);
    QCOMPARE(qApp->styleSheet(), sheet);
}

void TestSkin::namesMatchWithoutCase()
{
    QVERIFY(Skin::apply(QStringLiteral("Blue")));
    QVERIFY(Skin::apply(QStringLiteral("bLACK")));
    QCOMPARE(Skin::current(), QStringLiteral("Black"));
}

void TestSkin::reapplyingTheCurrentThemeSendsNothing()
{
    QVERIFY(Skin::apply(QStringLiteral("Blue")));
    // Qt sends palette changes only to child widgets and style changes only to polished ones.
    QWidget window;
    auto* probe = new QWidget(&window);
    window.ensurePolished();
    probe->ensurePolished();
    ThemeEventCounter counter;
    probe->installEventFilter(&counter);

    QVERIFY(Skin::apply(QStringLiteral("Blue")));
    QCOMPARE(counter.count, 0);

    // The probe does see a real change, so the zero above means something.
    QVERIFY(Skin::apply(QStringLiteral("Silver")));
    QVERIFY(counter.count > 0);
}

void TestSkin::textStaysReadable_data()
{
    QTest::addColumn<QString>("name");
    const QStringList names = Skin::names();
    for (const QString& name : names)
        QTest::newRow(qPrintable(name)) << name;
}

void TestSkin::textStaysReadable()
{
    QFETCH(QString, name);
    QVERIFY(Skin::apply(name));
    const QPalette p = QApplication::palette();
    // Lists and edits stay white in every theme, dark frames included.
    QVERIFY2(p.color(QPalette::Base).lightness() >= 240,
             qPrintable(p.color(QPalette::Base).name()));
    QVERIFY(contrast(p.color(QPalette::Text), p.color(QPalette::Base)) >= 7.0);
    QVERIFY(contrast(p.color(QPalette::WindowText), p.color(QPalette::Window)) >= 4.5);
    QVERIFY(contrast(p.color(QPalette::ButtonText), p.color(QPalette::Button)) >= 4.5);
    QVERIFY(contrast(p.color(QPalette::HighlightedText), p.color(QPalette::Highlight)) >= 4.5);
    QVERIFY(contrast(p.color(QPalette::ToolTipText), p.color(QPalette::ToolTipBase)) >= 4.5);
}

void TestSkin::blackFramesAreDarkAndOthersLight_data()
{
    textStaysReadable_data();
}

void TestSkin::blackFramesAreDarkAndOthersLight()
{
    QFETCH(QString, name);
    QVERIFY(Skin::apply(name));
    QToolBar toolBar;
    toolBar.resize(160, 36);
    const QColor frame = pixelAt(toolBar, QPoint(80, 18));
    if (name == QLatin1StringView("Black"))
        QVERIFY2(frame.lightness() < 110, qPrintable(frame.name()));
    else
        QVERIFY2(frame.lightness() > 170, qPrintable(frame.name()));
}

void TestSkin::selectedTabStandsOut_data()
{
    textStaysReadable_data();
}

void TestSkin::selectedTabStandsOut()
{
    QFETCH(QString, name);
    QVERIFY(Skin::apply(name));
    QTabBar tabs;
    tabs.addTab(QStringLiteral("全部"));
    tabs.addTab(QStringLiteral("A"));
    tabs.setCurrentIndex(0);
    tabs.resize(tabs.sizeHint());
    // Sample the left padding of each tab, clear of the caption.
    const auto inside = [&](int index) {
        const QRect r = tabs.tabRect(index);
        return QPoint(r.left() + 3, r.center().y());
    };
    const QImage image = tabs.grab().toImage();
    const QColor selected = image.pixelColor(inside(0));
    const QColor other = image.pixelColor(inside(1));
    QVERIFY2(contrast(selected, other) > 1.1, qPrintable(selected.name() + u" vs " + other.name()));
}

void TestSkin::chineseFontKeepsTheSize()
{
    const QString wanted = QStringLiteral("WenQuanYi Micro Hei");
    if (!QFontDatabase::families().contains(wanted))
        QSKIP("WenQuanYi Micro Hei is not installed");
    QFont start(QStringLiteral("DejaVu Sans"));
    start.setPointSizeF(13.5);
    QApplication::setFont(start);

    preferSimplifiedChineseFont();
    QCOMPARE(QApplication::font().family(), wanted);
    QCOMPARE(QApplication::font().pointSizeF(), 13.5);
}

void TestSkin::missingIconIsNull()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    ProgramIcons::setFolder(dir.path());
    QVERIFY(ProgramIcons::load(QStringLiteral("nothing-here.ico")).isNull());
}

void TestSkin::unreadableIconIsNull()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile bad(dir.filePath(QStringLiteral("bad.ico")));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("this is not an icon");
    bad.close();
    ProgramIcons::setFolder(dir.path());
    QVERIFY(ProgramIcons::load(QStringLiteral("bad.ico")).isNull());
}

void TestSkin::realIconLoadsWithSmallSize()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString name = ProgramIcons::contactMale;
    QVERIFY(QFile::copy(shippedIcons() + u'/' + name, dir.filePath(name)));
    ProgramIcons::setFolder(dir.path());

    const QIcon icon = ProgramIcons::load(name);
    QVERIFY(!icon.isNull());
    const QPixmap small = icon.pixmap(QSize(16, 16));
    QCOMPARE(small.size(), QSize(16, 16));
    QVERIFY(icon.availableSizes().contains(QSize(16, 16)));
}

void TestSkin::loadedIconIsKeptAfterFileGoes()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString name = ProgramIcons::groupClosed;
    const QString path = dir.filePath(name);
    QVERIFY(QFile::copy(shippedIcons() + u'/' + name, path));
    ProgramIcons::setFolder(dir.path());

    const QIcon first = ProgramIcons::load(name);
    QVERIFY(!first.isNull());
    QVERIFY(QFile::remove(path));
    const QIcon second = ProgramIcons::load(name);
    QVERIFY(!second.isNull());
    QCOMPARE(second.cacheKey(), first.cacheKey());
}

void TestSkin::defaultFolderIsBesideTheProgram()
{
    ProgramIcons::setFolder(QString());
    QCOMPARE(ProgramIcons::folder(), QCoreApplication::applicationDirPath() + u"/Icons");
}

void TestSkin::shippedIconsHaveEverySize_data()
{
    QTest::addColumn<QString>("name");
    for (const QLatin1StringView name : namedIcons)
        QTest::newRow(name.data()) << QString(name);
}

void TestSkin::shippedIconsHaveEverySize()
{
    QFETCH(QString, name);
    ProgramIcons::setFolder(shippedIcons());
    const QIcon icon = ProgramIcons::load(name);
    QVERIFY(!icon.isNull());
    const QList<QSize> sizes = icon.availableSizes();
    for (int side : {16, 24, 32, 48}) {
        QVERIFY2(sizes.contains(QSize(side, side)), qPrintable(QString::number(side)));
        // Something is drawn: a fully transparent image would pass every size check above.
        const QImage image = icon.pixmap(QSize(side, side)).toImage();
        int opaque = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                opaque += qAlpha(image.pixel(x, y)) > 128 ? 1 : 0;
        QVERIFY2(opaque > side * side / 8, qPrintable(QString::number(side)));
    }
}

QTEST_MAIN(TestSkin)
#include "tst_skin.moc"
