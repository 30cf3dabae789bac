// SPDX-License-Identifier: GPL-3.0-or-later
// The colour themes, the Chinese font choice, the icon loader and the start-up's font and
// translation set-up.
#include "ui/ChineseFont.h"
#include "ui/DeferredIconStyle.h"
#include "ui/FontConfigWarmUp.h"
#include "ui/ProgramIcons.h"
#include "ui/QtTranslations.h"
#include "ui/Skin.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>
#include <QStyleFactory>
#include <QStyleOption>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
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
