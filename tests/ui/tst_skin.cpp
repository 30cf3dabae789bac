// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the colour themes, the Chinese font choice and its early set-up, the icon loader and
// the Chinese of Qt's own buttons.
#include "ui/ChineseFont.h"
#include "ui/FontConfigWarmUp.h"
#include "ui/ProgramIcons.h"
#include "ui/QtTranslations.h"
#include "ui/Skin.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QFontDatabase>
#include <QPushButton>
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
    }

    void qtsOwnButtonsSpeakChinese()
    {
        QVERIFY(QtTranslations::install(*QApplication::instance()));
        QDialogButtonBox buttons(QDialogButtonBox::Yes | QDialogButtonBox::No |
                                 QDialogButtonBox::Cancel);
        QVERIFY2(buttons.button(QDialogButtonBox::Yes)->text().contains(u"是"_s),
                 qPrintable(buttons.button(QDialogButtonBox::Yes)->text()));
        QVERIFY(buttons.button(QDialogButtonBox::No)->text().contains(u"否"_s));
        QVERIFY(buttons.button(QDialogButtonBox::Cancel)->text().contains(u"取消"_s));
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
