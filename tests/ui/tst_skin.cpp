// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the colour themes, the Chinese font choice and its early set-up, and the icon loader.
#include "ui/ChineseFont.h"
#include "ui/FontConfigWarmUp.h"
#include "ui/ProgramIcons.h"
#include "ui/Skin.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

using namespace Qt::StringLiterals;

class TestSkin : public QObject {
    Q_OBJECT

private slots:
    void themes()
    {
        QCOMPARE(Skin::names(), QStringList({u"Blue"_s, u"Silver"_s, u"Black"_s}));
        // Qt drops a sheet that does not parse, and only warns when it first styles a widget.
        QTest::failOnWarning("Could not parse application stylesheet");
        QList<QPalette> palettes;
        QStringList sheets;
        for (const QString& name : Skin::names()) {
            QVERIFY2(Skin::apply(name) && Skin::current() == name, qPrintable(name));
            QWidget().ensurePolished();
            palettes << QApplication::palette();
            sheets << qApp->styleSheet();
        }
        QVERIFY(palettes[0].color(QPalette::Window) != palettes[2].color(QPalette::Window));
        QVERIFY(sheets[0] != sheets[2]);
        QVERIFY(!Skin::apply(u"Pink"_s)); // From Black, so a fallback to Blue would show.
        QVERIFY(!Skin::apply(QString()));
        QCOMPARE(Skin::current(), u"Black"_s);
        QCOMPARE(QApplication::palette(), palettes[2]);
        QCOMPARE(qApp->styleSheet(), sheets[2]);
        QVERIFY(Skin::apply(u"bLUE"_s));
        QCOMPARE(Skin::current(), u"Blue"_s);
        QCOMPARE(QApplication::palette(), palettes[0]);
        QCOMPARE(qApp->styleSheet(), sheets[0]);
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
        // Drawn as its own fontconfig rule asks: without hinting.
        QCOMPARE(QApplication::font().hintingPreference(), QFont::PreferNoHinting);
    }

    void fontConfigWarmUpEndsWaitedForOrNot()
    {
        // An unjoined thread would end the program at the warm-up's destruction.
        {
            const FontConfigWarmUp unwaited;
        }
        FontConfigWarmUp waited;
        waited.wait();
        waited.wait();
        QVERIFY(!QFontDatabase::families().isEmpty());
    }

    void icons()
    {
        using namespace ProgramIcons;
        QTemporaryDir dir;
        QVERIFY(QFile::copy(QStringLiteral(VARDELIN_ICON_SOURCE_DIR "/") + contactMale,
                            dir.filePath(contactMale)));
        setFolder(dir.path());
        QVERIFY(load(u"missing.ico"_s).isNull());
        QCOMPARE(load(contactMale).pixmap(QSize(16, 16)).size(), QSize(16, 16));
        QCOMPARE(load(contactMale).availableSizes().size(), 4); // The file holds four drawings.
        setFolder(QStringLiteral(VARDELIN_ICON_SOURCE_DIR));
        for (const QLatin1StringView file :
             {columnRow, contactFemale, contactMale, accountRow, groupClosed, groupOpen, toolNew,
              toolEdit, toolDelete, toolSettings, toolAbout, toolSearch, toolNewGroup})
            QVERIFY2(!load(file).isNull(), file.data());
    }
};

QTEST_MAIN(TestSkin)
#include "tst_skin.moc"
