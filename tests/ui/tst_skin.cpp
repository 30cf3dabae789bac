// SPDX-License-Identifier: GPL-3.0-or-later
// The colour themes, the Chinese font choice, the icon loader and the start-up's font and
// translation set-up.
#include "ui/ChineseFont.h"
#include "ui/FontConfigWarmUp.h"
#include "ui/ProgramIcons.h"
#include "ui/QtTranslations.h"
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
    void anUnknownThemeChangesNothing()
    {
        // Qt drops a sheet that does not parse, and only warns when it first styles a widget.
        QTest::failOnWarning("Could not parse application stylesheet");
        QVERIFY(Skin::apply(u"Blue"_s));
        QWidget().ensurePolished();
        const QPalette blue = QApplication::palette();
        QVERIFY(Skin::apply(u"black"_s)); // any letter case
        QWidget().ensurePolished();
        const QString black = qApp->styleSheet();
        QVERIFY(QApplication::palette() != blue);
        QVERIFY(!Skin::apply(u"Pink"_s)); // from Black, so a fallback to Blue would show
        QCOMPARE(qApp->styleSheet(), black);
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
        setFolder(QStringLiteral(VARDELIN_ICON_SOURCE_DIR));
        for (const QLatin1StringView file :
             {columnRow, contactFemale, accountRow, groupClosed, groupOpen, toolNew, toolEdit,
              toolDelete, toolPrint, toolSettings, toolAbout, toolSearch, toolNewGroup})
            QVERIFY2(!load(file).isNull(), file.data());
    }
};

QTEST_MAIN(TestSkin)
#include "tst_skin.moc"
